// Rows as texts for the tests' comparisons.
#include "TestRows.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace vesk::test {

QStringList queryRows(const QString &connection, const QString &statement)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(statement))
        throw std::runtime_error(
            QString(statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
    QStringList out;
    while (q.next()) {
        QStringList columns;
        for (int i = 0; i < q.record().count(); ++i)
            columns << q.value(i).toString();
        out << columns.join(u'|');
    }
    return out;
}

} // namespace vesk::test
