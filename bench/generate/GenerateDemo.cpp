// vesk-gen-demo: fills the database of an application folder with demo records.
#include "CodePage.h"
#include "ConnectionString.h"
#include "Database.h"
#include "DemoData.h"
#include "IniFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

using namespace vesk;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral(
        "Adds demo departments, computers, printers and print records to the database that\n"
        "APPDIR/Config.ini names (create it first with vesk-initdb)."));
    cl.addHelpOption();
    cl.addOption({QStringLiteral("records"), QStringLiteral("Print records (300)."),
                  QStringLiteral("n"), QStringLiteral("300")});
    cl.addOption({QStringLiteral("hosts"), QStringLiteral("Computers (40)."), QStringLiteral("n"),
                  QStringLiteral("40")});
    cl.addOption({QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("n"),
                  QStringLiteral("20240301")});
    cl.addOption({QStringLiteral("years"), QStringLiteral("Years of history up to today (3)."),
                  QStringLiteral("n"), QStringLiteral("3")});
    cl.addOption({QStringLiteral("copies"),
                  QStringLiteral("Make the records, then this many of each in the database, "
                                 "each at a new time of its day (1)."),
                  QStringLiteral("n"), QStringLiteral("1")});
    cl.addPositionalArgument(QStringLiteral("APPDIR"), QStringLiteral("The application folder."));
    cl.process(app);
    QTextStream err(stderr);
    if (cl.positionalArguments().size() != 1) {
        err << cl.helpText();
        return 1;
    }
    const QString appDir = QDir(cl.positionalArguments().first()).absolutePath() + u'/';
    const IniFile config = IniFile::config(appDir + QStringLiteral("Config.ini"));
    const int charset =
        config.readString(QStringLiteral("Font"), QStringLiteral("Charset")).toInt();
    const IniFile catalogue(
        appDir + config.readString(QStringLiteral("Language"), QStringLiteral("FileName")),
        charset);

    const QString connection = QStringLiteral("vesk-gen-demo");
    const OpenResult opened = openDatabase(
        connection, config.readString(QStringLiteral("Connection"), QStringLiteral("Constr")),
        appDir);
    if (!opened.ok) {
        err << "vesk-gen-demo: " << openFailureText(opened, [&catalogue](const QString &key) {
            return catalogue.readString(QStringLiteral("Lang"), key);
        }) << Qt::endl;
        return 3;
    }
    DemoOptions o;
    o.records = cl.value(QStringLiteral("records")).toLongLong();
    o.hosts = cl.value(QStringLiteral("hosts")).toInt();
    o.seed = cl.value(QStringLiteral("seed")).toUInt();
    o.lastDay = QDate::currentDate();
    o.firstDay = o.lastDay.addYears(-std::max(1, cl.value(QStringLiteral("years")).toInt()));
    o.lang = [&catalogue](const QString &key) {
        return catalogue.readString(QStringLiteral("Lang"), key);
    };
    o.progress = [&err](qint64 n) { err << n << " records" << Qt::endl; };
    QString error;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::database(connection);
        ok = fillDemoDatabase(db, o, &error) &&
             multiplyPrintRecords(db, cl.value(QStringLiteral("copies")).toInt(), &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok) {
        err << "vesk-gen-demo: " << error << Qt::endl;
        return 4;
    }
    return 0;
}
