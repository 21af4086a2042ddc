// Opening an application folder for the command with the console's settings routine.
#include "CommandContext.h"

#include "DeptTree.h"
#include "Errors.h"
#include "MessageFlags.h"
#include "SettingsRoutines.h"
#include "SpreadsheetExport.h"

namespace vesk::cli {

namespace {

// The console's settings routine with nothing to caption: a failed connection is remembered.
class CommandSettings : public ConsoleSettingsTarget
{
public:
    bool failed = false;
    void setForceClose() override { failed = true; }
    void postClose() override {}
    void setProductCaption(const QString &) override {}
    void applyCatalogue(TdmMain &) override {}
};

} // namespace

int CommandPresenter::present(const QString &, const QString &text, unsigned style)
{
    if ((style & MB_BUTTONMASK) == MB_OKCANCEL) {
        if (yes_)
            return IDOK;
        err_ << text << u'\n' << refusal_ << Qt::endl;
        return IDCANCEL;
    }
    err_ << text << Qt::endl;
    return IDOK;
}

CommandContext::CommandContext(const QString &appDir, bool yes)
    : out_(stdout), err_(stderr), yes_(yes),
      dm_(std::make_unique<TdmMain>(TdmMain::Program::Console, appDir)),
      presenter_(std::make_unique<CommandPresenter>(err_, yes, QString()))
{
    out_.setEncoding(QStringConverter::Utf8);
    err_.setEncoding(QStringConverter::Utf8);
    dm_->setMessagePresenter(presenter_.get());
}

CommandContext::~CommandContext()
{
    out_.flush();
    err_.flush();
}

bool CommandContext::open()
{
    CommandSettings settings;
    try {
        if (!LoadConsoleSettings(*dm_, settings) || settings.failed)
            return false;
    } catch (const VeskError &e) {
        err_ << e.message() << Qt::endl;
        return false;
    }
    presenter_->setRefusal(lang(QStringLiteral("RSNeedYes")));
    return true;
}

bool CommandContext::openCatalogue()
{
    TdmMain &dm = *dm_;
    dm.OpenConfigFile();
    dm.acntVesk.ConnectionString =
        dm.ReadIniString(QStringLiteral("Connection"), QStringLiteral("Constr"));
    try {
        dm.FontCharset =
            StrToInt(dm.ReadIniString(QStringLiteral("Font"), QStringLiteral("Charset")));
    } catch (const VeskError &e) {
        err_ << e.message() << Qt::endl;
        return false;
    }
    dm.LangFileName = dm.ReadIniString(QStringLiteral("Language"), QStringLiteral("FileName"));
    dm.CloseIniFile();
    dm.OpenIniFile(dm.AppDir() + dm.LangFileName);
    presenter_->setRefusal(lang(QStringLiteral("RSNeedYes")));
    return true;
}

int CommandContext::fail(const QString &text)
{
    err_ << text << Qt::endl;
    return ExitFailed;
}

QString CommandContext::langFilled(const QString &key, const QString &value) const
{
    return TdmMain::FillMsg(lang(key), value);
}

std::optional<QStringList> takePositional(CommandContext &c, ArgList &args, int min, int max)
{
    const QStringList positional = args.positional();
    QString error = args.error();
    if (error.isEmpty() && positional.size() < min)
        error = QStringLiteral("missing argument");
    if (error.isEmpty() && positional.size() > max)
        error = QStringLiteral("unexpected argument ") + positional.at(max);
    if (error.isEmpty())
        return positional;
    c.err() << "vesk: " << error << " (see vesk --help)" << Qt::endl;
    return std::nullopt;
}

std::optional<DeptForest> loadTree(CommandContext &c)
{
    try {
        return LoadDeptTree(c.dm().acntVesk.database());
    } catch (const VeskError &e) {
        c.fail(e.message());
        return std::nullopt;
    }
}

const DeptNode *findDept(CommandContext &c, const DeptForest &forest, const QString &name)
{
    const std::optional<NodePath> path = findNode(forest, NodeKind::Department, name, true);
    if (path)
        return nodeAt(forest, *path);
    c.fail(c.langFilled(QStringLiteral("RSDeptNotExist"), name));
    return nullptr;
}

QString csvRows(const std::vector<QStringList> &rows)
{
    QString out;
    for (const QStringList &r : rows) {
        QStringList fields;
        for (const QString &f : r)
            fields << CsvTextField(f);
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

void printBlock(CommandContext &c, const QString &block)
{
    QString text = block;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    c.out() << text;
}

} // namespace vesk::cli
