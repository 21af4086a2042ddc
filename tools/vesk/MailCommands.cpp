// vesk mail: the monthly statements by e-mail, and a test message for the mail path, over [Mail]
// of Config.ini. Exit 0 when the server accepted every message, 1 when it did not accept one (a
// line each on standard error; the others are still sent).
#include "Alerts.h"
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "DocumentPrivacy.h"
#include "MailAddress.h"
#include "MailOutlet.h"
#include "MailSender.h"
#include "MailSettings.h"
#include "Statement.h"
#include "WebAccounts.h"
#include "WebApp.h"

#include <QDir>

namespace vesk::cli {

namespace {

QString configFile(CommandContext &c)
{
    return QDir(c.dm().AppDir()).filePath(QStringLiteral("Config.ini"));
}

// [Mail], checked. A dry run sends nothing, so it also goes without one.
std::optional<MailSettings> settingsFor(CommandContext &c, bool dryRun)
{
    QString error;
    std::optional<MailSettings> s = ReadMailSettings(configFile(c), &error);
    if (!s && dryRun) {
        s.emplace();
        s->from = QStringLiteral("vesk@localhost");
    }
    if (!s)
        c.fail(error);
    return s;
}

int finish(CommandContext &c, const MailOutlet &outlet)
{
    for (const QString &line : outlet.Delivered())
        c.out() << line << Qt::endl;
    for (const QString &line : outlet.Failures())
        c.err() << "vesk: " << line << Qt::endl;
    return outlet.Failures().isEmpty() ? ExitOk : ExitFailed;
}

// What a run of statements or alerts needs, read once before its first message.
struct MailRun
{
    LangLookup english, chinese;
    Currency currency;
    std::vector<WebAccount> accounts;
    std::optional<MailOutlet> outlet;
};

// The dry run's folder, [Mail], the catalogues, the currency and the accounts; nullopt after the
// failure was told.
std::optional<MailRun> openMailRun(CommandContext &c, const std::optional<QString> &dryRun)
{
    if (dryRun && !QDir(*dryRun).exists()) {
        c.fail(QStringLiteral("no folder ") + *dryRun);
        return std::nullopt;
    }
    const std::optional<MailSettings> settings = settingsFor(c, dryRun.has_value());
    if (!settings)
        return std::nullopt;
    QString error;
    auto accounts = ListWebAccounts(c.dm().acntVesk.database(), &error);
    if (!accounts) {
        c.fail(error);
        return std::nullopt;
    }
    const QDir app(c.dm().AppDir());
    MailRun run{web::CatalogueFromFile(app.filePath(QStringLiteral("English.ini")), 0),
                web::CatalogueFromFile(app.filePath(QStringLiteral("Chinese.ini")), 134),
                ReadCurrency(c.dm().AppDir()), std::move(*accounts), std::nullopt};
    run.outlet.emplace(*settings, dryRun.value_or(QString()));
    return run;
}

int statements(CommandContext &c, ArgList &args)
{
    const std::optional<QString> monthText = args.takeOption(QStringLiteral("--month"));
    const bool again = args.takeFlag(QStringLiteral("--again"));
    const std::optional<QString> dryRun = args.takeOption(QStringLiteral("--dry-run"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    const std::optional<QDate> month =
        monthText ? StatementMonth(*monthText, QDate::currentDate()) : std::nullopt;
    if (!month) {
        c.err() << "vesk: name the month with --month YYYY-MM or --month last" << Qt::endl;
        return ExitUsage;
    }
    std::optional<MailRun> run = openMailRun(c, dryRun);
    if (!run)
        return ExitFailed;
    DocumentPrivacy privacy;
    QString badKey;
    if (!ReadDocumentPrivacy(configFile(c), privacy, &badKey))
        return c.fail(QStringLiteral("Config.ini: [Privacy] %1 is not valid").arg(badKey));
    MailOutlet &outlet = *run->outlet;
    const QSqlDatabase db = c.dm().acntVesk.database();
    QString error;
    for (const WebAccount &a : run->accounts) {
        if (a.disabled || a.email.isEmpty())
            continue;
        const MailKey key{a.name, QStringLiteral("statement"),
                          month->toString(QStringLiteral("yyyy-MM")), QString()};
        if (!again) {
            const std::optional<bool> sent = WasMailed(db, key, &error);
            if (!sent) {
                outlet.Fail(key, error);
                continue;
            }
            if (*sent)
                continue;
        }
        const std::optional<MailMessage> m =
            ComposeStatement(db, a, *month, AccountLang(a, run->english, run->chinese), privacy,
                             run->currency, &error);
        if (!m) {
            outlet.Fail(key, error);
            continue;
        }
        outlet.Deliver(db, key, *m);
    }
    return finish(c, outlet);
}

int alerts(CommandContext &c, ArgList &args)
{
    const std::optional<QString> dryRun = args.takeOption(QStringLiteral("--dry-run"));
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    std::optional<MailRun> run = openMailRun(c, dryRun);
    if (!run)
        return ExitFailed;
    SendAlerts(c.dm().acntVesk.database(), run->accounts,
               {run->english, run->chinese, run->currency, QDate::currentDate()}, *run->outlet);
    return finish(c, *run->outlet);
}

int test(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> to = takePositional(c, args, 1, 1);
    if (!to)
        return ExitUsage;
    if (!IsMailAddress(to->first()))
        return c.fail(QStringLiteral("not a plain address (name@domain)"));
    const std::optional<MailSettings> settings = settingsFor(c, false);
    if (!settings)
        return ExitFailed;
    MailMessage m;
    m.to = to->first();
    m.subject = c.lang(QStringLiteral("RSMailTestSubject"));
    m.text = c.lang(QStringLiteral("RSMailTestText")) + u'\n';
    QString error;
    if (!MailSender(*settings).Send(m, &error))
        return c.fail(
            QStringLiteral("the test message to %1 was not accepted: %2").arg(m.to, error));
    c.out() << "accepted by " << settings->host << ':' << settings->port << Qt::endl;
    return ExitOk;
}

const QString MailHelp = QStringLiteral(
    "Messages go through the server of [Mail] in Config.ini:\n"
    "  Server=HOST:PORT  Security=starttls|tls|none (none only to a loopback address)\n"
    "  User=NAME  PasswordFile=FILE (its first line; never the password in Config.ini)\n"
    "  From=ADDR  CAFile=FILE (optional; the server's certificate is always verified)\n"
    "Exit 0 when the server accepted every message, 1 when it did not accept one (a line each\n"
    "on standard error; the others are still sent).");

} // namespace

void registerMailCommands(CommandRegistry &registry)
{
    registry.add(
        {QStringLiteral("mail"), QStringLiteral("statements"),
         QStringLiteral("--month YYYY-MM|last [--again] [--dry-run DIR]"),
         QStringLiteral("mail each web account its monthly statement"),
         QStringLiteral(
             "One message to every enabled web account with an address (vesk web user set NAME\n"
             "--email ADDR), for its scope as the web view gives it (an administrator: every\n"
             "department): the month's figures, top printers, computers and employees, with\n"
             "the grouped report (PDF) and the month's history (workbook) attached, in the\n"
             "account's language. A statement the server accepted is recorded and not sent\n"
             "again, unless --again; one it did not accept is sent at the next run.\n"
             "--dry-run DIR writes each message to DIR as an .eml file instead, and records\n"
             "nothing.\n") +
             MailHelp,
         statements,
         /*needsDatabase=*/true,
         /*needsGui=*/true});
    registry.add(
        {QStringLiteral("mail"), QStringLiteral("alerts"), QStringLiteral("[--dry-run DIR]"),
         QStringLiteral("mail the budget and paper alerts that are due"),
         QStringLiteral(
             "A department whose spending this month reaches 80 % and then 100 % of its budget:\n"
             "one message per threshold and month to the enabled web accounts of that\n"
             "department with an address and to the administrators (both thresholds passed at\n"
             "once: the 100 % message alone). A paper below its minimum stock: one message to\n"
             "the administrators, again only after it has been back at its minimum and falls\n"
             "below once more. What the server accepted is recorded; what it did not accept is\n"
             "sent at the next run (vesk-alerts.timer runs this every 15 minutes).\n"
             "--dry-run DIR writes each message to DIR as an .eml file instead, and records\n"
             "nothing.\n") +
             MailHelp,
         alerts, /*needsDatabase=*/true});
    registry.add({QStringLiteral("mail"), QStringLiteral("test"), QStringLiteral("ADDR"),
                  QStringLiteral("send one short message: is the mail path right?"), MailHelp,
                  test});
}

} // namespace vesk::cli
