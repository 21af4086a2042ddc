// The data module shared by both programs; the console's and the agent's differ in datasets.
#include "MainDM.h"

#include "Catalogue.h"
#include "Database.h"
#include "Errors.h"
#include "SqlText.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace vesk {

TConnection::~TConnection()
{
    Close();
}

bool TConnection::Open(const QString &appDir, QString *error, const LangLookup &lang)
{
    const OpenResult r = openDatabase(name_, ConnectionString, appDir);
    refusedNewer_ = r.newerSchema > 0;
    if (!r.ok && error)
        *error = openFailureText(r, lang);
    return r.ok;
}

void TConnection::Close()
{
    if (!QSqlDatabase::contains(name_))
        return;
    QSqlDatabase::database(name_, false).close();
    QSqlDatabase::removeDatabase(name_);
}

bool TConnection::Connected() const
{
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

namespace {

// Without a presenter (a tool, a service) the text goes to the error stream and the
// answer is Cancel, so nothing proceeds on a question nobody saw.
class StreamPresenter : public MessagePresenter
{
public:
    int present(const QString &title, const QString &text, unsigned) override
    {
        QTextStream(stderr) << title << (title.isEmpty() ? "" : ": ") << text << Qt::endl;
        return IDCANCEL;
    }
};

StreamPresenter &streamPresenter()
{
    static StreamPresenter p;
    return p;
}

QString defaultAppDir()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                        : QDir::currentPath();
}

} // namespace

TdmMain::TdmMain(Program program, const QString &appDir, QObject *parent)
    : QObject(parent), acntVesk(QStringLiteral("acntVesk")), program_(program)
{
    appDir_ = QDir::cleanPath(appDir.isEmpty() ? defaultAppDir() : appDir);
    if (!appDir_.endsWith(u'/'))
        appDir_ += u'/';

    const QString cn = acntVesk.connectionName();
    aqryPrinterData = std::make_unique<TDataset>(
        QStringLiteral("aqryPrinterData"), cn,
        program == Program::Agent
            ? QStringLiteral("select * from tPrinterData where printerName='aaaaaaaaaaaa'")
            : QStringLiteral("select * from tPrinterData"),
        std::vector<FieldDef>{{QStringLiteral("PrinterName"), 14},
                              {QStringLiteral("documentName"), 19},
                              {QStringLiteral("hostName"), 15},
                              {QStringLiteral("TotalPageCount"), 7},
                              {QStringLiteral("PrintedDocumentSize"), 18},
                              {QStringLiteral("PageSize"), 17},
                              {QStringLiteral("PrintTime"), 0},
                              {QStringLiteral("OperatorName"), 11},
                              {QStringLiteral("IP"), 12},
                              {QStringLiteral("MAC"), 19},
                              {QStringLiteral("EmName"), 9},
                              {QStringLiteral("DeptName"), 11},
                              {QStringLiteral("JobOutcome"), 9},
                              {QStringLiteral("PagesPrinted"), 7},
                              {QStringLiteral("ColorPrint"), 5},
                              {QStringLiteral("Duplex"), 5}});
    if (program == Program::Agent) {
        aqryPrinter = std::make_unique<TDataset>(
            QStringLiteral("aqryPrinter"), cn, QStringLiteral("select * from tPrinter"),
            std::vector<FieldDef>{{QStringLiteral("Name")},
                                  {QStringLiteral("IP")},
                                  {QStringLiteral("MAC")},
                                  {QStringLiteral("HostName")},
                                  {QStringLiteral("tNetGroup")},
                                  {QStringLiteral("DeptName")},
                                  {QStringLiteral("IsMonitor")}});
        aqryHost = std::make_unique<TDataset>(QStringLiteral("aqryHost"), cn,
                                              QStringLiteral("select * from tHost"),
                                              std::vector<FieldDef>{});
    } else {
        aqryPrinter = std::make_unique<TDataset>(
            QStringLiteral("aqryPrinter"), cn, QStringLiteral("select * from tPrinter"),
            std::vector<FieldDef>{{QStringLiteral("Name"), 50},
                                  {QStringLiteral("HostName"), 30},
                                  {QStringLiteral("IsMonitor"), 0}});
        aqryHost = std::make_unique<TDataset>(
            QStringLiteral("aqryHost"), cn, QStringLiteral("select * from tHost"),
            std::vector<FieldDef>{{QStringLiteral("HostName"), 20},
                                  {QStringLiteral("IP"), 15},
                                  {QStringLiteral("MAC"), 24},
                                  {QStringLiteral("tNetGroup"), 24},
                                  {QStringLiteral("DeptName"), 12},
                                  {QStringLiteral("EmName"), 12},
                                  {QStringLiteral("Tel"), 10},
                                  {QStringLiteral("Fax"), 10},
                                  {QStringLiteral("Email"), 12},
                                  {QStringLiteral("Memo"), 0}});
        aqryDept = std::make_unique<TDataset>(QStringLiteral("aqryDept"), cn,
                                              QStringLiteral("select * from tDept"),
                                              std::vector<FieldDef>{{QStringLiteral("Name")},
                                                                    {QStringLiteral("SuperName")},
                                                                    {QStringLiteral("Manager")},
                                                                    {QStringLiteral("tel")},
                                                                    {QStringLiteral("Fax")},
                                                                    {QStringLiteral("Memo")}});
    }
}

TdmMain::~TdmMain()
{
    // Models hold queries on the connection: release them before it goes.
    aqryPrinterData.reset();
    aqryPrinter.reset();
    aqryHost.reset();
    aqryDept.reset();
}

void TdmMain::OpenIniFile(const QString &fileName)
{
    ini_ = IniFile(fileName, FontCharset);
}

void TdmMain::OpenConfigFile()
{
    ini_ = IniFile::config(appDir_ + QStringLiteral("Config.ini"));
}

void TdmMain::CloseIniFile()
{
    ini_ = IniFile();
}

QString TdmMain::ReadIniString(const QString &section, const QString &key) const
{
    return ini_.readString(section, key);
}

QString TdmMain::GetLangString(const QString &key) const
{
    return ReadIniString(QStringLiteral("Lang"), key);
}

void TdmMain::ShowMsg(const QString &text, unsigned flags)
{
    MessagePresenter *p = presenter_ ? presenter_ : &streamPresenter();
    p->present(GetLangString(QStringLiteral("RSConfirmation")), text,
               (flags & MB_ICONMASK) | MB_OK);
}

void TdmMain::ShowPlainMsg(const QString &text)
{
    MessagePresenter *p = presenter_ ? presenter_ : &streamPresenter();
    p->present(QString(), text, MB_OK);
}

int TdmMain::AskOkCancel(const QString &text, unsigned flags)
{
    MessagePresenter *p = presenter_ ? presenter_ : &streamPresenter();
    const int r = p->present(GetLangString(QStringLiteral("RSConfirmation")), text,
                             (flags & MB_ICONMASK) | MB_OKCANCEL);
    return r == IDOK ? IDOK : IDCANCEL;
}

QString TdmMain::FillMsg(const QString &tmpl, const QString &value)
{
    const qsizetype at = tmpl.indexOf(QLatin1String("%s"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return tmpl;
    QString out = tmpl;
    out.replace(at, 2, value);
    return out;
}

int TdmMain::countRows(const QString &statement)
{
    QSqlDatabase db = acntVesk.database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(translateStatement(db, statement)))
        throw VeskError(q.lastError().text());
    // Only whether a row exists matters to every caller.
    return q.next() ? 1 : 0;
}

bool TdmMain::RecordExists(const QString &table, const QString &field, const QString &value)
{
    return countRows(QStringLiteral("select * from ") + table + QStringLiteral(" where ") + field +
                     QStringLiteral("=") + QuotedStr(value)) > 0;
}

bool TdmMain::IsFreeValue(const QString &table, const QString &field, const QString &newValue,
                          const QString &currentValue)
{
    return countRows(QStringLiteral("select * from ") + table + QStringLiteral(" where ") + field +
                     QStringLiteral("=") + QuotedStr(newValue) + QStringLiteral(" and ") + field +
                     QStringLiteral("<>") + QuotedStr(currentValue)) == 0;
}

bool TdmMain::RecordMissing(const QString &table, const QString &field, const QString &value)
{
    return !RecordExists(table, field, value);
}

QString TdmMain::GetTreeDateFile() const
{
    return appDir_ + QStringLiteral("/Data/NetDate.dat");
}

QString TdmMain::GetDeptTreeDateFile() const
{
    return appDir_ + QStringLiteral("/Data/DeptTreeData.dat");
}

void TdmMain::applyDisplayLabels()
{
    const LangLookup lang = [this](const QString &key) { return GetLangString(key); };
    auto apply = [&](TDataset *ds, const std::vector<ColumnTitle> &titles) {
        if (!ds)
            return;
        for (const ColumnTitle &t : titles) {
            if (!t.key.isEmpty())
                ds->setDisplayLabel(t.field, lang(t.key));
        }
    };
    apply(aqryPrinterData.get(), PrinterDataTitles());
    if (program_ == Program::Console) {
        apply(aqryHost.get(), HostTitles());
        apply(aqryPrinter.get(), PrinterTitles());
    }
}

} // namespace vesk
