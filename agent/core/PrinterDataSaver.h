// SavePrinterData: the unsaved listed rows go to tPrinterData in one write transaction.
#pragma once

#include "DocumentPrivacy.h"
#include "ListedRecord.h"
#include "LogDateTime.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class QSqlDatabase;

namespace vesk {

class RecordJournal;
class TdmMain;

struct SaveResult
{
    enum class Outcome
    {
        NothingNew, // no unsaved rows: nothing written, no log line
        Saved,      // committed; SavedCount advanced
        Failed      // nothing stored, SavedCount unchanged; the next save tries the same rows
    };
    Outcome outcome = Outcome::NothingNew;
    int written = 0;          // rows inserted by this save (rows already stored are skipped)
    bool cleared = false;     // the list grew past 100 rows and was emptied: clear lvPrinterData
    QString logLine;          // "RSSaveComplete" text and the date and time; empty unless Saved
    QString error;            // the database's text when Failed
    bool reconnected = false; // the connection was opened again first: its datasets are closed
};

// Runs on the window thread, on the data module's connection. Every value is bound.
class PrinterDataSaver
{
public:
    // Lists longer than this are emptied after a save.
    static constexpr int MaxListedRows = 100;

    // `journal` may be null (no journal). `clock` gives the log line's time; now when empty.
    PrinterDataSaver(TdmMain &dm, RecordJournal *journal, std::function<QDateTime()> clock = {});

    // Writes list.Rows[SavedCount..] in one transaction (BEGIN IMMEDIATE); a failure part-way
    // stores none of them. When it fails because the connection has been lost (a database server
    // restarted), the connection is opened again and the rows written once more in the same
    // call. After the commit: the journal forgets the rows, the list is emptied when it holds
    // more than 100 rows, SavedCount := the number of rows left.
    SaveResult SavePrinterData(RecordList &list);

private:
    bool writeRows(QSqlDatabase &db, const RecordList &list, QStringList &ids, int &written,
                   QString *error);
    void dropMarkers(const QStringList &ids);
    void foldTotals(QSqlDatabase &db);

    TdmMain &dm_;
    RecordJournal *journal_;
    std::function<QDateTime()> clock_;
    DocumentNameRedactor redactor_; // [Privacy] of Config.ini
};

} // namespace vesk
