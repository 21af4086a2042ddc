// The print history pane: search panel, database-side sorting, details, delete, editing.
#include "PrinterDataView.h"

#include "GridTexts.h"
#include "JobOutcome.h"
#include "LumoInfoForm.h"
#include "MainDM.h"
#include "PrinterDataSearch.h"
#include "RecordEditModel.h"
#include "RecordGrid.h"
#include "RecordRows.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlRecord>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk {

namespace {

constexpr int SearchPanelHeight = 128;

// Fills a condition box: "(any)", then each value with its stored code.
void fillChoices(QComboBox *box, const QString &any,
                 const std::vector<std::pair<QString, int>> &choices)
{
    const int current = box->currentIndex();
    box->clear();
    box->addItem(any);
    for (const auto &[text, code] : choices)
        box->addItem(text, code);
    box->setCurrentIndex(current < 0 ? 0 : current);
    // The style's text field is narrower than the contents its size hint allows for (by a few
    // pixels with full-width brackets): as wide as the widest choice needs, measured there.
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = std::max(widest, box->fontMetrics().horizontalAdvance(box->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(box);
    opt.rect = QRect(QPoint(), box->sizeHint());
    const int field =
        box->style()
            ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box)
            .width();
    box->setMinimumWidth(opt.rect.width() + std::max(0, widest - field));
}
constexpr int SearchWindowDays = 30;

QDateTimeEdit *datePicker(const char *name, QWidget *parent)
{
    auto *d = new QDateTimeEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setCalendarPopup(false); // up-down style
    return d;
}

} // namespace

PrinterDataView::PrinterDataView(TdmMain &dm, QWidget *parent)
    : DataPane(dm, *dm.aqryPrinterData, "dbPrinterData", parent)
{
    setObjectName(QStringLiteral("plPrinterData"));
    dbPrinterData = grid();
    model_ = new RecordEditModel(dm.aqryPrinterData->model(), dm.acntVesk.connectionName(),
                                 QStringLiteral("tPrinterData"), this);
    model_->setLang([&dm](const QString &key) { return dm.GetLangString(key); });
    model_->setCurrency(ReadCurrency(dm.AppDir()));
    dbPrinterData->setModel(model_);
    dbPrinterData->keepLayout();

    pmprinterdata = named(new QMenu(this), "pmprinterdata");
    Menudeletedata = named(pmprinterdata->addAction(QString()), "Menudeletedata");
    dbPrinterData->setContextMenuPolicy(Qt::CustomContextMenu);

    buildSearchPanel();
    layOut(plPrinterDataSearch);

    connect(dbPrinterData->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &PrinterDataView::dbPrinterDataTitleClick);
    connect(dbPrinterData, &QAbstractItemView::doubleClicked, this,
            &PrinterDataView::dbPrinterDataDblClick);
    connect(dbPrinterData, &RecordGrid::deleteKeyPressed, this,
            &PrinterDataView::MenudeletedataClick);
    connect(dbPrinterData, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        pmprinterdata->popup(dbPrinterData->viewport()->mapToGlobal(pos));
    });
    connect(Menudeletedata, &QAction::triggered, this, &PrinterDataView::MenudeletedataClick);
    connect(model_, &RecordEditModel::valueRefused, this,
            [this](const QString &value, const QString &field) {
                showError(InvalidFieldValueText(dm_, value, field));
            });
    connect(model_, &RecordEditModel::editRefused, this,
            [this](const QString &message) { showError(message); });
    connect(btnSearch, &QPushButton::clicked, this, &PrinterDataView::btnSearchClick);
    connect(btnReset, &QPushButton::clicked, this, &PrinterDataView::btnResetClick);
    connect(btnPrinterDataPrint, &QPushButton::clicked, this, &PrinterDataView::printRequested);
    connect(btnPrintSetting, &QPushButton::clicked, this, &PrinterDataView::printSettingRequested);
    connect(btnExport, &QPushButton::clicked, this, &PrinterDataView::exportRequested);
    connect(btnChart, &QPushButton::clicked, this, &PrinterDataView::chartRequested);

    showDetails = [this](const QString &text) {
        TLumoInfoFrm info(TdmMain::Program::Console, window());
        info.SetInfo(text);
        info.exec();
    };
}

PrinterDataView::~PrinterDataView() = default;

void PrinterDataView::buildSearchPanel()
{
    plPrinterDataSearch = searchPanel("plPrinterDataSearch", SearchPanelHeight);
    QWidget *p = plPrinterDataSearch;

    lblPHost = named(new QLabel(p), "lblPHost");
    lblDept = named(new QLabel(p), "lblDept");
    lblPrinterName = named(new QLabel(p), "lblPrinterName");
    lblem = named(new QLabel(p), "lblem");
    lblPrintTime = named(new QLabel(p), "lblPrintTime");
    lblTo = named(new QLabel(p), "lblTo");
    edtHost = named(new QLineEdit(p), "edtHost");
    edtDept = named(new QLineEdit(p), "edtDept");
    edtPrinter = named(new QLineEdit(p), "edtPrinter");
    edtEm = named(new QLineEdit(p), "edtEm");
    dtpBegin = datePicker("dtpBegin", p);
    dtpEnd = datePicker("dtpEnd", p);
    lblOutcome = named(new QLabel(p), "lblOutcome");
    lblColor = named(new QLabel(p), "lblColor");
    lblDuplex = named(new QLabel(p), "lblDuplex");
    cbOutcome = named(new QComboBox(p), "cbOutcome");
    cbColor = named(new QComboBox(p), "cbColor");
    cbDuplex = named(new QComboBox(p), "cbDuplex");
    btnSearch = named(new QPushButton(p), "btnSearch");
    btnReset = named(new QPushButton(p), "btnReset");
    btnPrinterDataPrint = named(new QPushButton(p), "btnPrinterDataPrint");
    btnPrintSetting = settingButton(p, "btnPrintSetting");
    btnExport = named(new QPushButton(p), "btnExport");
    btnChart = named(new QPushButton(p), "btnChart");

    grp = named(new QGroupBox(p), "grp");
    rbDept = named(new QRadioButton(grp), "rbDept");
    rbEm = named(new QRadioButton(grp), "rbEm");
    rbPrinter = named(new QRadioButton(grp), "rbPrinter");
    rbHost = named(new QRadioButton(grp), "rbHost");
    rbPrinter->setChecked(true);
    // One radio button under another: side by side, their captions had no room in English.
    auto *radios = new QVBoxLayout(grp);
    radios->setContentsMargins(6, 2, 6, 2);
    radios->setSpacing(0);
    radios->addWidget(rbDept);
    radios->addWidget(rbEm);
    radios->addWidget(rbPrinter);
    radios->addWidget(rbHost);

    // Three rows of conditions, the commands below them, the grouping beside all four rows.
    QGridLayout *g = panelLayout(p);
    g->addWidget(lblPHost, 0, 0);
    g->addWidget(edtHost, 0, 1);
    g->addWidget(lblPrinterName, 0, 2);
    g->addWidget(edtPrinter, 0, 3);
    g->addWidget(lblDept, 1, 0);
    g->addWidget(edtDept, 1, 1);
    g->addWidget(lblem, 1, 2);
    g->addWidget(edtEm, 1, 3);
    g->addWidget(lblPrintTime, 2, 0);
    g->addWidget(dtpBegin, 2, 1);
    g->addWidget(lblTo, 2, 2);
    g->addWidget(dtpEnd, 2, 3);
    g->addWidget(lblOutcome, 0, 4);
    g->addWidget(cbOutcome, 0, 5);
    g->addWidget(lblColor, 1, 4);
    g->addWidget(cbColor, 1, 5);
    g->addWidget(lblDuplex, 2, 4);
    g->addWidget(cbDuplex, 2, 5);
    g->addWidget(grp, 0, 6, 4, 1);
    auto *commands = new QHBoxLayout;
    commands->addWidget(btnSearch);
    commands->addWidget(btnReset);
    commands->addStretch(1);
    commands->addLayout(commandRow(btnPrinterDataPrint, btnPrintSetting, btnExport));
    commands->addWidget(btnChart);
    g->addLayout(commands, 3, 0, 1, 6);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
}

void PrinterDataView::applyCatalogue()
{
    btnPrinterDataPrint->setText(langText("RSPrint"));
    btnReset->setText(langText("RSReset"));
    btnSearch->setText(langText("RSSearchBtn "));
    lblDept->setText(langText("RSBelongDept"));
    lblem->setText(langText("RSBelongEmName"));
    lblPHost->setText(langText("RShostName"));
    lblPrintTime->setText(langText("RSPrintTime"));
    lblPrinterName->setText(langText("RSPrinterName"));
    lblTo->setText(langText("RSTo"));
    grp->setTitle(langText("RSPrintGroup"));
    rbDept->setText(langText("RSDeptName"));
    rbEm->setText(langText("RSEmName"));
    rbHost->setText(langText("RShostName"));
    rbPrinter->setText(langText("RSPrinterName"));
    btnExport->setText(langText("RSExcel"));
    btnChart->setText(langText("RSChart"));
    Menudeletedata->setText(langText("RSDelete"));
    lblOutcome->setText(langText("RSJobOutcome"));
    lblColor->setText(langText("RSColorPrint"));
    lblDuplex->setText(langText("RSDuplex"));
    const QString any = langText("RSAnyValue");
    fillChoices(cbOutcome, any,
                {{langText("RSJobPrinted"), static_cast<int>(JobOutcome::Printed)},
                 {langText("RSJobCancelled"), static_cast<int>(JobOutcome::Cancelled)},
                 {langText("RSJobAborted"), static_cast<int>(JobOutcome::Aborted)}});
    const std::vector<std::pair<QString, int>> yesNo{{langText("RSYES"), 1}, {langText("RSNO"), 0}};
    fillChoices(cbColor, any, yesNo);
    fillChoices(cbDuplex, any, yesNo);
}

JobFilter PrinterDataView::jobFilter() const
{
    JobFilter f;
    if (const QVariant v = cbOutcome->currentData(); v.isValid())
        f.outcome = static_cast<JobOutcome>(v.toInt());
    if (const QVariant v = cbColor->currentData(); v.isValid())
        f.color = v.toInt() == 1;
    if (const QVariant v = cbDuplex->currentData(); v.isValid())
        f.duplex = v.toInt() == 1;
    return f;
}

void PrinterDataView::ResetPrinterData()
{
    edtHost->clear();
    edtPrinter->clear();
    edtDept->clear();
    edtEm->clear();
    for (QComboBox *box : {cbOutcome, cbColor, cbDuplex})
        box->setCurrentIndex(0);
    const QDateTime now = QDateTime::currentDateTime();
    dtpBegin->setDateTime(now.addDays(-SearchWindowDays));
    dtpEnd->setDateTime(now);
    runStatement(PrinterDataAllStatement());
    PrinterDataFilter_.clear();
    PrinterDataTotals_ = TotalsSearch();
}

void PrinterDataView::btnSearchClick()
{
    const SearchStatement s =
        PrinterDataSearch({dtpBegin->date(), dtpEnd->date(), edtHost->text(), edtPrinter->text(),
                           edtDept->text(), edtEm->text(), jobFilter()});
    // Print and export follow the new clause even when the statement fails to open.
    PrinterDataFilter_ = s.filter;
    PrinterDataTotals_ = s.totals;
    runStatement(s.statement);
}

void PrinterDataView::dbPrinterDataDblClick()
{
    const int row = dbPrinterData->currentRow();
    if (row < 0)
        return;
    const QSqlRecord rec = model_->record(row);
    QStringList labels, values;
    for (const QString &field : fieldOrder()) {
        labels << dm_.aqryPrinterData->displayLabel(field);
        values << PrinterDataCellText(
            field, rec.value(field), [this](const QString &key) { return dm_.GetLangString(key); },
            ReadCurrency(dm_.AppDir()));
    }
    if (showDetails)
        showDetails(recordDetails(labels, values));
}

void PrinterDataView::MenudeletedataClick()
{
    const int row = dbPrinterData->currentRow();
    if (row < 0)
        return;
    if (dm_.AskOkCancel(DeleteRecordQuestion(dm_), MB_ICONQUESTION) != IDOK)
        return;
    QString error;
    const bool deleted = deleteRowByValues(dm_.acntVesk.database(), QStringLiteral("tPrinterData"),
                                           model_->record(row), &error);
    if (!deleted) {
        showError(error);
        return;
    }
    // The rows are read again with the statement in force; the cursor stays at the same place.
    if (!statement().reopen(&error))
        showError(error);
    dbPrinterData->goToRow(row);
}

QString PrinterDataView::groupColumn() const
{
    if (rbDept->isChecked())
        return QStringLiteral("DeptName");
    if (rbHost->isChecked())
        return QStringLiteral("HostName");
    if (rbEm->isChecked())
        return QStringLiteral("EmName");
    return QStringLiteral("PrinterName");
}

} // namespace vesk
