// The table of subcommands and the help texts built from it.
#include "CommandRegistry.h"

namespace vesk::cli {

void CommandRegistry::add(Subcommand command)
{
    commands_.push_back(std::move(command));
}

const Subcommand *CommandRegistry::find(const QStringList &args, int *used) const
{
    if (args.isEmpty())
        return nullptr;
    const QString group = args.first();
    for (const Subcommand &c : commands_) {
        if (c.group == group && c.name.isEmpty()) {
            *used = 1;
            return &c;
        }
    }
    if (args.size() < 2)
        return nullptr;
    for (const Subcommand &c : commands_) {
        if (c.group == group && c.name == args.at(1)) {
            *used = 2;
            return &c;
        }
    }
    return nullptr;
}

bool CommandRegistry::hasGroup(const QString &group) const
{
    for (const Subcommand &c : commands_) {
        if (c.group == group)
            return true;
    }
    return false;
}

namespace {

QString usageLine(const Subcommand &c)
{
    QString line = QStringLiteral("vesk ") + c.group;
    if (!c.name.isEmpty())
        line += u' ' + c.name;
    if (!c.synopsis.isEmpty())
        line += u' ' + c.synopsis;
    return line;
}

} // namespace

QString CommandRegistry::overview() const
{
    QString text = QStringLiteral(
        "Usage: vesk [--app DIR] [--yes] GROUP COMMAND [ARGUMENTS]\n"
        "       vesk help GROUP\n"
        "\n"
        "Works on the database, Config.ini and language file of an application folder, with the\n"
        "console's own rules. Output is UTF-8 text; errors go to standard error in the\n"
        "configured language.\n"
        "\n"
        "Options:\n"
        "  --app DIR   the application folder (default: the folder of this program)\n"
        "  --yes       answer OK to the questions the console would ask; without it such a\n"
        "              command is refused\n"
        "  --help      this text\n"
        "\n"
        "Exit status: 0 done, 1 refused or failed, 2 usage error.\n"
        "\n"
        "Commands:\n");
    for (const Subcommand &c : commands_)
        text +=
            QStringLiteral("  ") + usageLine(c) + QStringLiteral("\n      ") + c.summary + u'\n';
    return text;
}

QString CommandRegistry::groupHelp(const QString &group) const
{
    QString text;
    for (const Subcommand &c : commands_) {
        if (c.group != group)
            continue;
        text += usageLine(c) + QStringLiteral("\n    ") + c.summary + u'\n';
        if (!c.details.isEmpty()) {
            for (const QString &line : c.details.split(u'\n'))
                text += QStringLiteral("    ") + line + u'\n';
        }
        text += u'\n';
    }
    return text;
}

} // namespace vesk::cli
