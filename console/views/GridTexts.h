// The grids' standard question and error, from the catalogue.
#pragma once

#include "MainDM.h"

#include <QString>

namespace vesk {

// Asked before a record is deleted.
inline QString DeleteRecordQuestion(const TdmMain &dm)
{
    return dm.GetLangString(QStringLiteral("RSDeleteRecord"));
}

// An edited value that its column cannot hold: the value, then the field's name.
inline QString InvalidFieldValueText(const TdmMain &dm, const QString &value, const QString &field)
{
    return dm.GetLangString(QStringLiteral("RSInvalidFieldValue")).arg(value, field);
}

} // namespace vesk
