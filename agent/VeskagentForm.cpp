// The agent's main window: start-up, the printer roster, the record list and closing.
#include "VeskagentForm.h"

#include "AgentShell.h"
#include "Catalogue.h"
#include "CharsetFont.h"
#include "CodePage.h"
#include "Errors.h"
#include "Flashform.h"
#include "FolderLock.h"
#include "HostProbe.h"
#include "LumoInfoForm.h"
#include "MainDM.h"
#include "PrinterDataSaver.h"
#include "PrinterForm.h"
#include "PrinterRoster.h"
#include "RecordIntake.h"
#include "RecordJournal.h"
#include "Vesk.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

namespace vesk {

namespace {

constexpr int PixelsPerCaptionChar = 12;
constexpr int FooterHeight = 19;
constexpr int MemLogHeight = 79;
constexpr int PrinterListHeight = 67;

class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TVeskagentFrm::TVeskagentFrm(TdmMain &dm, AgentDeps deps, const QStringList &args, QWidget *parent)
    : TLumoFrm(parent), dm_(dm), deps_(std::move(deps)), args_(args)
{
    setObjectName(QStringLiteral("VeskagentFrm"));
    resize(760, 520);

    QWidget *c = ClientArea();
    lvPrinterData = new QTreeWidget(c);
    lvPrinterData->setObjectName(QStringLiteral("lvPrinterData"));
    lvPrinterData->setRootIsDecorated(false);
    lvPrinterData->setUniformRowHeights(true);
    lvPrinterData->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPrinterData->setContextMenuPolicy(Qt::CustomContextMenu);
    lvPrinterData->installEventFilter(this);

    lvPrinterList = new QListWidget(c);
    lvPrinterList->setObjectName(QStringLiteral("lvPrinterList"));
    lvPrinterList->setViewMode(QListView::ListMode);
    lvPrinterList->setFlow(QListView::LeftToRight);
    lvPrinterList->setWrapping(true);
    lvPrinterList->setMouseTracking(true); // hot tracking
    lvPrinterList->setContextMenuPolicy(Qt::CustomContextMenu);

    MemLog = new QPlainTextEdit(c);
    MemLog->setObjectName(QStringLiteral("MemLog"));
    MemLog->setReadOnly(true);

    plFooter = new QWidget(c);
    plFooter->setObjectName(QStringLiteral("plFooter"));

    popData = new QMenu(this);
    MenuSaveData = popData->addAction(QString());
    MenuShowInfo = popData->addAction(QString());
    PopPrinter = new QMenu(this);
    MenuAddPrinter = PopPrinter->addAction(QString());
    MenuDelPrinter = PopPrinter->addAction(QString());

    connect(MenuSaveData, &QAction::triggered, this, &TVeskagentFrm::MenuSaveDataClick);
    connect(MenuShowInfo, &QAction::triggered, this, &TVeskagentFrm::MenuShowInfoClick);
    connect(MenuAddPrinter, &QAction::triggered, this, &TVeskagentFrm::MenuAddPrinterClick);
    connect(MenuDelPrinter, &QAction::triggered, this, &TVeskagentFrm::MenuDelPrinterClick);
    connect(lvPrinterData, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        popData->popup(lvPrinterData->viewport()->mapToGlobal(at));
    });
    connect(lvPrinterData, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *, int) { MenuShowInfoClick(); });
    connect(lvPrinterList, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        PopPrinterPopup();
        PopPrinter->popup(lvPrinterList->viewport()->mapToGlobal(at));
    });
    connect(lvPrinterList, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!updatingRoster_)
            lvPrinterListMouseDown(item);
    });

    shell_ = new AgentShell(
        dm_, this, [this] { ExitAgent(); }, this);

    FormCreate(args);
}

TVeskagentFrm::~TVeskagentFrm() = default;

void TVeskagentFrm::FormCreate(const QStringList &)
{
    CanMaximize = true;
    CanMinimize = true;
    firstShow_ = true;
    creating_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);

    if (!deps_.Probe) {
        ownProbe_ = std::make_unique<LibVeskProbe>();
        deps_.Probe = ownProbe_.get();
    }

    try {
        if (!LoadAgentSettings(dm_, *this)) {
            // The database is unreachable: the window has been closed; the agent ends.
            abandoned_ = true;
            creating_ = false;
            QApplication::restoreOverrideCursor();
            return;
        }
    } catch (const VeskError &e) {
        // A bad [Font] Charset: the standard error box, and the window without the rest.
        creating_ = false;
        QApplication::restoreOverrideCursor();
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
        return;
    }

    // One agent per folder, before the journal is read: two would share it.
    folderLock_ = std::make_unique<FolderLock>(dm_.AppDir());
    if (!folderLock_->Acquire()) {
        heldElsewhere_ = abandoned_ = true;
        creating_ = false;
        QApplication::restoreOverrideCursor();
        dm_.ShowMsg(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSAgentRunning")),
                                     QDir::toNativeSeparators(dm_.AppDir())),
                    MB_ICONSTOP);
        return;
    }
    journal_ = std::make_unique<RecordJournal>(dm_.AppDir());

    records_ = RecordList{};
    SetLogWindow(this);
    intake_ = std::make_unique<RecordIntake>(dm_, *deps_.Probe);
    saver_ = std::make_unique<PrinterDataSaver>(dm_, journal_.get());

    buildRecordColumns();
    // Rows an earlier run took in but could not store wait for the next save.
    for (const ListedRecord &row : journal_->Pending()) {
        records_.Rows.push_back(row);
        addRecordItem(row);
    }

    RosterHooks hooks;
    hooks.launch = [this](const TMonitorEntry &entry) { return launchMonitor(entry); };
    hooks.log = [this](const QString &line) { SendLog(line); };
    hooks.processMessages = [] { QCoreApplication::processEvents(); };
    hooks.busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    roster_ = std::make_unique<PrinterRoster>(dm_, hooks);

    try {
        for (const RosterItem &item : roster_->ReadPrinterList())
            addRosterItem(item.Name, item.Monitored);
    } catch (const VeskError &e) {
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
    }
    // The table is not written here: a printer that cannot be opened just shows unchecked.
    for (int i = 0; i < lvPrinterList->count(); ++i) {
        QListWidgetItem *item = lvPrinterList->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        const bool started = roster_->StartMonitor(item->text());
        updatingRoster_ = true;
        item->setCheckState(started ? Qt::Checked : Qt::Unchecked);
        updatingRoster_ = false;
    }

    dm_.LangCode = dm_.GetLangString(QStringLiteral("RSLanuage"));
    lblCaption->setText(ProductTitle(dm_.LangCode, dm_.GetLangString(QStringLiteral("RSVersion"))));
    setWindowTitle(lblCaption->text());
    shell_->setTip(lblCaption->text());
    creating_ = false;
}

bool TVeskagentFrm::launchMonitor(const TMonitorEntry &entry)
{
    auto *thread = new TPrinterMonThread(
        deps_.Spooler, deps_.PlatformTest ? deps_.PlatformTest : [] { return Vesk_7() != 0; });
    thread->PrinterName = entry.PrinterName.toStdString();
    thread->Resume = journal_->Mark(entry.PrinterName);
    thread->MissingJobsText = dm_.GetLangString(QStringLiteral("RSJobsMissing"));
    if (!thread->OpenMonitoredPrinter()) {
        delete thread;
        return false;
    }
    // Durable before the thread runs: a killed agent resumes from here.
    if (!journal_->SetMark(entry.PrinterName, *thread->Resume))
        SendLog(journal_->lastError());
    thread->StopEvent = entry.StopEvent;
    thread->IdleEvent = entry.IdleEvent;
    thread->DataWindow = this;
    thread->LogWindow = this;
    thread->SetFreeOnTerminate(true);
    thread->start();
    threads_.emplace_back(thread);
    return true;
}

void TVeskagentFrm::applyListCharset(int charset)
{
    lvPrinterData->setFont(fontWithCharset(lvPrinterData->font(), charset));
    lvPrinterList->setFont(fontWithCharset(lvPrinterList->font(), charset));
}

void TVeskagentFrm::closeAndWait()
{
    close(); // handled before it returns: FormClose finds no monitor list and does nothing
}

void TVeskagentFrm::applyCatalogue(TdmMain &dm)
{
    const auto t = [&dm](const char *key) { return dm.GetLangString(QLatin1String(key)); };
    MenuSaveData->setText(t("RSSaveData"));
    MenuShowInfo->setText(t("RSShowInfo"));
    MenuAddPrinter->setText(t("RSAddPrinter"));
    MenuDelPrinter->setText(t("RSDelPrinter"));
    shell_->applyCatalogue();
}

void TVeskagentFrm::buildRecordColumns()
{
    captions_ = PrinterDataCaptions(dm_);
    // Short captions such as "IP" keep their 12 pixels per character.
    lvPrinterData->header()->setMinimumSectionSize(0);
    lvPrinterData->setColumnCount(static_cast<int>(captions_.size()));
    lvPrinterData->setHeaderLabels(captions_);
    for (int i = 0; i < captions_.size(); ++i)
        lvPrinterData->setColumnWidth(i, PixelsPerCaptionChar *
                                             codePageLength(captions_[i], dm_.FontCharset));
}

void TVeskagentFrm::addRecordItem(const ListedRecord &row)
{
    QStringList cells;
    for (const QString &cell : row.Cells)
        cells << cell;
    lvPrinterData->addTopLevelItem(new QTreeWidgetItem(cells));
}

void TVeskagentFrm::addRosterItem(const QString &name, bool checked)
{
    updatingRoster_ = true;
    auto *item = new QListWidgetItem(name, lvPrinterList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    updatingRoster_ = false;
}

void TVeskagentFrm::guarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const VeskError &e) {
        QApplication::restoreOverrideCursor();
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
    }
}

void TVeskagentFrm::ShowTip(const QString &text)
{
    MemLog->appendPlainText(text);
    if (deps_.LogToStdout) {
        QTextStream out(stdout);
        out << text << Qt::endl;
    }
}

void TVeskagentFrm::FormShow()
{
    TLumoFrm::FormShow();
    if (!firstShow_)
        return;
    firstShow_ = false;
    FormResize();
    // The splash stays up for its time while the loop keeps running (log lines, signals).
    auto *splash = new Tflashfrm(dm_);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    QTimer::singleShot(Tflashfrm::ShowMs, this, [this, splash] {
        splash->close();
        splashDone();
    });
}

void TVeskagentFrm::splashDone()
{
    QApplication::restoreOverrideCursor();
    splashOver_ = true;
    const bool hidden = (!args_.isEmpty() && args_.first().toUpper() == QLatin1String("H")) ||
                        (args_.size() == 1 && args_.first() == QLatin1String("s"));
    if (!hidden)
        return;
    // Into the notification area; where there is none the window stays reachable, minimised.
    if (AgentShell::TrayAvailable())
        PostHide();
    else
        showMinimized();
}

void TVeskagentFrm::FormResize()
{
    TLumoFrm::FormResize();
    if (!lvPrinterData)
        return;
    const QWidget *c = ClientArea();
    const int left = 3;
    const int width = qMax(0, c->width() - 6);
    plFooter->setGeometry(0, c->height() - FooterHeight, c->width(), FooterHeight);
    const int memTop = plFooter->y() - 2 - MemLogHeight;
    MemLog->setGeometry(left, memTop, width, MemLogHeight);
    const int listTop = memTop - MemLogHeight - 2;
    lvPrinterList->setGeometry(left, listTop, width, PrinterListHeight);
    const int dataTop = 3;
    lvPrinterData->setGeometry(left, dataTop, width, qMax(0, listTop - 2 - dataTop));
}

void TVeskagentFrm::ImgMinSizeClick()
{
    TLumoFrm::ImgMinSizeClick();
    shell_->HideWindow();
}

void TVeskagentFrm::lvPrinterListMouseDown(QListWidgetItem *item)
{
    if (!item || !roster_)
        return;
    lvPrinterList->setCurrentItem(item);
    const QString name = item->text();
    const bool nowChecked = item->checkState() == Qt::Checked;
    bool show = nowChecked;
    guarded([&] { show = roster_->CheckBoxChanged(name, nowChecked); });
    // A running monitor shows checked, whatever happened above.
    if (roster_->FindMonitor(name) != -1)
        show = true;
    updatingRoster_ = true;
    item->setCheckState(show ? Qt::Checked : Qt::Unchecked);
    updatingRoster_ = false;
}

void TVeskagentFrm::MenuAddPrinterClick()
{
    if (!roster_)
        return;
    TPrinterFrm dialog(dm_, this);
    dialog.CheckUnique = true;
    if (dialog.exec() == QDialog::Accepted)
        AddRosterPrinter(dialog.PrinterName(), dialog.MonitorChosen());
}

void TVeskagentFrm::AddRosterPrinter(const QString &name, bool monitor)
{
    if (!roster_)
        return;
    guarded([&] {
        const bool monitored = roster_->AddPrinter(name, monitor);
        addRosterItem(name, monitored);
        QListWidgetItem *item = lvPrinterList->item(lvPrinterList->count() - 1);
        lvPrinterList->setCurrentItem(item);
        lvPrinterList->scrollToItem(item);
    });
}

void TVeskagentFrm::PopPrinterPopup()
{
    MenuDelPrinter->setVisible(lvPrinterList->currentItem() != nullptr &&
                               lvPrinterList->currentItem()->isSelected());
}

void TVeskagentFrm::MenuDelPrinterClick()
{
    QListWidgetItem *item = lvPrinterList->currentItem();
    if (!item || !roster_)
        return;
    guarded([&] {
        if (roster_->DeletePrinter(item->text(), item->checkState() == Qt::Checked))
            delete lvPrinterList->takeItem(lvPrinterList->row(item));
    });
}

void TVeskagentFrm::OnRecPrinterData(const TPrinterInfo &Info)
{
    if (!intake_)
        return;
    guarded([&] {
        for (const ListedRecord &row : intake_->OnRecPrinterData(Info)) {
            if (!journal_->Admits(row))
                continue; // handed over once already
            // Durable first: a row on disk survives whatever happens to the window.
            if (!journal_->Append(row))
                SendLog(journal_->lastError());
            records_.Rows.push_back(row);
            addRecordItem(row);
        }
    });
}

void TVeskagentFrm::SavePrinterData()
{
    if (!saver_)
        return;
    const SaveResult r = saver_->SavePrinterData(records_);
    if (r.outcome != SaveResult::Outcome::Saved)
        return; // nothing new, or the database failed: the rows wait for the next occasion
    if (r.cleared)
        lvPrinterData->clear();
    SendLog(r.logLine);
}

void TVeskagentFrm::MenuSaveDataClick()
{
    SavePrinterData();
}

QString TVeskagentFrm::SelectedDetails() const
{
    QTreeWidgetItem *item = lvPrinterData->currentItem();
    if (!item || !item->isSelected())
        return {};
    const int row = lvPrinterData->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(records_.Rows.size()))
        return {};
    return DetailsText(captions_, records_.Rows[static_cast<size_t>(row)]);
}

void TVeskagentFrm::MenuShowInfoClick()
{
    const QString text = SelectedDetails();
    if (text.isEmpty())
        return;
    TLumoInfoFrm info(TdmMain::Program::Agent, this);
    info.SetInfo(text);
    info.exec();
}

bool TVeskagentFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvPrinterData && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            MenuShowInfoClick();
    }
    return TLumoFrm::eventFilter(watched, event);
}

bool TVeskagentFrm::WaitForMonitors(int ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        std::erase_if(threads_, [](const QPointer<TPrinterMonThread> &t) {
            return t.isNull() || t->isFinished();
        });
        if (threads_.empty())
            return true;
        if (clock.elapsed() >= ms)
            return false;
        // A monitor may be sending to this window while it ends: keep handling its calls.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void TVeskagentFrm::ExitAgent()
{
    close();
}

void TVeskagentFrm::FormClose()
{
    if (closed_)
        return;
    if (!roster_) {
        // Start-up ended early: no monitors to stop, no rows to save; the texts stay loaded.
        if (!creating_) {
            closed_ = true;
            Q_EMIT agentClosed();
        }
        return;
    }
    closed_ = true;
    roster_->StopAll();
    roster_.reset();
    SavePrinterData();
    dm_.CloseIniFile();
    Q_EMIT agentClosed();
}

} // namespace vesk
