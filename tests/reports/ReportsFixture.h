// A console data module on a new SQLite file, with helpers to read written files back.
#pragma once

#include "Catalogue.h"
#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QJsonObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

struct Print
{
    QVariant printer;
    QString document;
    QString host;
    int pages = 1;
    QString time = QStringLiteral("2026-03-02 09:15:00");
    QVariant dept = QStringLiteral("Sales");
};

class ReportsFixture : public ::testing::Test
{
protected:
    ReportsFixture();

    QSqlDatabase db() const { return dm.acntVesk.database(); }
    LangLookup lang() const;
    void exec(const QString &statement);
    void addPrint(const Print &p);

    // The text of a PDF as pdftotext -layout gives it; pages separated by form feeds.
    static QString pdfText(const QString &file);
    // What read_xlsx.py reports about a workbook.
    static QJsonObject readXlsx(const QString &file);
    static QByteArray readBytes(const QString &file);

    TestAppDir dir;
    TdmMain dm;
    ScriptedPresenter boxes;
};

} // namespace vesk::test
