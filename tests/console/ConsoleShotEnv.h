// The application folder of the console's screenshots: a demo database in the language shown.
#pragma once

#include "DemoData.h"
#include "IniFile.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QSqlDatabase>

#include <cstdio>
#include <memory>

namespace vesk::shots {

// A temporary application folder with a demo database, and the data module over it.
struct ConsoleEnv
{
    ConsoleEnv(const QString &langFile, int charset)
    {
        dir.writeConfig(langFile, QString::number(charset));
        dir.copyLanguage(QStringLiteral("English.ini"));
        dir.copyLanguage(QStringLiteral("Chinese.ini"));
        dir.createDatabase(langFile, charset);
        fill(langFile, charset);
        dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir.path());
        dm->setMessagePresenter(&boxes);
        TLumoFrm::SetDataModule(dm.get());
    }
    ~ConsoleEnv() { TLumoFrm::SetDataModule(nullptr); }

    void fill(const QString &langFile, int charset)
    {
        const IniFile catalogue(dir.file(langFile), charset);
        DemoOptions options;
        options.records = 300;
        options.hosts = 40;
        options.lastDay = QDate(2026, 3, 31);
        options.lang = [&catalogue](const QString &key) {
            return catalogue.readString(QStringLiteral("Lang"), key);
        };
        const QString name = QStringLiteral("console-shots-demo");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(dir.databaseFile());
            QString error;
            if (!db.open() || !fillDemoDatabase(db, options, &error))
                std::fprintf(stderr, "console shots: no demo data: %s\n", qPrintable(error));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    test::TestAppDir dir;
    test::ScriptedPresenter boxes;
    std::unique_ptr<TdmMain> dm;
};

// The environment is a base so that it is destroyed after the window.
struct ConsoleEnvHolder
{
    ConsoleEnvHolder(const QString &langFile, int charset) : env(langFile, charset) {}
    ConsoleEnv env;
};

} // namespace vesk::shots
