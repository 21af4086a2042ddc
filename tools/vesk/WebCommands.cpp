// vesk web user: the accounts that sign in to vesk-web. A password is read from a file or from
// standard input, never from the command line, where other users' `ps` would see it.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "MailAddress.h"
#include "WebAccounts.h"

#include <QFile>

namespace vesk::cli {

namespace {

constexpr int MinPasswordLength = 8;
constexpr int MaxPasswordLength = 1024;

// The first line of the file named by --password-file, else of standard input.
std::optional<QByteArray> readPassword(CommandContext &c, const std::optional<QString> &file)
{
    QFile f;
    bool opened;
    if (file) {
        f.setFileName(*file);
        opened = f.open(QIODevice::ReadOnly);
    } else {
        opened = f.open(stdin, QIODevice::ReadOnly);
    }
    if (!opened) {
        c.fail(QStringLiteral("cannot read the password: ") + f.errorString());
        return std::nullopt;
    }
    const QByteArray password = PasswordFromText(f.read(4 * MaxPasswordLength + 2));
    // The sign-in form sends UTF-8 and at most MaxPasswordLength characters: a password it cannot
    // send would lock the account out.
    if (!password.isValidUtf8()) {
        c.fail(QStringLiteral("the password is not UTF-8 text"));
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(password);
    if (text.toUcs4().size() > MaxPasswordLength) {
        c.fail(
            QStringLiteral("the password must have at most %1 characters").arg(MaxPasswordLength));
        return std::nullopt;
    }
    if (text.trimmed().isEmpty() && !text.isEmpty()) {
        c.fail(QStringLiteral("the password must not be only blanks"));
        return std::nullopt;
    }
    if (text.toUcs4().size() < MinPasswordLength) {
        c.fail(
            QStringLiteral("the password must have at least %1 characters").arg(MinPasswordLength));
        return std::nullopt;
    }
    return password;
}

int changed(CommandContext &c, int rows, const QString &name, const QString &error)
{
    if (rows < 0)
        return c.fail(error);
    if (rows == 0)
        return c.fail(QStringLiteral("no web account named ") + name);
    return ExitOk;
}

// --email's address, checked: an address with a line break or another control character would
// let a stored value add headers to the messages sent to it. `given` false: no --email.
std::optional<QString> emailOption(CommandContext &c, ArgList &args, bool *given)
{
    const std::optional<QString> email = args.takeOption(QStringLiteral("--email"));
    *given = email.has_value();
    if (!email || email->isEmpty())
        return QString();
    if (!IsMailAddress(*email)) {
        c.fail(QStringLiteral("--email takes a plain address (name@domain), without spaces or "
                              "control characters"));
        return std::nullopt;
    }
    return email;
}

int add(CommandContext &c, ArgList &args)
{
    const std::optional<QString> dept = args.takeOption(QStringLiteral("--dept"));
    const bool admin = args.takeFlag(QStringLiteral("--admin"));
    const std::optional<QString> lang = args.takeOption(QStringLiteral("--lang"));
    const std::optional<QString> file = args.takeOption(QStringLiteral("--password-file"));
    bool emailGiven = false;
    const std::optional<QString> email = emailOption(c, args, &emailGiven);
    if (!email)
        return ExitFailed;
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    if (!dept || dept->trimmed().isEmpty()) {
        c.err() << "vesk: name the account's department with --dept DEPT" << Qt::endl;
        return ExitUsage;
    }
    if (lang && *lang != u"en" && *lang != u"cn") {
        c.err() << "vesk: --lang takes en or cn" << Qt::endl;
        return ExitUsage;
    }
    const QString name = names->first().trimmed();
    if (name.isEmpty() || name.size() > 50)
        return c.fail(QStringLiteral("a web account's name has 1 to 50 characters"));
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    const DeptNode *node = findDept(c, *forest, dept->trimmed());
    if (!node)
        return ExitFailed;
    QString error;
    const QSqlDatabase db = c.dm().acntVesk.database();
    if (FindWebAccount(db, name, &error))
        return c.fail(QStringLiteral("a web account named %1 exists already").arg(name));
    if (!error.isEmpty())
        return c.fail(error);
    const std::optional<QByteArray> password = readPassword(c, file);
    if (!password)
        return ExitFailed;
    WebAccount a;
    a.name = name;
    a.passwordHash = HashWebPassword(*password);
    a.dept = node->text;
    a.admin = admin;
    a.lang = lang.value_or(QString());
    a.email = *email;
    if (a.passwordHash.isEmpty())
        return c.fail(QStringLiteral("cannot hash the password"));
    if (!AddWebAccount(db, a, &error))
        return c.fail(error);
    return ExitOk;
}

int passwd(CommandContext &c, ArgList &args)
{
    const std::optional<QString> file = args.takeOption(QStringLiteral("--password-file"));
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    QString error;
    const QSqlDatabase db = c.dm().acntVesk.database();
    const std::optional<WebAccount> account = FindWebAccount(db, names->first(), &error);
    if (!account)
        return c.fail(error.isEmpty() ? QStringLiteral("no web account named ") + names->first()
                                      : error);
    const std::optional<QByteArray> password = readPassword(c, file);
    if (!password)
        return ExitFailed;
    const QString hash = HashWebPassword(*password);
    if (hash.isEmpty())
        return c.fail(QStringLiteral("cannot hash the password"));
    const int rows = SetWebPassword(db, names->first(), hash, &error);
    if (rows > 0 && account->dept.isEmpty())
        c.err() << "vesk: " << names->first()
                << " has no department (it was deleted) and stays disabled; delete the account "
                   "and add it again with --dept"
                << Qt::endl;
    return changed(c, rows, names->first(), error);
}

int set(CommandContext &c, ArgList &args)
{
    bool emailGiven = false;
    const std::optional<QString> email = emailOption(c, args, &emailGiven);
    if (!email)
        return ExitFailed;
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    if (!emailGiven) {
        c.err() << "vesk: web user set NAME --email ADDR" << Qt::endl;
        return ExitUsage;
    }
    QString error;
    return changed(c, SetWebEmail(c.dm().acntVesk.database(), names->first(), *email, &error),
                   names->first(), error);
}

int disable(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    QString error;
    return changed(c, DisableWebAccount(c.dm().acntVesk.database(), names->first(), &error),
                   names->first(), error);
}

int remove(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    QString error;
    return changed(c, DeleteWebAccount(c.dm().acntVesk.database(), names->first(), &error),
                   names->first(), error);
}

int list(CommandContext &c, ArgList &args)
{
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    QString error;
    const auto accounts = ListWebAccounts(c.dm().acntVesk.database(), &error);
    if (!accounts)
        return c.fail(error);
    // One line per account, TAB-separated: name, department, flags, language, last sign-in,
    // e-mail address. An account whose department was deleted has none, and says so.
    for (const WebAccount &a : *accounts) {
        QStringList flags;
        if (a.admin)
            flags << QStringLiteral("admin");
        if (a.disabled)
            flags << QStringLiteral("disabled");
        if (a.dept.isEmpty())
            flags << QStringLiteral("no-department");
        c.out() << a.name << u'\t' << a.dept << u'\t' << flags.join(u',') << u'\t' << a.lang
                << u'\t' << a.lastSignIn << u'\t' << a.email << Qt::endl;
    }
    return ExitOk;
}

int user(CommandContext &c, ArgList &args)
{
    const QStringList all = args.remaining();
    const QString action = all.isEmpty() ? QString() : all.first();
    ArgList rest(all.mid(1));
    if (action == u"add")
        return add(c, rest);
    if (action == u"passwd")
        return passwd(c, rest);
    if (action == u"set")
        return set(c, rest);
    if (action == u"disable")
        return disable(c, rest);
    if (action == u"delete")
        return remove(c, rest);
    if (action == u"list")
        return list(c, rest);
    c.err() << "vesk: web user add, passwd, set, disable, delete or list" << Qt::endl;
    return ExitUsage;
}

} // namespace

void registerWebCommands(CommandRegistry &registry)
{
    registry.add(
        {QStringLiteral("web"), QStringLiteral("user"),
         QStringLiteral("add NAME --dept DEPT [--admin] [--lang en|cn] [--email ADDR] "
                        "[--password-file F] | passwd NAME [--password-file F] | set NAME --email "
                        "ADDR | disable NAME | delete NAME | list"),
         QStringLiteral("manage the accounts that sign in to vesk-web"),
         QStringLiteral(
             "An account sees the print records of its department and every department below\n"
             "it; --admin sees every department. The password is the first line of the file\n"
             "named by --password-file, else of standard input (UTF-8, 8 to 1,024 characters,\n"
             "not only blanks); it is stored only as an Argon2id hash. passwd also enables a\n"
             "disabled account, but not one whose department was deleted (list shows it\n"
             "disabled, no-department).\n"
             "An account's sessions end at their next request once it is disabled or deleted,\n"
             "or its password, department or administrator flag changes.\n"
             "--email gives the address that `vesk mail` sends the account's statements and\n"
             "alerts to (a plain name@domain; set NAME --email '' removes it)."),
         user});
}

} // namespace vesk::cli
