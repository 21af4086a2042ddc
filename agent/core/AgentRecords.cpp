// The agent's records: the intake desk on its own thread, the list, the journal and the save.
#include "AgentRecords.h"

#include "Dataset.h"
#include "FolderLock.h"
#include "JobRecords.h"
#include "MainDM.h"
#include "PrinterMonThread.h"
#include "ThreadCheck.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QThread>

namespace vesk {

// Receives the monitors' hand-overs and log lines on the desk thread. A hand-over is probed here
// while its monitor waits (the record is cleared once the call returns), then posted, copied, to
// the records on the window thread.
class IntakeDesk : public QObject, public TRecPrinterDataReceiver, public ShowTipReceiver
{
public:
    IntakeDesk(AgentRecords &records, RecordIntake &intake) : records_(records), intake_(intake) {}

    void OnRecPrinterData(const TPrinterInfo &Info) override
    {
        const auto count = std::min<size_t>(Info.Count > 0 ? static_cast<size_t>(Info.Count) : 0,
                                            Info.Jobs.size());
        for (size_t i = 0; i < count; ++i) {
            ProbedJob probed = intake_.ProbeJob(Info.Jobs[i]);
            AgentRecords *records = &records_;
            PostWindowMessage(records, [records, name = Info.PrinterName, id = Info.Jobs[i].JobId,
                                        mark = Info.Mark, probed = std::move(probed)] {
                ListedRecord row = records->intake_.TakeProbed(name, probed);
                row.JobId = id;
                row.Mark = mark;
                records->list(row);
            });
        }
    }

    void ShowTip(const QString &Line) override
    {
        AgentRecords *records = &records_;
        PostWindowMessage(records, [records, Line] { Q_EMIT records->logLine(Line); });
    }

private:
    AgentRecords &records_;
    RecordIntake &intake_;
};

// The desk's thread: runs its event loop until asked to quit, then hands the desk back to the
// thread that owns this object, so the owner destroys it there.
class IntakeThread : public QThread
{
public:
    IntakeThread(AgentRecords &records, RecordIntake &intake)
        : desk_(records, intake), home_(QThread::currentThread())
    {
        desk_.moveToThread(this);
    }
    ~IntakeThread() override
    {
        quit();
        wait();
        HandOffAcquire(this);
    }
    IntakeDesk *desk() { return &desk_; }

protected:
    void run() override
    {
        exec();
        desk_.moveToThread(home_);
        HandOffRelease(this);
    }

private:
    IntakeDesk desk_;
    QThread *home_;
};

AgentRecords::AgentRecords(TdmMain &dm, HostProbe &probe, std::function<QDateTime()> clock,
                           QObject *parent)
    : QObject(parent), dm_(dm), journal_(AgentStateFolder(dm.AppDir())),
      intake_(dm, probe, std::move(clock)), saver_(dm, &journal_),
      thread_(std::make_unique<IntakeThread>(*this, intake_))
{
    thread_->setObjectName(QStringLiteral("intake"));
    thread_->start();
}

AgentRecords::~AgentRecords()
{
    StopIntake();
}

QObject *AgentRecords::Desk() const
{
    return thread_ ? thread_->desk() : nullptr;
}

void AgentRecords::ListJournal()
{
    for (const ListedRecord &row : journal_.Pending()) {
        list_.Rows.push_back(row);
        Q_EMIT rowListed(row);
    }
}

void AgentRecords::list(const ListedRecord &row)
{
    if (!journal_.Admits(row))
        return; // handed over once already
    // Durable first: a row on disk survives whatever happens to the window.
    if (!journal_.Append(row))
        Q_EMIT logLine(journal_.lastError());
    list_.Rows.push_back(row);
    Q_EMIT rowListed(row);
}

void AgentRecords::TakeIn(const TPrinterInfo &Info)
{
    for (const ListedRecord &row : intake_.OnRecPrinterData(Info))
        list(row);
}

SaveResult AgentRecords::Save()
{
    const SaveResult r = saver_.SavePrinterData(list_);
    // The connection was opened again: the computer table is read again on it.
    if (r.reconnected && dm_.aqryHost)
        dm_.aqryHost->Open();
    switch (r.outcome) {
    case SaveResult::Outcome::NothingNew:
        break;
    case SaveResult::Outcome::Saved:
        if (r.cleared)
            Q_EMIT listCleared();
        Q_EMIT logLine(r.logLine);
        break;
    case SaveResult::Outcome::Failed:
        // The rows stay listed and journaled; the next save tries them again.
        Q_EMIT logLine(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSSaveErr")), r.error));
        break;
    }
    return r;
}

void AgentRecords::StopIntake()
{
    if (!thread_)
        return;
    thread_->quit();
    thread_->wait();
    thread_.reset();
    // What the desk posted before it ended is listed now, in order.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace vesk
