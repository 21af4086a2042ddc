// SavePrinterData: one write transaction per save, rows stored exactly once (see RecordJournal.h).
#include "PrinterDataSaver.h"

#include "Database.h"
#include "LogDateTime.h"
#include "MainDM.h"
#include "RecordJournal.h"
#include "Totals.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace vesk {

namespace {

// Every column of the table, in its order.
QString insertRow()
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), PrinterDataColumnCount);
    return QStringLiteral("insert into tPrinterData (") +
           fieldNames(PrinterDataColumns).join(QStringLiteral(", ")) +
           QStringLiteral(") values (") + marks.join(QStringLiteral(", ")) + u')';
}
const QString AllMarkers = QStringLiteral("select RowId from tSavedRecord");

// The ids of a save's markers go in as one bound JSON array, read back as rows by the engine:
// one statement for all of them instead of one per row (as many as the rows themselves cost).
QString markerIds(const QSqlDatabase &db)
{
    return engineOf(db) == DbEngine::PostgreSQL
               ? QStringLiteral("select json_array_elements_text(cast(? as json))")
               : QStringLiteral("select value from json_each(?)");
}
QString insertMarkers(const QSqlDatabase &db)
{
    return QStringLiteral("insert into tSavedRecord (RowId) ") + markerIds(db);
}
QString deleteMarkers(const QSqlDatabase &db)
{
    return QStringLiteral("delete from tSavedRecord where RowId in (") + markerIds(db) + u')';
}
QString jsonArray(const QStringList &ids)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(ids)).toJson(QJsonDocument::Compact));
}

// The integer columns get numbers; a cell that is not one is stored as null rather than
// blocking every later save of the journal.
QVariant integerCell(const QString &cell)
{
    bool ok = false;
    const qlonglong n = cell.toLongLong(&ok);
    return ok ? QVariant(n) : QVariant(QMetaType(QMetaType::LongLong));
}

QVariant cellValue(const ListedRecord &row, int column)
{
    const QString &cell = row.Cells[static_cast<size_t>(column)];
    if (isNumberColumn(PrinterDataColumnTable[column].type))
        return integerCell(cell);
    return cell;
}

bool prepare(QSqlQuery &q, const QSqlDatabase &db, const QString &statement, QString *error)
{
    return prepareStatement(q, translateStatement(db, statement), error);
}

} // namespace

PrinterDataSaver::PrinterDataSaver(TdmMain &dm, RecordJournal *journal,
                                   std::function<QDateTime()> clock)
    : dm_(dm), journal_(journal), clock_(std::move(clock)),
      redactor_(DocumentNameRedactor::FromAppDir(dm.AppDir()))
{}

bool PrinterDataSaver::writeRows(QSqlDatabase &db, const RecordList &list, QStringList &ids,
                                 int &written, QString *error)
{
    ids.clear();
    written = 0;
    if (!db.isOpen()) {
        *error = QStringLiteral("The database is not connected.");
        return false;
    }
    if (!beginWrite(db, error))
        return false;

    // Inside the transaction: a failure anywhere stores none of the rows.
    const int total = static_cast<int>(list.Rows.size());
    const bool ok = [&] {
        // Ids stored by a save whose journal rewrite never happened (the agent was killed, or the
        // server went away after the commit but before its answer). The table holds only such
        // ids, so it is small.
        QSet<QString> stored;
        QSqlQuery markers(db);
        if (!execStatement(markers, translateStatement(db, AllMarkers), error))
            return false;
        while (markers.next())
            stored.insert(markers.value(0).toString());
        markers.finish();

        QSqlQuery insert(db);
        if (!prepare(insert, db, insertRow(), error))
            return false;
        QStringList marked;
        for (int i = list.SavedCount; i < total; ++i) {
            const ListedRecord &row = list.Rows[static_cast<size_t>(i)];
            ids << row.Id;
            if (stored.contains(row.Id))
                continue;
            for (int c = 0; c < PrinterDataColumnCount; ++c)
                insert.bindValue(c, cellValue(row, c));
            if (!execPrepared(insert, error))
                return false;
            marked << row.Id;
            ++written;
        }
        insert.finish();
        if (!marked.isEmpty()) {
            QSqlQuery markers(db);
            if (!prepare(markers, db, insertMarkers(db), error))
                return false;
            markers.bindValue(0, jsonArray(marked));
            if (!execPrepared(markers, error))
                return false;
        }
        return commitWrite(db, error);
    }();
    if (!ok)
        rollbackWrite(db);
    return ok;
}

SaveResult PrinterDataSaver::SavePrinterData(RecordList &list)
{
    SaveResult result;
    const int total = static_cast<int>(list.Rows.size());
    if (list.SavedCount >= total)
        return result; // nothing new: no log line

    result.outcome = SaveResult::Outcome::Failed;
    QSqlDatabase db = dm_.acntVesk.database();
    QStringList ids;
    int written = 0;
    bool ok = writeRows(db, list, ids, written, &result.error);
    // A database server restarted since the last save ended this session: open it again and
    // write once more, at once, so a save just before the agent ends is not left to a next start.
    // A commit that went through before the session broke is found by its markers, not repeated.
    if (!ok && db.isValid() && !connectionAlive(db)) {
        const OpenResult reopened = reopenDatabase(dm_.acntVesk.connectionName());
        result.reconnected = reopened.ok;
        db = dm_.acntVesk.database();
        if (reopened.ok)
            ok = writeRows(db, list, ids, written, &result.error);
    }
    if (!ok)
        return result;
    redactor_.AfterSave(db, clock_ ? clock_() : QDateTime::currentDateTime());
    foldTotals(db);

    if (journal_)
        dropMarkers(journal_->RemoveSaved(ids));

    if (total > MaxListedRows)
        list.Rows.clear();
    list.SavedCount = static_cast<int>(list.Rows.size());

    result.outcome = SaveResult::Outcome::Saved;
    result.written = written;
    result.cleared = list.Rows.empty();
    result.error.clear();
    result.logLine = dm_.GetLangString(QStringLiteral("RSSaveComplete")) +
                     LogDateTime(clock_ ? clock_() : QDateTime::currentDateTime());
    return result;
}

// The saved rows' figures, waiting in the totals' log, join the totals in a transaction of their
// own: a fold that fails (another program's fold held the totals) loses nothing, the log keeps
// the rows for the next one and readers count them meanwhile.
void PrinterDataSaver::foldTotals(QSqlDatabase &db)
{
    if (!beginWrite(db))
        return;
    if (!FoldTotals(db) || !commitWrite(db))
        rollbackWrite(db);
}

// The rows are out of the journal file now, so their markers have done their work. A marker that
// cannot be deleted is harmless: no other row will ever carry its id.
void PrinterDataSaver::dropMarkers(const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    QSqlDatabase db = dm_.acntVesk.database();
    if (!beginWrite(db))
        return;
    QString error;
    QSqlQuery del(db);
    bool ok = prepare(del, db, deleteMarkers(db), &error);
    del.bindValue(0, jsonArray(ids));
    ok = ok && execPrepared(del, &error);
    del.finish();
    if (!ok || !commitWrite(db))
        rollbackWrite(db);
}

} // namespace vesk
