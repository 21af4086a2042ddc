// The printer roster: reading tPrinter, starting and stopping monitors, adding and deleting
// printers.
#include "PrinterRoster.h"

#include "Database.h"
#include "Errors.h"
#include "MainDM.h"
#include "PrinterDataSaver.h"
#include "SqlText.h"
#include "WaitEvent.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vesk {

PrinterRoster::PrinterRoster(TdmMain &dm, RosterHooks hooks) : dm_(dm), hooks_(std::move(hooks)) {}

PrinterRoster::~PrinterRoster() = default;

void PrinterRoster::log(const QString &line) const
{
    if (hooks_.log)
        hooks_.log(line);
}

void PrinterRoster::busy(bool on) const
{
    if (hooks_.busy)
        hooks_.busy(on);
}

void PrinterRoster::exec(const QString &statement)
{
    QSqlDatabase db = dm_.acntVesk.database();
    QSqlQuery q(db);
    if (!q.exec(translateStatement(db, statement)))
        throw VeskError(q.lastError().text());
}

std::vector<RosterItem> PrinterRoster::ReadPrinterList()
{
    busy(true);
    log(dm_.GetLangString(QStringLiteral("RSReadPrinterList")));
    std::vector<RosterItem> items;
    TDataset &ds = *dm_.aqryPrinter;
    ds.Close();
    QString error;
    if (!ds.Open(&error)) {
        busy(false);
        throw VeskError(error);
    }
    PagedQueryModel *m = ds.model();
    while (m->canFetchMore())
        m->fetchMore();
    const int nameCol = ds.columnOf(QStringLiteral("Name"));
    const int monitorCol = ds.columnOf(QStringLiteral("IsMonitor"));
    for (int row = 0; row < m->rowCount(); ++row) {
        const QSqlRecord r = m->record(row);
        items.push_back({r.value(nameCol).toString(), r.value(monitorCol).toInt() == 1});
    }
    busy(false);
    log(dm_.GetLangString(QStringLiteral("RSReadPrinterListFinish")));
    return items;
}

bool PrinterRoster::StartMonitor(const QString &name)
{
    busy(true);
    TMonitorEntry entry{name, std::make_shared<WaitEvent>(), std::make_shared<WaitEvent>()};
    const bool started = !name.isEmpty() && hooks_.launch && hooks_.launch(entry);
    if (!started) {
        busy(false);
        log(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSMonitorErr")), name));
        return false;
    }
    monitors_.push_back(std::move(entry));
    busy(false);
    log(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSMonitorSuccess")), name));
    return true;
}

int PrinterRoster::FindMonitor(const QString &name) const
{
    for (int i = static_cast<int>(monitors_.size()) - 1; i >= 0; --i) {
        if (monitors_[static_cast<size_t>(i)].PrinterName == name)
            return i;
    }
    return -1;
}

void PrinterRoster::stopMonitor(int index)
{
    // The thread keeps its own references to the events, so freeing ours cannot pull them from
    // under a wait; it ends on its own once it sees the stop, and its owner joins it. Nothing
    // here runs the window's messages, so no close can slip in while this is on the stack.
    TMonitorEntry entry = std::move(monitors_[static_cast<size_t>(index)]);
    monitors_.erase(monitors_.begin() + index);
    entry.StopEvent->set();
}

bool PrinterRoster::CheckBoxChanged(const QString &name, bool nowChecked)
{
    const int index = FindMonitor(name);
    if (index != -1 && !nowChecked) {
        const QString question =
            TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSAskEndMonitor")), name);
        if (dm_.AskOkCancel(question, MB_ICONQUESTION) == IDOK) {
            stopMonitor(index);
            log(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSEndMonitor")), name) +
                QStringLiteral("  ") + LogDateTime(QDateTime::currentDateTime()));
            exec(QStringLiteral("update tprinter set IsMonitor=0 where  name=") + QuotedStr(name));
        }
    } else if (index == -1 && nowChecked) {
        if (StartMonitor(name))
            exec(QStringLiteral("update tprinter set IsMonitor=1 where  name=") + QuotedStr(name));
        else
            nowChecked = false;
    }
    // A running monitor always shows checked, also after a cancelled stop.
    return FindMonitor(name) != -1 ? true : nowChecked;
}

bool PrinterRoster::AddPrinter(const QString &name, bool monitor)
{
    const bool monitored = monitor && StartMonitor(name);
    try {
        exec(QStringLiteral("Insert into tPrinter(Name,IsMonitor) Values(") + QuotedStr(name) +
             QStringLiteral(",") + (monitored ? QStringLiteral("1") : QStringLiteral("0")) +
             QStringLiteral(")"));
    } catch (...) {
        // A monitor without its row would keep running unseen by the console: stop it again.
        if (monitored)
            stopMonitor(FindMonitor(name));
        throw;
    }
    return monitored;
}

bool PrinterRoster::DeletePrinter(const QString &name, bool checked)
{
    if (checked) {
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSMonitorPrinterNoDel")), MB_ICONEXCLAMATION);
        return false;
    }
    exec(QStringLiteral("delete from tPrinter where Name=") + QuotedStr(name));
    return true;
}

void PrinterRoster::StopAll()
{
    while (!monitors_.empty())
        stopMonitor(0);
}

} // namespace vesk
