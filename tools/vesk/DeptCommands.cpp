// vesk dept: the department tree and its departments, with the console's own rules.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "DeptOperations.h"
#include "DeptTree.h"
#include "Errors.h"

#include <QDateTime>

namespace vesk::cli {

namespace {

int deptTree(CommandContext &c, ArgList &args)
{
    if (!takePositional(c, args, 0, 0))
        return ExitUsage;
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    for (const QString &line : DeptTreeLines(*forest))
        c.out() << line << u'\n';
    return ExitOk;
}

int deptAdd(CommandContext &c, ArgList &args)
{
    const std::optional<QString> under = args.takeOption(QStringLiteral("--under"));
    const std::optional<QStringList> names = takePositional(c, args, 0, 1);
    if (!names)
        return ExitUsage;
    DeptOperations ops(c.dm());
    std::optional<QString> parent;
    if (under) {
        const std::optional<DeptForest> forest = loadTree(c);
        if (!forest)
            return ExitFailed;
        const DeptNode *node = findDept(c, *forest, *under);
        if (!node)
            return ExitFailed;
        parent = node->text;
    }
    QString name;
    if (names->isEmpty()) {
        try {
            name = ops.GetNewDeptName();
        } catch (const VeskError &e) {
            return c.fail(e.message());
        }
    } else {
        name = names->first();
        if (!ops.CheckNewDeptName(QString(), name))
            return ExitFailed;
    }
    if (!ops.AddDept(name, parent))
        return ExitFailed;
    c.out() << name << u'\n';
    return ExitOk;
}

int deptRename(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 2, 2);
    if (!names)
        return ExitUsage;
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    const DeptNode *node = findDept(c, *forest, names->at(0));
    if (!node)
        return ExitFailed;
    return DeptOperations(c.dm()).RenameDept(node->text, names->at(1)) ? ExitOk : ExitFailed;
}

int deptMove(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 2, 2);
    if (!names)
        return ExitUsage;
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    const DeptNode *dragged = findDept(c, *forest, names->at(0));
    if (!dragged)
        return ExitFailed;
    const DeptNode *target = findDept(c, *forest, names->at(1));
    if (!target)
        return ExitFailed;
    if (!CanDropOn(*dragged, *target))
        return c.fail(c.lang(QStringLiteral("RSDeptMoveNo")));
    return DeptOperations(c.dm()).MoveDept(dragged->text, target->text) ? ExitOk : ExitFailed;
}

int deptDelete(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    const std::optional<NodePath> path =
        findNode(*forest, NodeKind::Department, names->first(), true);
    if (!path)
        return c.fail(c.langFilled(QStringLiteral("RSDeptNotExist"), names->first()));
    return DeptOperations(c.dm()).DeleteDept(*forest, *path) ? ExitOk : ExitFailed;
}

int deptShow(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    const std::optional<QString> block =
        DeptOperations(c.dm()).DeptLogBlock(names->first(), QDateTime::currentDateTime());
    if (!block)
        return c.fail(c.langFilled(QStringLiteral("RSDeptNotExist"), names->first()));
    printBlock(c, *block);
    return ExitOk;
}

int deptSet(CommandContext &c, ArgList &args)
{
    const std::optional<QString> name = args.takeOption(QStringLiteral("--name"));
    const std::optional<QString> manager = args.takeOption(QStringLiteral("--manager"));
    const std::optional<QString> tel = args.takeOption(QStringLiteral("--tel"));
    const std::optional<QString> fax = args.takeOption(QStringLiteral("--fax"));
    const std::optional<QString> memo = args.takeOption(QStringLiteral("--memo"));
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    DeptOperations ops(c.dm());
    std::optional<DeptRecord> record = ops.ReadDept(names->first());
    if (!record)
        return ExitFailed;
    const QString oldName = record->Name;
    record->Name = name.value_or(record->Name);
    record->Manager = manager.value_or(record->Manager);
    record->Tel = tel.value_or(record->Tel);
    record->Fax = fax.value_or(record->Fax);
    record->Memo = memo.value_or(record->Memo);
    return ops.SaveDept(oldName, *record) ? ExitOk : ExitFailed;
}

} // namespace

void registerDeptCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("dept");
    registry.add({group,
                  QStringLiteral("tree"),
                  {},
                  QStringLiteral("print the department tree: departments, their computers and "
                                 "the computers' printers"),
                  QStringLiteral("One line per node in tree order, one TAB per level."),
                  deptTree});
    registry.add(
        {group, QStringLiteral("add"), QStringLiteral("[NAME] [--under PARENT]"),
         QStringLiteral("add a department (top-level, or under PARENT); prints its name"),
         QStringLiteral("Without NAME the next free generated name is used. A name that another\n"
                        "department carries, in any letter case, is refused."),
         deptAdd});
    registry.add({group, QStringLiteral("rename"), QStringLiteral("OLD NEW"),
                  QStringLiteral("rename a department and carry the name over"),
                  QStringLiteral("Sub-departments, computers, printers and print records follow "
                                 "the new name,\nall in one transaction. The default department "
                                 "keeps its name; a name that\nanother department carries is "
                                 "refused."),
                  deptRename});
    registry.add({group, QStringLiteral("move"), QStringLiteral("NAME PARENT"),
                  QStringLiteral("move a department under another department"),
                  QStringLiteral("Refused onto itself or onto one of its own sub-departments."),
                  deptMove});
    registry.add({group, QStringLiteral("delete"), QStringLiteral("NAME"),
                  QStringLiteral("delete a department (asks: needs --yes)"),
                  QStringLiteral(
                      "Its computers and sub-departments move to its parent, or, for a top-level\n"
                      "department, to the default department, in one transaction. The default\n"
                      "department cannot be deleted."),
                  deptDelete});
    registry.add({group,
                  QStringLiteral("show"),
                  QStringLiteral("NAME"),
                  QStringLiteral("print the department's log block"),
                  {},
                  deptShow});
    registry.add(
        {group, QStringLiteral("set"),
         QStringLiteral("NAME [--name N] [--manager M] [--tel T] [--fax F] [--memo M]"),
         QStringLiteral("change the department's properties"),
         QStringLiteral("Fields not given keep their values. A new name must be free and is "
                        "carried over\nas by rename; the default department cannot be edited."),
         deptSet});
}

} // namespace vesk::cli
