// Replacing stored document names: settings, the update statement and scrubbing SQLite's file.
#include "DocumentPrivacy.h"

#include "Database.h"
#include "IniFile.h"
#include "SqlText.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vesk {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// Above every "yyyy-mm-dd hh:mm:ss" text.
const QString AfterEveryTime = QStringLiteral("9999-12-31 23:59:59~");
// Records a later run still looks at, before the time of the run before: a save stores rows taken
// in since its predecessor began, and the clock may be set back a little meanwhile.
constexpr int StoreNoneOverlapDays = 1;

const QString Redact =
    QStringLiteral("update tPrinterData set documentName=? where PrintTime>=? and PrintTime<? and "
                   "documentName<>?");

// On PostgreSQL the agent's login may not change print records itself: the owner's function
// does this one change for it (see the schema).
const QString RedactOnServer = QStringLiteral("select vesk_redact_document_names(?, ?)");

bool fail(const QString &text, QString *error)
{
    if (error)
        *error = text;
    return false;
}

bool redactThroughOwner(QSqlDatabase &db, const QString &from, const QString &cutoff)
{
    QSqlQuery q(db);
    q.prepare(RedactOnServer);
    q.addBindValue(from.isNull() ? QStringLiteral("") : from);
    q.addBindValue(cutoff);
    return q.exec();
}

} // namespace

QString RedactedDocumentName()
{
    return QStringLiteral("***");
}

QString ShownDocumentNameSql(const QString &cutoff)
{
    return QStringLiteral("case when PrintTime < %1 then %2 else documentName end")
        .arg(QuotedStr(cutoff), QuotedStr(RedactedDocumentName()));
}

bool ReadDocumentPrivacy(const QString &configFile, DocumentPrivacy &privacy, QString *badKey)
{
    const IniFile ini(configFile, 0);
    const QString section = QStringLiteral("Privacy");
    DocumentPrivacy read;
    const QString days = ini.readString(section, QStringLiteral("KeepDocumentNames"));
    const QString store = ini.readString(section, QStringLiteral("StoreDocumentNames"));
    bool ok = true;
    if (!days.isEmpty()) {
        read.keepDays = days.toInt(&ok);
        if (!ok || read.keepDays < 0)
            return fail(QStringLiteral("KeepDocumentNames"), badKey);
    }
    if (!store.isEmpty()) {
        if (store != u"0" && store != u"1")
            return fail(QStringLiteral("StoreDocumentNames"), badKey);
        read.storeNames = store == u"1";
    }
    privacy = read;
    return true;
}

QString RedactionCutoff(const DocumentPrivacy &privacy, const QDateTime &now)
{
    if (!privacy.storeNames)
        return AfterEveryTime;
    if (privacy.keepDays <= 0)
        return {};
    return QDateTime(now.date().addDays(-privacy.keepDays), QTime(0, 0)).toString(TimeFormat);
}

qint64 RedactDocumentNames(QSqlDatabase &db, const QString &from, const QString &cutoff,
                           QString *error)
{
    // Freed space in a page is zeroed, not left holding the longer old name.
    QString text;
    if (!zeroFreedSpace(db, &text)) {
        fail(text, error);
        return -1;
    }
    if (!beginWrite(db, error))
        return -1;
    QSqlQuery q(db);
    qint64 changed = 0;
    const bool ok = [&] {
        if (!q.prepare(translateStatement(db, Redact)))
            return false;
        const QString fixed = RedactedDocumentName();
        // A null text would be bound as NULL, which no time is after.
        const QString lower = from.isNull() ? QStringLiteral("") : from;
        for (const QString &v : {fixed, lower, cutoff, fixed})
            q.addBindValue(v);
        if (!q.exec())
            return false;
        changed = q.numRowsAffected();
        return true;
    }();
    if (!ok) {
        fail(q.lastError().text(), error);
        q.finish();
        rollbackWrite(db);
        return -1;
    }
    q.finish();
    if (!commitWrite(db, error))
        return -1;
    // The log still holds the pages as they were; copy the new ones home and empty it.
    if (changed > 0)
        flushWriteAheadLog(db);
    return changed;
}

DocumentNameRedactor DocumentNameRedactor::FromAppDir(const QString &appDir)
{
    DocumentPrivacy privacy;
    ReadDocumentPrivacy(QDir(appDir).filePath(QStringLiteral("Config.ini")), privacy);
    return DocumentNameRedactor(privacy);
}

void DocumentNameRedactor::AfterSave(QSqlDatabase &db, const QDateTime &now)
{
    const QString cutoff = RedactionCutoff(privacy_, now);
    if (cutoff.isEmpty() || !db.isOpen())
        return;
    const bool done = engineOf(db) == DbEngine::PostgreSQL
                          ? redactThroughOwner(db, from_, cutoff)
                          : RedactDocumentNames(db, from_, cutoff) >= 0;
    if (!done)
        return; // from_ stays: the next save covers the same records
    from_ = privacy_.storeNames ? cutoff : now.addDays(-StoreNoneOverlapDays).toString(TimeFormat);
}

} // namespace vesk
