// vesk redact: the document names that [Privacy] of Config.ini no longer keeps, replaced now.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "DocumentPrivacy.h"

#include <QDir>

namespace vesk::cli {

namespace {

int redact(CommandContext &c, ArgList &args)
{
    const std::optional<QString> days = args.takeOption(QStringLiteral("--days"));
    const bool all = args.takeFlag(QStringLiteral("--all"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    DocumentPrivacy privacy;
    QString badKey;
    if (!ReadDocumentPrivacy(QDir(c.dm().AppDir()).filePath(QStringLiteral("Config.ini")), privacy,
                             &badKey))
        return c.fail(c.langFilled(QStringLiteral("RSPrivacyBad"), badKey));
    if (days) {
        bool ok = false;
        privacy.keepDays = days->toInt(&ok);
        if (!ok || privacy.keepDays < 1) {
            c.err() << "vesk: --days takes a whole number of days from 1" << Qt::endl;
            return ExitUsage;
        }
    }
    if (all)
        privacy.storeNames = false;
    qint64 changed = 0;
    const QString cutoff = RedactionCutoff(privacy, QDateTime::currentDateTime());
    if (!cutoff.isEmpty()) {
        QSqlDatabase db = c.dm().acntVesk.database();
        QString error;
        changed = RedactDocumentNames(db, QString(), cutoff, &error);
        if (changed < 0)
            return c.fail(error);
    }
    c.out() << c.langFilled(QStringLiteral("RSRedactDone"), QString::number(changed)) << Qt::endl;
    return ExitOk;
}

} // namespace

void registerRedactCommands(CommandRegistry &registry)
{
    registry.add(
        {QStringLiteral("redact"),
         {},
         QStringLiteral("[--days N | --all]"),
         QStringLiteral("replace the document names that Config.ini no longer keeps"),
         QStringLiteral("What the agent does at each save, over every record at once: with "
                        "[Privacy] KeepDocumentNames=N the names of records printed before the day "
                        "N days ago are replaced by ***; with StoreDocumentNames=0 every name is. "
                        "--days N and --all ask for that once, whatever Config.ini says. On the "
                        "embedded database the old names are overwritten in the file itself.\n"
                        "Prints the number of records changed."),
         redact});
}

} // namespace vesk::cli
