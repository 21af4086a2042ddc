// AgentRecords: the agent's print records without widgets: intake, journal, list and save.
#pragma once

#include "ListedRecord.h"
#include "PrinterDataSaver.h"
#include "RecordIntake.h"
#include "RecordJournal.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vesk {

class HostProbe;
class IntakeDesk;
class IntakeThread;
class TdmMain;
struct TPrinterInfo;

// Lives on the window thread; the list, the journal, the tHost look-up and the save run there.
// The monitors hand their jobs to the intake desk (Desk()), which has a thread of its own: the
// sweep's queue listings and the host probe (up to 1.5 s for a computer that does not answer)
// run there while the monitor waits, so the window thread never waits on the network. The desk
// posts each probed job here; one desk thread posting in order keeps the list in hand-over order.
class AgentRecords : public QObject
{
    Q_OBJECT

public:
    // `clock` gives the intake time (local); the current time when empty.
    AgentRecords(TdmMain &dm, HostProbe &probe, std::function<QDateTime()> clock = {},
                 QObject *parent = nullptr);
    ~AgentRecords() override;
    AgentRecords(const AgentRecords &) = delete;
    AgentRecords &operator=(const AgentRecords &) = delete;

    // Lists the rows an earlier run took in but could not store (they are journaled already).
    void ListJournal();

    // The DataWindow and LogWindow of every monitor: receives hand-overs and log lines on the
    // desk thread. Null once the intake has stopped.
    QObject *Desk() const;

    // Takes a hand-over in on the calling (window) thread, probe included.
    void TakeIn(const TPrinterInfo &Info);

    // Writes the unsaved rows; logs the outcome, a failure included.
    SaveResult Save();

    // Ends the desk thread and joins it, then lists what it handed on, so no job arrives after
    // this returns. Stop the monitors first: a hand-over after this is not taken in.
    void StopIntake();

    const RecordList &List() const { return list_; }
    RecordIntake &Intake() { return intake_; }
    RecordJournal &Journal() { return journal_; }

Q_SIGNALS:
    // A row was journaled and appended to the list.
    void rowListed(const ListedRecord &row);
    // A log line: a monitor's, a failed journal write, a save's outcome.
    void logLine(const QString &line);
    // A save emptied the list (more than 100 rows).
    void listCleared();

private:
    friend class IntakeDesk;
    void list(const ListedRecord &row);

    TdmMain &dm_;
    RecordJournal journal_;
    RecordIntake intake_;
    PrinterDataSaver saver_;
    RecordList list_;
    std::unique_ptr<IntakeThread> thread_;
};

} // namespace vesk
