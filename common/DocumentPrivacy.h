// Document name privacy: [Privacy] of Config.ini and the replacement of stored document names.
#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace vesk {

// What Config.ini asks for. Without a [Privacy] section names are kept for ever.
struct DocumentPrivacy
{
    bool storeNames = true; // StoreDocumentNames=0: no record keeps a name
    int keepDays = 0;       // KeepDocumentNames=N: names of records older than N days go; 0 keeps

    bool active() const { return !storeNames || keepDays > 0; }
};

// The text that takes a document name's place. Language-neutral on purpose: agents with
// different language files write the same text, so a replaced name is recognised by all.
QString RedactedDocumentName();

// Reads [Privacy] from the file. A value that is not a whole number (KeepDocumentNames >= 0,
// StoreDocumentNames 0 or 1) gives false with its key in `badKey`, and `privacy` unchanged.
bool ReadDocumentPrivacy(const QString &configFile, DocumentPrivacy &privacy,
                         QString *badKey = nullptr);

// The PrintTime text before which names are replaced: midnight starting the day `keepDays` days
// before `now`'s, or after every possible time when no names are stored. Empty when inactive.
QString RedactionCutoff(const DocumentPrivacy &privacy, const QDateTime &now);

// The SQL expression of a record's document name as readers outside the console get it: the
// replacement text before `cutoff` (RedactionCutoff, not empty), the name from then on. The
// downloads write it and the web view's history sorts and pages by it.
QString ShownDocumentNameSql(const QString &cutoff);

// Replaces the document names of records with `from` <= PrintTime < `cutoff` by
// RedactedDocumentName(), in one write transaction; every value is bound. On SQLite the
// connection gets secure_delete first, so the old text is overwritten in the file's pages, and
// the write-ahead log is checkpointed and truncated afterwards, so no copy is left there either
// (as far as no other connection still reads an older snapshot). The number of records changed,
// or -1 with the database's text.
qint64 RedactDocumentNames(QSqlDatabase &db, const QString &from, const QString &cutoff,
                           QString *error = nullptr);

// The agent's part: after each committed save, the names that have come due since the last run.
// The first run of a process looks at every record; later runs only at the times that can hold
// new work, so a save over a million records stays cheap. Window thread, the agent's connection.
class DocumentNameRedactor
{
public:
    explicit DocumentNameRedactor(DocumentPrivacy privacy) : privacy_(privacy) {}
    // From the application folder's Config.ini; a bad value leaves names alone (vesk redact
    // reports it).
    static DocumentNameRedactor FromAppDir(const QString &appDir);

    // Runs when the settings ask for it; a failure is retried at the next save. On PostgreSQL
    // through the owner's function vesk_redact_document_names, since the agent's own login may
    // not change print records.
    void AfterSave(QSqlDatabase &db, const QDateTime &now = QDateTime::currentDateTime());

private:
    DocumentPrivacy privacy_;
    QString from_; // records before this time were done by an earlier run
};

} // namespace vesk
