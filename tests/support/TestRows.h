// Reading rows back in tests: every row as one text.
#pragma once

#include <QString>
#include <QStringList>

namespace vesk::test {

// The rows of `statement` on the named connection, each row's columns joined by '|'. A failing
// statement throws std::runtime_error with the database's text.
QStringList queryRows(const QString &connection, const QString &statement);

} // namespace vesk::test
