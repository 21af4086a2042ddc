// Record intake: paper names, the cells, the tHost look-up order and the details text.
#include "AgentFixture.h"
#include "Dataset.h"
#include "HostileTexts.h"
#include "PaperSizeName.h"
#include "PrinterDataSaver.h"
#include "RecordIntake.h"
#include "RecordJournal.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>

using namespace vesk;
using namespace vesk::test;

namespace {

class Intake : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir.prepareEnglish();
        dm = startAgentModule(dir);
        exec(*dm,
             QStringLiteral("insert into tHost (HostName, IP, MAC, EmName, DeptName) values "
                            "('PC-MAC', '10.0.0.99', '00-AA-BB-CC-DD-EE', 'Mac Match', 'Sales'), "
                            "('PC-IP', '127.0.0.1', '', 'Ip Match', 'Stores'), "
                            "('PC-NAME', '', '', 'Name Match', 'Head Office'), "
                            "('PC-O''NEIL', '', '', 'O''Neil', 'R&D ''East'''), "
                            "('PC-ZERO', '', '00-00-00-00-00-00', 'Zero', 'Routed')"));
        ASSERT_TRUE(dm->aqryHost->Open()); // as LoadSettings does at start-up
        intake = std::make_unique<RecordIntake>(
            *dm, probe, [] { return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)); });
    }

    ListedRecord take(const TPrinterJob &j, const char *printer = "Laser")
    {
        return intake->TakeJob(std::string(printer), j);
    }

    TestAppDir dir;
    std::unique_ptr<TdmMain> dm;
    FakeProbe probe;
    std::unique_ptr<RecordIntake> intake;
};

} // namespace

TEST(PaperSizeNames, AllFortyOneCodesAndEveryOtherValue)
{
    QFile golden(QStringLiteral(VESK_PAPER_NAMES));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    int count = 0;
    for (const QByteArray &line : golden.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split('\t');
        ASSERT_EQ(parts.size(), 2);
        EXPECT_EQ(PaperSizeName(parts[0].toInt(), QStringLiteral("Other")),
                  QString::fromLatin1(parts[1]))
            << parts[0].constData();
        ++count;
    }
    EXPECT_EQ(count, 41);
    // Two blanks after the comma are part of the name.
    EXPECT_EQ(PaperSizeName(29, {}), QStringLiteral("C3 Envelope,  324- by 458-millimeters"));
    for (int32_t code : {0, -1, 42, 256, INT32_MIN, INT32_MAX})
        EXPECT_EQ(PaperSizeName(code, QStringLiteral("Other")), QStringLiteral("Other")) << code;
}

TEST_F(Intake, FillsTheCellsInColumnOrder)
{
    probe.answers["PC-MAC"] = {QStringLiteral("00-AA-BB-CC-DD-EE"), QStringLiteral("10.0.0.5")};
    TPrinterJob j = job("Report 'Q1' 报告", "\\\\pc-mac", 9, 3);
    j.TotalBytes = 4294967295u; // unsigned decimal
    j.Status = spooler::JobStatus::Deleted;
    j.PagesPrinted = 2;
    j.Color = spooler::DevColor::Color;
    j.Duplex = spooler::DevDuplex::Horizontal;
    const ListedRecord r = take(j);

    const QStringList expected = {
        QStringLiteral("Laser"),
        QStringLiteral("Report 'Q1' 报告"),
        QStringLiteral("\\\\PC-MAC"), // upper-cased by the probe, backslashes kept
        QStringLiteral("3"),
        QStringLiteral("4294967295"),
        QStringLiteral("A4 Sheet, 210- by 297-millimeters"),
        QStringLiteral("2026-03-01 09:05:07"),
        QStringLiteral("alice"),
        QStringLiteral("10.0.0.5"),
        QStringLiteral("00-AA-BB-CC-DD-EE"),
        QStringLiteral("Mac Match"),
        QStringLiteral("Sales"),
        QStringLiteral("2"), // cancelled
        QStringLiteral("2"),
        QStringLiteral("1"), // colour
        QStringLiteral("1"), // two-sided
        QString()};          // no price set
    for (int i = 0; i < PrinterDataColumnCount; ++i)
        EXPECT_EQ(r.Cells[static_cast<size_t>(i)], expected.at(i)) << PrinterDataFields[i];
    EXPECT_FALSE(r.Id.isEmpty());
    EXPECT_NE(take(j).Id, r.Id);
    // Prices set meanwhile apply to the next job: 2 pages printed x 0.25 colour x 0.8 two-sided.
    exec(*dm, QStringLiteral("insert into tPrice (PrinterName, ColourPrice, DuplexFactor) values "
                             "('', 25000000, 8000)"));
    EXPECT_EQ(take(j).Cells[colCost], QStringLiteral("40"));

    // Absent texts give empty cells; an unknown paper the "RSOther" text.
    TPrinterJob bare;
    bare.PaperSize = 256;
    const ListedRecord e = take(bare);
    EXPECT_EQ(e.Cells[coldocumentName], QString());
    EXPECT_EQ(e.Cells[colOperatorName], QString());
    EXPECT_EQ(e.Cells[colPageSize], QStringLiteral("Other"));
    EXPECT_EQ(e.Cells[colTotalPageCount], QStringLiteral("0"));
    // Printed; colour and sides not known.
    EXPECT_EQ(e.Cells[colJobOutcome], QStringLiteral("1"));
    EXPECT_EQ(e.Cells[colColorPrint], QString());
    EXPECT_EQ(e.Cells[colDuplex], QString());
}

TEST_F(Intake, FindsTheComputerByMacThenIpThenName)
{
    // MAC wins even though the row's IP is out of date and another row holds the current IP.
    probe.answers["PC-MAC"] = {QStringLiteral("00-aa-bb-cc-dd-ee"), QStringLiteral("127.0.0.1")};
    EXPECT_EQ(take(job("a", "\\\\PC-MAC")).Cells[colEmName], QStringLiteral("Mac Match"));

    // An unknown MAC falls through to the IP.
    probe.answers["PC-IP"] = {QStringLiteral("00-00-00-00-00-01"), QStringLiteral("127.0.0.1")};
    EXPECT_EQ(take(job("a", "\\\\PC-IP")).Cells[colDeptName], QStringLiteral("Stores"));

    // A computer that answers neither probe is found by its name, letter case ignored.
    const ListedRecord byName = take(job("a", "\\\\pc-name"));
    EXPECT_EQ(byName.Cells[colIP], QString());
    EXPECT_EQ(byName.Cells[colMAC], QString());
    EXPECT_EQ(byName.Cells[colEmName], QStringLiteral("Name Match"));
    EXPECT_EQ(byName.Cells[colDeptName], QStringLiteral("Head Office"));

    // A MAC of zeros (a peer that answers without its address) names no computer: the IP, then
    // the name decide, never the first stored row of zeros.
    probe.answers["PC-IP"] = {QStringLiteral("00-00-00-00-00-00"), QStringLiteral("127.0.0.1")};
    EXPECT_EQ(take(job("a", "\\\\PC-IP")).Cells[colEmName], QStringLiteral("Ip Match"));
    probe.answers["PC-NAME"] = {QStringLiteral("00-00-00-00-00-00"), QString()};
    const ListedRecord zero = take(job("a", "\\\\PC-NAME"));
    EXPECT_EQ(zero.Cells[colEmName], QStringLiteral("Name Match"));
    EXPECT_EQ(zero.Cells[colMAC], QStringLiteral("00-00-00-00-00-00"));

    // A quote in the name is just a character of it.
    EXPECT_EQ(take(job("a", "\\\\pc-o'neil")).Cells[colDeptName], QStringLiteral("R&D 'East'"));

    // Unknown everywhere: the "RSUnkown" text twice.
    const ListedRecord unknown = take(job("a", "\\\\PC-NOWHERE"));
    EXPECT_EQ(unknown.Cells[colEmName], QStringLiteral("Unknown"));
    EXPECT_EQ(unknown.Cells[colDeptName], QStringLiteral("Unknown"));
}

TEST_F(Intake, ShortOrAbsentMachineNamesAreNotProbed)
{
    for (const char *name : {static_cast<const char *>(nullptr), "", "\\", "x"}) {
        const ListedRecord r = take(job("a", name));
        EXPECT_EQ(r.Cells[colIP], QString());
        EXPECT_EQ(r.Cells[colMAC], QString());
        EXPECT_EQ(r.Cells[colhostName], QString::fromLatin1(name ? name : ""));
        EXPECT_EQ(r.Cells[colEmName], QStringLiteral("Unknown"));
    }
    EXPECT_EQ(probe.calls, 0);
}

TEST_F(Intake, SeesTheComputerTableAsItWasAtStart)
{
    exec(*dm, QStringLiteral("insert into tHost (HostName, EmName, DeptName) values "
                             "('PC-LATE', 'Late', 'Sales')"));
    EXPECT_EQ(take(job("a", "\\\\PC-LATE")).Cells[colEmName], QStringLiteral("Unknown"));
}

TEST_F(Intake, HandOverGivesOneRowPerValidJob)
{
    TPrinterInfo info;
    info.PrinterName = "Laser 'Front'";
    info.Jobs = {job("one", "\\\\PC-NAME"), job("two", "\\\\PC-IP"), job("stale", nullptr)};
    info.Count = 2; // the third record is allocated but not valid
    const std::vector<ListedRecord> rows = intake->OnRecPrinterData(info);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Caption(), QStringLiteral("Laser 'Front'"));
    EXPECT_EQ(rows[0].Cells[coldocumentName], QStringLiteral("one"));
    EXPECT_EQ(rows[1].Cells[coldocumentName], QStringLiteral("two"));

    info.Count = 0;
    EXPECT_TRUE(intake->OnRecPrinterData(info).empty());
}

TEST_F(Intake, DetailsTextHasOneLinePerColumn)
{
    probe.answers["PC-MAC"] = {QStringLiteral("00-AA-BB-CC-DD-EE"), QStringLiteral("10.0.0.5")};
    const ListedRecord r = take(job("Memo", "\\\\PC-MAC"));
    const QStringList captions = PrinterDataCaptions(*dm);
    ASSERT_EQ(captions.size(), PrinterDataColumnCount);
    EXPECT_EQ(captions.at(colMAC), QStringLiteral("MAC")); // no catalogue key
    EXPECT_EQ(captions.at(colPrinterName), dm->GetLangString(QStringLiteral("RSPrinterName")));

    const QString details = DetailsText(captions, r);
    EXPECT_TRUE(details.endsWith(QStringLiteral("\r\n")));
    const QStringList lines = details.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), PrinterDataColumnCount + 1); // and the empty text after the last CR LF
    EXPECT_EQ(lines.at(0),
              dm->GetLangString(QStringLiteral("RSPrinterName")) + QStringLiteral(":Laser"));
    EXPECT_EQ(lines.at(colMAC), QStringLiteral("MAC:00-AA-BB-CC-DD-EE"));
    EXPECT_EQ(lines.at(colDeptName),
              dm->GetLangString(QStringLiteral("RSDeptName")) + QStringLiteral(":Sales"));
}

// Hostile computer names (stored in upper case, as the probe hands names over) are found in tHost
// by name and reach tPrinterData verbatim, with hostile document and user names beside them.
TEST(HostileIntake, ComputerNamesAreFoundAndStoredVerbatim)
{
    TestAppDir dir;
    dir.prepareEnglish();
    auto dm = startAgentModule(dir);
    FakeProbe probe;
    for (const auto &h : HostileTexts()) {
        QSqlQuery q(dm->acntVesk.database());
        q.prepare(
            QStringLiteral("insert into tHost (HostName, EmName, DeptName) values (?, ?, ?)"));
        q.addBindValue(h.text.toUpper());
        q.addBindValue(QString::fromLatin1(h.label));
        q.addBindValue(h.text);
        ASSERT_TRUE(q.exec());
    }
    ASSERT_TRUE(dm->aqryHost->Open());
    RecordIntake intake(*dm, probe, [] { return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)); });
    RecordJournal journal(dir.path());
    RecordList list;
    QStringList expected;
    for (const auto &h : HostileTexts()) {
        SCOPED_TRACE(h.label);
        const std::string text = h.text.toStdString();
        TPrinterJob j = job(text.c_str(), ("\\\\" + text).c_str());
        j.UserName = text;
        const ListedRecord r = intake.TakeJob(text, j);
        const QString host = QStringLiteral("\\\\") + h.text.toUpper();
        const bool named = !h.text.isEmpty();
        EXPECT_EQ(r.Cells[colhostName], host);
        EXPECT_EQ(r.Cells[colEmName],
                  named ? QString::fromLatin1(h.label) : QStringLiteral("Unknown"));
        expected << QStringList{h.text, h.text, host, h.text, r.Cells[colEmName]}.join(u'|');
        ASSERT_TRUE(journal.Append(r));
        list.Rows.push_back(r);
    }
    PrinterDataSaver saver(*dm, &journal,
                           [] { return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)); });
    EXPECT_EQ(saver.SavePrinterData(list).outcome, SaveResult::Outcome::Saved);
    QStringList stored;
    QSqlQuery q(dm->acntVesk.database());
    ASSERT_TRUE(q.exec(QStringLiteral(
        "select PrinterName, documentName, hostName, OperatorName, EmName from tPrinterData")));
    while (q.next())
        stored << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toString(), q.value(4).toString()}
                      .join(u'|');
    stored.sort();
    expected.sort();
    EXPECT_EQ(stored.join(u'\n').toStdString(), expected.join(u'\n').toStdString());
}
