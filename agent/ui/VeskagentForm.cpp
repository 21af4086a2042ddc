// The agent's main window: start-up, the printer roster, the record list and closing.
//
// Design notes: the agent's lifecycle
// -----------------------------------
// Stages (stage_):
//   Creating  --(settings fail: no database, bad Charset)-->  Abandoned (nothing runs; a close
//                                                              only reports agentClosed)
//   Creating  --(records, monitors, roster started)-->        Running
//   Running   --(FormClose: tray Exit, SIGTERM, close box)--> Closed
// A close that arrives while a command waits in a nested loop (the "stop monitoring?" question,
// the add-printer dialog, a message box) is refused and remembered (closePending_): the open box
// is closed, the command finishes with the objects it is using, and the close is posted again.
//
// Who owns what:
//   - AgentRecords (window thread) owns the journal, the list, the save and the intake desk's
//     thread; the monitors hand over and log to the desk, never to this window, so the window
//     thread can join them without waiting for itself.
//   - MonitorSet owns the monitor threads; PrinterRoster owns the entries and their events.
// Closing, in this order: every stop event set (roster), every monitor joined (MonitorSet), the
// desk joined and what it handed on listed (AgentRecords::StopIntake), the rows saved, and only
// then the language file released: every row is taken in with its catalogue texts.
#include "VeskagentForm.h"

#include "AgentRecords.h"
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
#include "MonitorSet.h"
#include "PrinterForm.h"
#include "PrinterRoster.h"
#include "RecordIntake.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

#include <cstring>

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
    // As designed: minimised, and no task-bar entry where the notification area holds the icon.
    if (AgentShell::TrayAvailable())
        setWindowFlag(Qt::Tool, true);
    setWindowState(windowState() | Qt::WindowMinimized);

    FormCreate(args);
}

TVeskagentFrm::~TVeskagentFrm()
{
    // Monitors first (they hand over to the desk), then the records; nothing reaches the
    // half-destroyed window meanwhile.
    if (records_)
        records_->disconnect(this);
    monitors_.reset();
    records_.reset();
}

void TVeskagentFrm::FormCreate(const QStringList &)
{
    CanMaximize = true;
    CanMinimize = true;
    firstShow_ = true;
    stage_ = Stage::Creating;
    QApplication::setOverrideCursor(Qt::WaitCursor);

    if (!deps_.Probe) {
        ownProbe_ = std::make_unique<LibVeskProbe>();
        deps_.Probe = ownProbe_.get();
    }

    try {
        if (!LoadAgentSettings(dm_, *this)) {
            // The database is unreachable: the window has been closed; the agent ends.
            abandoned_ = true;
            stage_ = Stage::Abandoned;
            QApplication::restoreOverrideCursor();
            return;
        }
    } catch (const VeskError &e) {
        // A bad [Font] Charset: the standard error box, and the window without the rest.
        stage_ = Stage::Abandoned;
        QApplication::restoreOverrideCursor();
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
        return;
    }

    // One agent per journal, before the journal is read: two would share it.
    folderLock_ = std::make_unique<FolderLock>(AgentStateFolder(dm_.AppDir()));
    if (!folderLock_->Acquire()) {
        abandoned_ = true;
        heldElsewhere_ = folderLock_->HeldElsewhere();
        stage_ = Stage::Abandoned;
        QApplication::restoreOverrideCursor();
        // A missing or unwritable state folder is a set-up fault, not a second agent: say which.
        const QString message =
            heldElsewhere_
                ? TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSAgentRunning")),
                                   QDir::toNativeSeparators(dm_.AppDir()))
                : TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSStateFolderUnusable")),
                                   folderLock_->Path() + QStringLiteral(": ") +
                                       QString::fromLocal8Bit(strerror(folderLock_->OpenError())));
        dm_.ShowMsg(message, MB_ICONSTOP);
        return;
    }
    SetLogWindow(this);
    records_ = std::make_unique<AgentRecords>(dm_, *deps_.Probe);
    connect(records_.get(), &AgentRecords::rowListed, this, &TVeskagentFrm::addRecordItem);
    connect(records_.get(), &AgentRecords::logLine, this,
            [this](const QString &line) { SendLog(line); });
    connect(records_.get(), &AgentRecords::listCleared, lvPrinterData, &QTreeWidget::clear);
    const HostProbe *probe = deps_.Probe;
    monitors_ = std::make_unique<MonitorSet>(
        deps_.Spooler,
        deps_.PlatformTest ? deps_.PlatformTest : [probe] { return probe->PlatformTest(); },
        records_->Desk());
    monitors_->Journal = &records_->Journal();
    monitors_->MissingJobsText = dm_.GetLangString(QStringLiteral("RSJobsMissing"));
    monitors_->WithheldText = dm_.GetLangString(QStringLiteral("RSJobValuesWithheld"));

    buildRecordColumns();
    // Rows an earlier run took in but could not store wait for the next save.
    records_->ListJournal();

    RosterHooks hooks;
    hooks.launch = [this](const TMonitorEntry &entry) { return monitors_->Launch(entry); };
    hooks.log = [this](const QString &line) { SendLog(line); };
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
    stage_ = Stage::Running;
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
    currency_ = ReadCurrency(dm_.AppDir());
    // Short captions such as "IP" keep their 12 pixels per character.
    lvPrinterData->header()->setMinimumSectionSize(0);
    lvPrinterData->setColumnCount(static_cast<int>(captions_.size()));
    lvPrinterData->setHeaderLabels(captions_);
    for (int i = 0; i < captions_.size(); ++i)
        lvPrinterData->setColumnWidth(i, PixelsPerCaptionChar *
                                             codePageLength(captions_[i], dm_.FontCharset));
}

LangLookup TVeskagentFrm::langLookup() const
{
    return [this](const QString &key) { return dm_.GetLangString(key); };
}

void TVeskagentFrm::addRecordItem(const ListedRecord &row)
{
    lvPrinterData->addTopLevelItem(new QTreeWidgetItem(ShownCells(row, langLookup(), currency_)));
}

void TVeskagentFrm::addRosterItem(const QString &name, bool checked)
{
    updatingRoster_ = true;
    auto *item = new QListWidgetItem(name, lvPrinterList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    updatingRoster_ = false;
}

void TVeskagentFrm::guarded(const std::function<void()> &body)
{
    command([&] {
        try {
            body();
        } catch (const VeskError &e) {
            QApplication::restoreOverrideCursor();
            dm_.ShowMsg(e.message(), MB_ICONSTOP);
        }
    });
}

void TVeskagentFrm::command(const std::function<void()> &body)
{
    ++commandDepth_;
    body();
    if (--commandDepth_ == 0 && closePending_) {
        closePending_ = false;
        // The close runs once the handlers around this command have returned.
        PostWindowMessage(this, [this] { close(); });
    }
}

bool TVeskagentFrm::FormCloseQuery()
{
    if (commandDepth_ == 0)
        return TLumoFrm::FormCloseQuery();
    closePending_ = true;
    // An open question or dialog is answered as cancelled, so the command ends now.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this)
        modal->close();
    return false;
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
    // The splash stays up for its time while the loop keeps running (log lines, signals). It is
    // a window of its own but a child of this one, so it goes with this window when that closes
    // before the splash time is over (the timer below is then cancelled).
    auto *splash = new Tflashfrm(dm_, this);
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
    command([this] {
        TPrinterFrm dialog(dm_, this);
        dialog.CheckUnique = true;
        if (dialog.exec() == QDialog::Accepted && roster_)
            AddRosterPrinter(dialog.PrinterName(), dialog.MonitorChosen());
    });
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
    if (!records_ || stage_ == Stage::Closed)
        return;
    guarded([&] { records_->TakeIn(Info); });
}

const RecordList &TVeskagentFrm::Records() const
{
    static const RecordList none;
    return records_ ? records_->List() : none;
}

void TVeskagentFrm::SavePrinterData()
{
    if (!records_)
        return;
    // The outcome is logged either way; a failure also gets the standard box (on the error
    // stream without a display), except while closing or while another box is open. The rows
    // stay journaled and listed for the next save.
    const SaveResult r = records_->Save();
    if (r.outcome == SaveResult::Outcome::Failed && stage_ == Stage::Running && commandDepth_ == 0)
        command([&] {
            dm_.ShowMsg(TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSSaveErr")), r.error),
                        MB_ICONSTOP);
        });
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
    if (row < 0 || row >= static_cast<int>(Records().Rows.size()))
        return {};
    return DetailsText(captions_, Records().Rows[static_cast<size_t>(row)], langLookup(),
                       currency_);
}

void TVeskagentFrm::MenuShowInfoClick()
{
    const QString text = SelectedDetails();
    if (text.isEmpty())
        return;
    command([&] {
        TLumoInfoFrm info(TdmMain::Program::Agent, this);
        info.SetInfo(text);
        info.exec();
    });
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

void TVeskagentFrm::JoinMonitors()
{
    if (monitors_)
        monitors_->StopAll();
}

void TVeskagentFrm::ExitAgent()
{
    close();
}

void TVeskagentFrm::FormClose()
{
    switch (stage_) {
    case Stage::Creating:
    case Stage::Closed:
        return;
    case Stage::Abandoned:
        // Start-up ended early: no monitors to stop, no rows to save; the texts stay loaded.
        stage_ = Stage::Closed;
        Q_EMIT agentClosed();
        return;
    case Stage::Running:
        break;
    }
    stage_ = Stage::Closed;
    roster_->StopAll();
    monitors_->StopAll();
    records_->StopIntake();
    roster_.reset();
    SavePrinterData();
    dm_.CloseIniFile();
    Q_EMIT agentClosed();
}

} // namespace vesk
