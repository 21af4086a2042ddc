// The computer directory pane: search panel and database-side sorting over the shared dataset.
#include "HostView.h"

#include "HostSearch.h"
#include "MainDM.h"
#include "RecordGrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vesk {

namespace {

constexpr int SearchPanelHeight = 107;

} // namespace

HostView::HostView(TdmMain &dm, QWidget *parent) : DataPane(dm, *dm.aqryHost, "dbHost", parent)
{
    setObjectName(QStringLiteral("plHost"));
    dbHost = grid();
    dbHost->setModel(dm.aqryHost->model());
    dbHost->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbHost->keepLayout();

    buildSearchPanel();
    layOut(plHostSearch);

    connect(dbHost->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &HostView::dbHostTitleClick);
    connect(btnHSearch, &QPushButton::clicked, this, &HostView::btnHSearchClick);
    connect(btnHReset, &QPushButton::clicked, this, &HostView::btnHResetClick);
    connect(btnHPrint, &QPushButton::clicked, this, &HostView::printRequested);
    connect(btnHShowSetting, &QPushButton::clicked, this, &HostView::showSettingRequested);
    connect(btnExportH, &QPushButton::clicked, this, &HostView::exportRequested);
}

HostView::~HostView() = default;

void HostView::buildSearchPanel()
{
    plHostSearch = searchPanel("plHostSearch", SearchPanelHeight);
    QWidget *p = plHostSearch;

    lblHost = named(new QLabel(p), "lblHost");
    lblHDept = named(new QLabel(p), "lblHDept");
    lblIP = named(new QLabel(QStringLiteral("IP"), p), "lblIP");
    lblHem = named(new QLabel(p), "lblHem");
    lblHNet = named(new QLabel(p), "lblHNet");
    lblHtel = named(new QLabel(p), "lblHtel");
    edtHhost = named(new QLineEdit(p), "edtHhost");
    edtHDept = named(new QLineEdit(p), "edtHDept");
    edtHIP = named(new QLineEdit(p), "edtHIP");
    edtHem = named(new QLineEdit(p), "edtHem");
    edtHNet = named(new QLineEdit(p), "edtHNet");
    edtHTel = named(new QLineEdit(p), "edtHTel");
    btnHSearch = named(new QPushButton(p), "btnHSearch");
    btnHReset = named(new QPushButton(p), "btnHReset");
    btnHPrint = named(new QPushButton(p), "btnHPrint");
    btnHShowSetting = settingButton(p, "btnHShowSetting");
    btnExportH = named(new QPushButton(p), "btnExportH");

    grH = named(new QGroupBox(p), "grH");
    rbHDept = named(new QRadioButton(grH), "rbHDept");
    rbHEm = named(new QRadioButton(grH), "rbHEm");
    rbHNet = named(new QRadioButton(grH), "rbHNet");
    rbHHost = named(new QRadioButton(grH), "rbHHost");
    rbHNet->setChecked(true);
    auto *radios = new QHBoxLayout(grH);
    radios->setContentsMargins(6, 0, 6, 0);
    radios->addWidget(rbHDept);
    radios->addWidget(rbHEm);
    radios->addWidget(rbHNet);
    radios->addWidget(rbHHost);

    QGridLayout *g = panelLayout(p);
    g->addWidget(lblHost, 0, 0);
    g->addWidget(edtHhost, 0, 1);
    g->addWidget(lblHDept, 0, 2);
    g->addWidget(edtHDept, 0, 3);
    g->addWidget(lblIP, 0, 4);
    g->addWidget(edtHIP, 0, 5);
    g->addWidget(btnHSearch, 0, 6);
    g->addWidget(lblHem, 1, 0);
    g->addWidget(edtHem, 1, 1);
    g->addWidget(lblHNet, 1, 2);
    g->addWidget(edtHNet, 1, 3);
    g->addWidget(lblHtel, 1, 4);
    g->addWidget(edtHTel, 1, 5);
    g->addWidget(btnHReset, 1, 6);
    g->addWidget(grH, 2, 0, 1, 4);
    g->addLayout(commandRow(btnHPrint, btnHShowSetting, btnExportH), 2, 4, 1, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setColumnStretch(5, 1);
}

void HostView::applyCatalogue()
{
    btnHPrint->setText(langText("RSPrint"));
    btnHReset->setText(langText("RSReset"));
    btnHSearch->setText(langText("RSSearchBtn "));
    lblHDept->setText(langText("RSBelongDept"));
    lblHem->setText(langText("RSBelongEmName"));
    lblHost->setText(langText("RShostName"));
    lblHNet->setText(langText("RSNetGroup"));
    lblHtel->setText(langText("RSTel"));
    btnExportH->setText(langText("RSExcel"));
    grH->setTitle(langText("RSPrintGroup"));
    rbHDept->setText(langText("RSDeptName"));
    rbHEm->setText(langText("RSEmName"));
    rbHHost->setText(langText("RShostName"));
    rbHNet->setText(langText("RSNetGroup"));
}

void HostView::ResetHostData()
{
    edtHhost->clear();
    edtHNet->clear();
    edtHDept->clear();
    edtHem->clear();
    edtHTel->clear();
    edtHIP->clear();
    runStatement(HostAllStatement());
    HostFilter_.clear();
}

void HostView::btnHSearchClick()
{
    const SearchStatement s = HostSearch({edtHhost->text(), edtHDept->text(), edtHem->text(),
                                          edtHIP->text(), edtHTel->text(), edtHNet->text()});
    // Print and export follow the new clause even when the statement fails to open.
    HostFilter_ = s.filter;
    runStatement(s.statement);
}

QString HostView::groupColumn() const
{
    if (rbHDept->isChecked())
        return QStringLiteral("DeptName");
    if (rbHHost->isChecked())
        return QStringLiteral("HostName");
    if (rbHEm->isChecked())
        return QStringLiteral("EmName");
    return QStringLiteral("tNetGroup");
}

} // namespace vesk
