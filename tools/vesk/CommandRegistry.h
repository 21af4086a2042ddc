// The subcommands of vesk by group and name, with the texts of "vesk --help" and "vesk help".
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vesk::cli {

class ArgList;
class CommandContext;

enum ExitCode : int
{
    ExitOk = 0,
    ExitFailed = 1, // refused or failed
    ExitUsage = 2,
};

struct Subcommand
{
    QString group;    // "dept"
    QString name;     // "rename"; empty for a group that is one command
    QString synopsis; // the arguments after group and name: "OLD NEW"
    QString summary;  // one line for the overview
    QString details;  // the rest of "vesk help GROUP", may be empty
    // Runs with the opened context; the arguments after group and name.
    std::function<int(CommandContext &, ArgList &)> run;
    // False for a command that opens its databases itself (migrate, which must only read the
    // folder's).
    bool needsDatabase = true;
    // True for a command that paints (a report's text layout, the chart): it runs on a
    // QGuiApplication, every other on a QCoreApplication.
    bool needsGui = false;
};

class CommandRegistry
{
public:
    void add(Subcommand command);

    // The command that `args` (group, then name) names; `used` is how many words it took.
    const Subcommand *find(const QStringList &args, int *used) const;
    bool hasGroup(const QString &group) const;

    // "vesk --help": usage, global options and one line per subcommand.
    QString overview() const;
    // "vesk help GROUP": every subcommand of the group with its details.
    QString groupHelp(const QString &group) const;

private:
    std::vector<Subcommand> commands_;
};

// Each group's file registers its subcommands; main calls every one of these.
void registerDeptCommands(CommandRegistry &registry);
void registerDiscoverCommands(CommandRegistry &registry);
void registerHostCommands(CommandRegistry &registry);
void registerReportCommands(CommandRegistry &registry);
void registerChartCommands(CommandRegistry &registry);
void registerRedactCommands(CommandRegistry &registry);
void registerMigrateCommands(CommandRegistry &registry);
void registerWebCommands(CommandRegistry &registry);
void registerMailCommands(CommandRegistry &registry);
void registerTotalsCommands(CommandRegistry &registry);
void registerPriceCommands(CommandRegistry &registry);
void registerBudgetCommands(CommandRegistry &registry);
void registerPaperCommands(CommandRegistry &registry);

// vesk report --chart: the console's trend chart of a history search as a PNG file.
int reportChart(CommandContext &c, ArgList &args);

} // namespace vesk::cli
