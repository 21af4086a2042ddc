// The grids' own fixed texts: standard questions and errors of a data grid, not catalogue texts.
#pragma once

#include <QString>

namespace vesk {

// Asked before a record is deleted.
inline QString DeleteRecordQuestion()
{
    return QStringLiteral("Delete record?");
}

// An edited value that its column cannot hold: the value, then the field's name.
inline QString InvalidFieldValueText()
{
    return QStringLiteral("'%1' is not a valid value for field '%2'.");
}

} // namespace vesk
