// Temporary application folders for tests, built with the product's own schema code.
#include "TestAppDir.h"

#include "Database.h"
#include "IniFile.h"
#include "MainDM.h"
#include "Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>

#include <gtest/gtest.h>

#include <stdexcept>

namespace vesk::test {

TestAppDir::TestAppDir()
{
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

void TestAppDir::write(const QString &name, const QString &content) const
{
    writeBytes(name, content.toUtf8());
}

void TestAppDir::writeBytes(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + name.toStdString());
}

void TestAppDir::writeConfig(const QString &langFile, const QString &charset,
                             const QString &extra) const
{
    write(QStringLiteral("Config.ini"),
          QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data Source=vesk.db\n"
                         "[Font]\nCharset=%1\n[Language]\nFileName=%2\n"
                         "[Network]\nProvider=Map\nMapFile=network.map\n%3")
              .arg(charset, langFile, extra));
    writeSavedNetwork();
}

void TestAppDir::writeSavedNetwork() const
{
    QDir().mkpath(file(QStringLiteral("Data")));
    writeBytes(QStringLiteral("Data/NetDate.dat"), {});
}

void TestAppDir::copyLanguage(const QString &name) const
{
    QFile::remove(file(name));
    if (!QFile::copy(QStringLiteral(VESK_LANG_DIR "/") + name, file(name)))
        throw std::runtime_error("cannot copy language file " + name.toStdString());
}

void TestAppDir::createDatabase(const QString &langFile, int charset) const
{
    const IniFile catalogue(file(langFile), charset);
    const LangLookup lang = [&catalogue](const QString &key) {
        return catalogue.readString(QStringLiteral("Lang"), key);
    };
    const QString name = QStringLiteral("test-create-") + dir_.path();
    QString error;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile());
        ok = db.open() && createSchema(db, lang, &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        throw std::runtime_error("cannot create the test database: " + error.toStdString());
}

void TestAppDir::prepareEnglish() const
{
    writeConfig();
    copyLanguage(QStringLiteral("English.ini"));
    copyLanguage(QStringLiteral("Chinese.ini"));
    createDatabase();
}

void TestAppDir::openEnglish(TdmMain &dm) const
{
    dm.acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    if (!dm.acntVesk.Open(dm.AppDir(), &error))
        ADD_FAILURE() << error.toStdString();
    dm.OpenIniFile(file(QStringLiteral("English.ini")));
    dm.applyDisplayLabels();
}

} // namespace vesk::test
