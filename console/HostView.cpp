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
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int SearchPanelHeight = 107;

template <class W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

HostView::HostView(TdmMain &dm, QWidget *parent)
    : QWidget(parent), dm_(dm), statement_(*dm.aqryHost)
{
    setObjectName(QStringLiteral("plHost"));
    dbHost = named(new RecordGrid(*dm.aqryHost, this), "dbHost");
    dbHost->setModel(dm.aqryHost->model());
    dbHost->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbHost->keepLayout();

    buildSearchPanel();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(dbHost, 1);
    layout->addWidget(plHostSearch);

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
    plHostSearch = named(new QWidget(this), "plHostSearch");
    plHostSearch->setFixedHeight(SearchPanelHeight);
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
    btnHShowSetting = named(new QPushButton(QStringLiteral("..."), p), "btnHShowSetting");
    btnExportH = named(new QPushButton(p), "btnExportH");
    btnHShowSetting->setFixedWidth(28);

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

    auto *g = new QGridLayout(p);
    g->setContentsMargins(4, 4, 4, 4);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(4);
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
    auto *commands = new QHBoxLayout;
    commands->setSpacing(4);
    commands->addWidget(btnHPrint);
    commands->addWidget(btnHShowSetting);
    commands->addWidget(btnExportH);
    g->addLayout(commands, 2, 4, 1, 3);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setColumnStretch(5, 1);
}

void HostView::applyCatalogue()
{
    auto text = [this](const char *key) { return dm_.GetLangString(QString::fromLatin1(key)); };
    btnHPrint->setText(text("RSPrint"));
    btnHReset->setText(text("RSReset"));
    btnHSearch->setText(text("RSSearchBtn "));
    lblHDept->setText(text("RSBelongDept"));
    lblHem->setText(text("RSBelongEmName"));
    lblHost->setText(text("RShostName"));
    lblHNet->setText(text("RSNetGroup"));
    lblHtel->setText(text("RSTel"));
    btnExportH->setText(text("RSExcel"));
    grH->setTitle(text("RSPrintGroup"));
    rbHDept->setText(text("RSDeptName"));
    rbHEm->setText(text("RSEmName"));
    rbHHost->setText(text("RShostName"));
    rbHNet->setText(text("RSNetGroup"));
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

void HostView::runStatement(const QString &statement)
{
    QString error;
    const bool ok = statement_.run(statement, &error);
    showSortMark();
    if (!ok)
        dm_.ShowMsg(error, MB_ICONSTOP);
}

void HostView::dbHostTitleClick(int column)
{
    const QString field = dbHost->fieldOf(column);
    if (field.isEmpty())
        return;
    QString error;
    const bool ok = statement_.sortBy(field, &error);
    showSortMark();
    if (!ok)
        dm_.ShowMsg(error, MB_ICONSTOP);
}

void HostView::showSortMark()
{
    QHeaderView *h = dbHost->horizontalHeader();
    const QString sort = statement_.sortText();
    const int column = sort.isEmpty() ? -1 : dm_.aqryHost->columnOf(sort.section(u' ', 0, 0));
    h->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        h->setSortIndicator(column, sort.endsWith(QStringLiteral(" ASC")) ? Qt::AscendingOrder
                                                                          : Qt::DescendingOrder);
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

QStringList HostView::fieldOrder() const
{
    return dbHost->fieldOrder();
}

} // namespace vesk
