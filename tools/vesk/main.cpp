// vesk: the administration command. Global options, the subcommand, its exit status.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <optional>

using namespace vesk::cli;

namespace {

// The application object the command needs. Painting lays out text with Qt's fonts, which needs a
// QGuiApplication; the offscreen platform gives one without a display (cron, a systemd timer).
// Every other command runs on a QCoreApplication, without a platform plugin.
std::unique_ptr<QCoreApplication> applicationFor(const Subcommand *command, int &argc, char **argv,
                                                 std::optional<QTemporaryDir> &runtimeDir)
{
    if (!command || !command->needsGui)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime folder where the session has none, so cron mail stays free of Qt's warning.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.emplace().isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    CommandRegistry registry;
    registerDeptCommands(registry);
    registerDiscoverCommands(registry);
    registerHostCommands(registry);
    registerReportCommands(registry);
    registerChartCommands(registry);
    registerRedactCommands(registry);
    registerMigrateCommands(registry);
    registerWebCommands(registry);
    registerMailCommands(registry);
    registerTotalsCommands(registry);
    registerPriceCommands(registry);
    registerBudgetCommands(registry);
    registerPaperCommands(registry);

    // The words as the application object would give them, read before it is made: the command
    // decides which one.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    ArgList globals(words);
    const bool help = globals.takeFlag(QStringLiteral("--help"));
    const bool yes = globals.takeFlag(QStringLiteral("--yes"));
    const std::optional<QString> appDir = globals.takeOption(QStringLiteral("--app"));
    // What is left: the group, the name, then the subcommand's own arguments and options.
    const QStringList rest = globals.remaining();
    int used = 0;
    const Subcommand *command = registry.find(rest, &used);
    std::optional<QTemporaryDir> runtimeDir;
    const std::unique_ptr<QCoreApplication> app = applicationFor(
        globals.error().isEmpty() && !help ? command : nullptr, argc, argv, runtimeDir);

    QTextStream out(stdout), err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    if (!globals.error().isEmpty()) {
        err << "vesk: " << globals.error() << Qt::endl;
        return ExitUsage;
    }

    if (help && rest.isEmpty()) {
        out << registry.overview();
        return ExitOk;
    }
    if (!rest.isEmpty() && rest.first() == u"help") {
        if (rest.size() < 2) {
            out << registry.overview();
            return ExitOk;
        }
        if (!registry.hasGroup(rest.at(1))) {
            err << "vesk: no command group " << rest.at(1) << Qt::endl;
            return ExitUsage;
        }
        out << registry.groupHelp(rest.at(1));
        return ExitOk;
    }
    if (!command) {
        if (!rest.isEmpty() && registry.hasGroup(rest.first())) {
            err << registry.groupHelp(rest.first());
        } else {
            err << registry.overview();
        }
        return ExitUsage;
    }
    if (help) {
        out << registry.groupHelp(command->group);
        return ExitOk;
    }

    ArgList args(rest.mid(used));

    CommandContext context(appDir.value_or(QString()), yes);
    if (command->needsDatabase && !context.open())
        return ExitFailed;
    return command->run(context, args);
}
