// A temporary application folder with the English catalogue, a new database and the agent's data
// module connected to it, plus a host probe answered from a table.
#pragma once

#include "HostProbe.h"
#include "JobRecords.h"
#include "ListedRecord.h"
#include "MainDM.h"
#include "TestAppDir.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace vesk::test {

// Answers like libVesk: skips "\\", upper-cases the whole argument in place.
class FakeProbe : public HostProbe
{
public:
    struct Answer
    {
        QString mac, ip;
    };
    std::map<std::string, Answer> answers; // by upper-case name without the backslashes
    int calls = 0;

    QString MacOf(std::string &name) override { return lookup(name).mac; }
    QString IpOf(std::string &name) override { return lookup(name).ip; }

private:
    Answer lookup(std::string &name)
    {
        ++calls;
        for (char &c : name)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        const auto it = answers.find(name.size() >= 2 ? name.substr(2) : std::string());
        return it == answers.end() ? Answer{} : it->second;
    }
};

// The data module of one agent run on `dir`: connected, language file open, labels set.
inline std::unique_ptr<TdmMain> startAgentModule(const TestAppDir &dir)
{
    auto dm = std::make_unique<TdmMain>(TdmMain::Program::Agent, dir.path());
    dm->acntVesk.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=vesk.db");
    QString error;
    EXPECT_TRUE(dm->acntVesk.Open(dm->AppDir(), &error)) << error.toStdString();
    dm->OpenIniFile(dir.file(QStringLiteral("English.ini")));
    dm->applyDisplayLabels();
    return dm;
}

inline void exec(TdmMain &dm, const QString &statement)
{
    QSqlQuery q(dm.acntVesk.database());
    ASSERT_TRUE(q.exec(statement))
        << statement.toStdString() << ": " << q.lastError().text().toStdString();
}

inline int scalar(TdmMain &dm, const QString &statement)
{
    QSqlQuery q(dm.acntVesk.database());
    if (!q.exec(statement) || !q.next())
        return -1;
    return q.value(0).toInt();
}

inline TPrinterJob job(const char *document, const char *machine, int32_t paper = 9,
                       uint32_t pages = 1)
{
    TPrinterJob j;
    j.Document = document;
    if (machine)
        j.MachineName = machine;
    j.UserName = "alice";
    j.PaperSize = paper;
    j.TotalPages = pages;
    j.TotalBytes = 1000 + pages;
    return j;
}

// A listed row with the given document name and numbered cells.
inline ListedRecord row(const QString &document, int n = 1)
{
    ListedRecord r;
    r.Id = NewRecordId();
    r.Cells = {QStringLiteral("Laser"),
               document,
               QStringLiteral("\\\\PC1"),
               QString::number(n),
               QString::number(n * 100),
               QStringLiteral("A4 Sheet, 210- by 297-millimeters"),
               QStringLiteral("2026-03-01 10:00:00"),
               QStringLiteral("bob"),
               QStringLiteral("127.0.0.1"),
               QStringLiteral("00-11-22-33-44-55"),
               QStringLiteral("Bob"),
               QStringLiteral("Sales"),
               QStringLiteral("2"), // cancelled
               QString::number(n - 1),
               QStringLiteral("1"),
               QStringLiteral("0")};
    return r;
}

} // namespace vesk::test
