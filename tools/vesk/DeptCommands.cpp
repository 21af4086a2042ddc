// vesk dept: the department tree and its departments, with the console's own rules.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "DeptTree.h"
#include "Errors.h"

namespace vesk::cli {

namespace {

// Usage errors of a subcommand: its own arguments were not what it takes.
int usage(CommandContext &c, ArgList &args, const QString &text)
{
    c.err() << "vesk: " << (args.error().isEmpty() ? text : args.error()) << Qt::endl;
    return ExitUsage;
}

int deptTree(CommandContext &c, ArgList &args)
{
    if (!args.positional().isEmpty() || !args.error().isEmpty())
        return usage(c, args, QStringLiteral("dept tree takes no arguments"));
    try {
        const DeptForest forest = LoadDeptTree(c.dm().acntVesk.database());
        for (const QString &line : DeptTreeLines(forest))
            c.out() << line << u'\n';
    } catch (const VeskError &e) {
        return c.fail(e.message());
    }
    return ExitOk;
}

} // namespace

void registerDeptCommands(CommandRegistry &registry)
{
    registry.add({QStringLiteral("dept"),
                  QStringLiteral("tree"),
                  {},
                  QStringLiteral("print the department tree: departments, their computers and "
                                 "the computers' printers"),
                  QStringLiteral("One line per node in tree order, one TAB per level."),
                  deptTree});
}

} // namespace vesk::cli
