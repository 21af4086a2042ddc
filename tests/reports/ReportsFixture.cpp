// The fixture of the report, settings and export tests.
#include "ReportsFixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

namespace vesk::test {

namespace {

TestAppDir &prepared(TestAppDir &dir)
{
    dir.prepareEnglish();
    return dir;
}

QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

} // namespace

ReportsFixture::ReportsFixture() : dm(TdmMain::Program::Console, prepared(dir).path())
{
    dir.openEnglish(dm);
    dm.setMessagePresenter(&boxes);
}

LangLookup ReportsFixture::lang() const
{
    return [this](const QString &key) { return dm.GetLangString(key); };
}

void ReportsFixture::exec(const QString &statement)
{
    QSqlQuery q(db());
    ASSERT_TRUE(q.exec(statement))
        << statement.toStdString() << ": " << q.lastError().text().toStdString();
}

void ReportsFixture::addPrint(const Print &p)
{
    QSqlQuery q(db());
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PrintedDocumentSize, PageSize, PrintTime, "
                             "OperatorName, IP, MAC, EmName, DeptName) "
                             "values (?, ?, ?, ?, 2048, 'A4', ?, 'ann', '10.0.0.1', "
                             "'00-11-22-33-44-55', 'Ann', ?)"));
    for (const QVariant &v : {p.printer, QVariant(p.document), QVariant(p.host), QVariant(p.pages),
                              QVariant(p.time), p.dept})
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
}

QString ReportsFixture::pdfText(const QString &file)
{
    return QString::fromUtf8(
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")}));
}

QJsonObject ReportsFixture::readXlsx(const QString &file)
{
    // The system's Python, which has Debian's openpyxl, whatever comes first on PATH.
    return QJsonDocument::fromJson(
               run(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VESK_READ_XLSX), file}))
        .object();
}

QByteArray ReportsFixture::readBytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace vesk::test
