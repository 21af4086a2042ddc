// Paper size code (DMPAPER_ 1..41) to the paper name stored in tPrinterData.PageSize.
#pragma once

#include <QString>

#include <cstdint>

namespace vesk {

// The paper name of `PaperSize`; every other code (0 and negative ones included) gives
// `otherText`, the catalogue text of "RSOther".
QString PaperSizeName(int32_t PaperSize, const QString &otherText);

} // namespace vesk
