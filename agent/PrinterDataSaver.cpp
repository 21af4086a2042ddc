// SavePrinterData: one write transaction per save, rows stored exactly once (see RecordJournal.h).
#include "PrinterDataSaver.h"

#include "Database.h"
#include "LogDateTime.h"
#include "MainDM.h"
#include "RecordJournal.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace vesk {

namespace {

const QString InsertRow = QStringLiteral(
    "insert into tPrinterData (PrinterName, documentName, hostName, TotalPageCount, "
    "PrintedDocumentSize, PageSize, PrintTime, OperatorName, IP, MAC, EmName, DeptName, "
    "JobOutcome, PagesPrinted, ColorPrint, Duplex) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString AllMarkers = QStringLiteral("select RowId from tSavedRecord");
const QString InsertMarker = QStringLiteral("insert into tSavedRecord (RowId) values (?)");
const QString DeleteMarkers = QStringLiteral("delete from tSavedRecord where RowId in (");
constexpr qsizetype MarkersPerDelete = 500;

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
    if (column == colTotalPageCount || column == colPrintedDocumentSize ||
        column >= OriginalColumnCount) // the appended columns: numbers, NULL where not known
        return integerCell(cell);
    return cell;
}

bool prepare(QSqlQuery &q, const QSqlDatabase &db, const QString &statement, QString *error)
{
    if (q.prepare(translateStatement(db, statement)))
        return true;
    *error = q.lastError().text();
    return false;
}

bool run(QSqlQuery &q, QString *error)
{
    if (q.exec())
        return true;
    *error = q.lastError().text();
    return false;
}

} // namespace

PrinterDataSaver::PrinterDataSaver(TdmMain &dm, RecordJournal *journal,
                                   std::function<QDateTime()> clock)
    : dm_(dm), journal_(journal), clock_(std::move(clock)),
      redactor_(DocumentNameRedactor::FromAppDir(dm.AppDir()))
{}

SaveResult PrinterDataSaver::SavePrinterData(RecordList &list)
{
    SaveResult result;
    const int total = static_cast<int>(list.Rows.size());
    if (list.SavedCount >= total)
        return result; // nothing new: no log line

    result.outcome = SaveResult::Outcome::Failed;
    QSqlDatabase db = dm_.acntVesk.database();
    if (lastFailed_ && db.isValid() && !connectionAlive(db)) {
        const OpenResult reopened = reopenDatabase(dm_.acntVesk.connectionName());
        result.reconnected = reopened.ok;
        db = dm_.acntVesk.database();
    }
    // Failed until the commit below has gone through.
    lastFailed_ = true;
    if (!db.isOpen()) {
        result.error = QStringLiteral("The database is not connected.");
        return result;
    }
    if (!beginWrite(db, &result.error))
        return result;

    // Inside the transaction: a failure anywhere stores none of the rows.
    QStringList ids;
    int written = 0;
    const bool ok = [&] {
        // Ids stored by a save whose journal rewrite never happened (the agent was killed). The
        // table holds only such ids, so it is small.
        QSet<QString> stored;
        QSqlQuery markers(db);
        if (!markers.exec(translateStatement(db, AllMarkers))) {
            result.error = markers.lastError().text();
            return false;
        }
        while (markers.next())
            stored.insert(markers.value(0).toString());
        markers.finish();

        QSqlQuery insert(db), insertMarker(db);
        if (!prepare(insert, db, InsertRow, &result.error) ||
            !prepare(insertMarker, db, InsertMarker, &result.error))
            return false;
        for (int i = list.SavedCount; i < total; ++i) {
            const ListedRecord &row = list.Rows[static_cast<size_t>(i)];
            ids << row.Id;
            if (stored.contains(row.Id))
                continue;
            for (int c = 0; c < PrinterDataColumnCount; ++c)
                insert.bindValue(c, cellValue(row, c));
            insertMarker.bindValue(0, row.Id);
            if (!run(insert, &result.error) || !run(insertMarker, &result.error))
                return false;
            ++written;
        }
        return commitWrite(db, &result.error);
    }();
    if (!ok) {
        rollbackWrite(db);
        return result;
    }
    lastFailed_ = false;
    redactor_.AfterSave(db, clock_ ? clock_() : QDateTime::currentDateTime());

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
    bool ok = true;
    for (qsizetype from = 0; ok && from < ids.size(); from += MarkersPerDelete) {
        const QStringList chunk = ids.mid(from, MarkersPerDelete);
        QStringList marks;
        marks.fill(QStringLiteral("?"), chunk.size());
        QSqlQuery del(db);
        ok = prepare(del, db, DeleteMarkers + marks.join(u',') + u')', &error);
        for (qsizetype i = 0; ok && i < chunk.size(); ++i)
            del.bindValue(static_cast<int>(i), chunk.at(i));
        ok = ok && run(del, &error);
    }
    if (!ok || !commitWrite(db))
        rollbackWrite(db);
}

} // namespace vesk
