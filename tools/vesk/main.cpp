// vesk: the administration command. Global options, the subcommand, its exit status.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <optional>

using namespace vesk::cli;

int main(int argc, char **argv)
{
    // Reports lay out text with Qt's fonts and charts draw through the widgets' graphics scene,
    // which need an application object; the offscreen platform gives one without a display (cron,
    // a systemd timer).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime folder where the session has none, so cron mail stays free of Qt's warning.
    std::optional<QTemporaryDir> runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeDir.emplace().isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    QApplication app(argc, argv);
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

    QTextStream out(stdout), err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    ArgList globals(app.arguments().mid(1));
    const bool help = globals.takeFlag(QStringLiteral("--help"));
    const bool yes = globals.takeFlag(QStringLiteral("--yes"));
    const std::optional<QString> appDir = globals.takeOption(QStringLiteral("--app"));
    if (!globals.error().isEmpty()) {
        err << "vesk: " << globals.error() << Qt::endl;
        return ExitUsage;
    }
    // What is left: the group, the name, then the subcommand's own arguments and options.
    const QStringList rest = globals.remaining();

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
    int used = 0;
    const Subcommand *command = registry.find(rest, &used);
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
