// vesk host: one computer's row, with the console's own rules.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "DeptTree.h"
#include "Errors.h"
#include "HostOperations.h"

#include <QDateTime>

namespace vesk::cli {

namespace {

// Whether tHost has the computer; a missing one is said.
bool hostExists(CommandContext &c, const QString &host)
{
    try {
        if (c.dm().RecordExists(QStringLiteral("tHost"), QStringLiteral("HostName"), host))
            return true;
    } catch (const VeskError &e) {
        c.fail(e.message());
        return false;
    }
    c.fail(c.langFilled(QStringLiteral("RSComputeNotExist"), host));
    return false;
}

int hostShow(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    const std::optional<QString> block =
        HostOperations(c.dm()).HostLogBlock(names->first(), QDateTime::currentDateTime());
    if (!block)
        return c.fail(c.langFilled(QStringLiteral("RSComputeNotExist"), names->first()));
    printBlock(c, *block);
    return ExitOk;
}

int hostSet(CommandContext &c, ArgList &args)
{
    const std::optional<QString> name = args.takeOption(QStringLiteral("--name"));
    const std::optional<QString> ip = args.takeOption(QStringLiteral("--ip"));
    const std::optional<QString> mac = args.takeOption(QStringLiteral("--mac"));
    const std::optional<QString> workgroup = args.takeOption(QStringLiteral("--workgroup"));
    const std::optional<QString> employee = args.takeOption(QStringLiteral("--employee"));
    const std::optional<QString> tel = args.takeOption(QStringLiteral("--tel"));
    const std::optional<QString> fax = args.takeOption(QStringLiteral("--fax"));
    const std::optional<QString> email = args.takeOption(QStringLiteral("--email"));
    const std::optional<QString> memo = args.takeOption(QStringLiteral("--memo"));
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    HostOperations ops(c.dm());
    std::optional<HostRecord> record = ops.ReadHost(names->first());
    if (!record)
        return ExitFailed;
    const QString oldName = record->HostName;
    record->HostName = name.value_or(record->HostName);
    record->IP = ip.value_or(record->IP);
    record->MAC = mac.value_or(record->MAC);
    record->tNetGroup = workgroup.value_or(record->tNetGroup);
    record->EmName = employee.value_or(record->EmName);
    record->Tel = tel.value_or(record->Tel);
    record->Fax = fax.value_or(record->Fax);
    record->Email = email.value_or(record->Email);
    record->Memo = memo.value_or(record->Memo);
    if (!ops.SaveHost(oldName, *record))
        return ExitFailed;
    c.out() << ops.ModifyComputeLine(record->HostName, QDateTime::currentDateTime()) << u'\n';
    return ExitOk;
}

int hostMove(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 2, 2);
    if (!names)
        return ExitUsage;
    if (!hostExists(c, names->at(0)))
        return ExitFailed;
    const std::optional<DeptForest> forest = loadTree(c);
    if (!forest)
        return ExitFailed;
    const DeptNode *dept = findDept(c, *forest, names->at(1));
    if (!dept)
        return ExitFailed;
    return HostOperations(c.dm()).MoveHost(names->at(0), dept->text) ? ExitOk : ExitFailed;
}

int hostDelete(CommandContext &c, ArgList &args)
{
    const std::optional<QStringList> names = takePositional(c, args, 1, 1);
    if (!names)
        return ExitUsage;
    if (!hostExists(c, names->first()))
        return ExitFailed;
    HostOperations ops(c.dm());
    if (!ops.DeleteHost(names->first()))
        return ExitFailed;
    c.out() << ops.DeleteComputeLine(names->first(), QDateTime::currentDateTime()) << u'\n';
    return ExitOk;
}

} // namespace

void registerHostCommands(CommandRegistry &registry)
{
    const QString group = QStringLiteral("host");
    registry.add({group,
                  QStringLiteral("show"),
                  QStringLiteral("HOST"),
                  QStringLiteral("print the computer's log block"),
                  {},
                  hostShow});
    registry.add({group, QStringLiteral("set"),
                  QStringLiteral("HOST [--name N] [--ip I] [--mac M] [--workgroup W] "
                                 "[--employee E] [--tel T] [--fax F] [--email E] [--memo M]"),
                  QStringLiteral("change the computer's properties"),
                  QStringLiteral("Fields not given keep their values. A new name must be free; "
                                 "the computer's\nprinters follow it, its print records keep the "
                                 "old name."),
                  hostSet});
    registry.add({group,
                  QStringLiteral("move"),
                  QStringLiteral("HOST DEPT"),
                  QStringLiteral("put the computer into a department"),
                  {},
                  hostMove});
    registry.add({group, QStringLiteral("delete"), QStringLiteral("HOST"),
                  QStringLiteral("delete the computer's row (asks: needs --yes)"),
                  QStringLiteral("Its printers and print records stay."), hostDelete});
}

} // namespace vesk::cli
