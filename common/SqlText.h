// Helpers for statements composed as text: the system's quoting of values.
#pragma once

#include <QString>

namespace vesk {

// The value in single quotes with every inner single quote doubled: the only way a
// value may be pasted into a statement's text.
QString QuotedStr(const QString &value);

} // namespace vesk
