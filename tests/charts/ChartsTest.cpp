// Trend charts on a real SQLite file: bucket choice, the aggregate figures of a search, the chart
// window of the history view, and vesk summary / vesk report --chart run without a display.
#include "ChartButton.h"
#include "ChartScenario.h"
#include "HeadlessRun.h"
#include "MainDM.h"
#include "PrinterDataView.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"
#include "TrendChartForm.h"
#include "TrendSummary.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QXmlStreamReader>

using namespace vesk;

namespace {

// What the picture's five charts show, read from its drawing (not from the figures it was made
// of): each title, then the time chart's bars or the top lists' bars with their names, top first.
// Also checks the painting: every chart's place in the image holds marks besides its background.
std::string pictureFigures(const TrendPicture &picture)
{
    QStringList lines;
    QXmlStreamReader svg(picture.svg());
    int depth = 0, chartDepth = -1;
    QString element;
    while (!svg.atEnd()) {
        switch (svg.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (svg.name() == u"g" && svg.attributes().value(QStringLiteral("class")) == u"chart") {
                chartDepth = depth;
                lines << QString();
            } else if (chartDepth > 0 && svg.name() == u"title") {
                const QString text = svg.readElementText();
                --depth;
                if (depth == chartDepth) {
                    lines.last() = text + u':';
                } else if (element == u"rect") {
                    const qsizetype colon = text.lastIndexOf(QStringLiteral(": "));
                    lines.last() += u' ' + text.left(colon) + u'=' + text.mid(colon + 2);
                }
            }
            element = svg.name().toString();
            break;
        case QXmlStreamReader::EndElement:
            if (depth-- == chartDepth)
                chartDepth = -1;
            break;
        default:
            break;
        }
    }
    if (svg.hasError())
        return svg.errorString().toStdString();
    const QImage image = picture.image();
    for (int chart = 0; chart < lines.size(); ++chart) {
        // Painted: the chart's place holds more than one colour.
        const QRect place = TrendPicture::ChartPlace(chart).intersected(image.rect());
        const QRgb background = image.pixel(place.topLeft());
        int marks = 0;
        for (int y = place.top(); y <= place.bottom(); y += 2)
            for (int x = place.left(); x <= place.right(); x += 2)
                marks += image.pixel(x, y) != background ? 1 : 0;
        if (marks < 100)
            lines[chart] += QStringLiteral(" (not drawn)");
    }
    return lines.join(u'\n').toStdString();
}

class Charts : public ::testing::Test
{
protected:
    Charts() : dm(TdmMain::Program::Console, prepared(dir).path())
    {
        dir.openEnglish(dm);
        dm.setMessagePresenter(&boxes);
        test::addChartRows(dm.acntVesk.database());
    }
    static test::TestAppDir &prepared(test::TestAppDir &dir)
    {
        dir.prepareEnglish();
        return dir;
    }
    LangLookup lang() const
    {
        return [this](const QString &key) { return dm.GetLangString(key); };
    }
    // vesk on the fixture's folder without a display: exit status, standard output in `out`.
    int vesk(const QStringList &args)
    {
        return test::RunHeadless(QStringLiteral(VESK_COMMAND),
                                 QStringList{QStringLiteral("--app"), dir.path()} + args, &out,
                                 &err);
    }

    test::TestAppDir dir;
    TdmMain dm;
    test::ScriptedPresenter boxes;
    QString out, err;
};

} // namespace

TEST(TrendBuckets, FollowTheSpan)
{
    const QDate first(2026, 6, 3); // a Wednesday
    const struct
    {
        int days;
        TrendBucket bucket;
        QDate start;
    } cases[] = {
        {1, TrendBucket::Day, first},
        {62, TrendBucket::Day, first},
        {63, TrendBucket::Week, QDate(2026, 6, 1)},
        {731, TrendBucket::Week, QDate(2026, 6, 1)},
        {732, TrendBucket::Month, QDate(2026, 6, 1)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TrendBucketFor(first, first.addDays(c.days - 1)), c.bucket) << c.days;
        EXPECT_EQ(TrendBucketStart(c.bucket, first), c.start) << c.days;
    }
}

TEST_F(Charts, ReadsTheFiguresOfTheSearchInTheDatabase)
{
    test::checkNovember(dm.acntVesk.database());
    test::checkCost(dm.acntVesk.database());
    // A span over 62 days is folded into weeks starting on Mondays, quiet weeks included.
    QSqlQuery(dm.acntVesk.database())
        .exec(QStringLiteral("insert into tPrinterData (TotalPageCount, PrintTime) values "
                             "(7, '2026-06-03 08:00:00')"));
    TrendData d;
    ASSERT_TRUE(ReadTrendData(dm.acntVesk.database(), QString(), 0, d));
    EXPECT_EQ(d.bucket, TrendBucket::Week);
    ASSERT_FALSE(d.points.empty());
    EXPECT_EQ(d.points.front().start, QDate(2026, 6, 1));
    EXPECT_EQ(d.points.front().pages, 7);
    EXPECT_EQ(d.points.back().start, QDate(2026, 11, 2));
    EXPECT_EQ(d.points.back().pages, 16);
    EXPECT_EQ(d.points.size(), 23u);
}

TEST_F(Charts, CostChartWritesMoneyInTheCurrency)
{
    test::setChartCosts(dm.acntVesk.database());
    const SearchStatement november =
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}});
    TrendData d;
    ASSERT_TRUE(ReadTrendData(dm.acntVesk.database(), TrendSearch{november.filter, november.totals},
                              TrendPicture::TopCount, d, nullptr, TrendFigures::WithCost));
    const struct
    {
        const char *code, *scale, *figures;
    } cases[] = {
        {"", "12.34",
         "Cost per day: 2026-11-02=7.50 2026-11-03=0.00 2026-11-04=3.00 2026-11-05=12.34\n"
         "Departments with the highest cost: IT=15.34 Sales=7.50\n"
         "Printers with the highest cost: P1=19.84 P2=3.00\n"
         "Computers with the highest cost: PC-C=12.34 PC-A=7.50 PC-B=3.00\n"
         "Employees with the highest cost: Cy=12.34 Ann=7.50 Bob=3.00"},
        {"EUR", "12.34 EUR", "Printers with the highest cost: P1=19.84 EUR P2=3.00 EUR"},
        {"JPY", "1,234 JPY", "Printers with the highest cost: P1=1,984 JPY P2=300 JPY"},
    };
    for (const auto &c : cases) {
        const TrendPicture picture(d, lang(), TrendMeasure::Cost,
                                   CurrencyOf(QString::fromLatin1(c.code)));
        // The scale's top label, and the bars' figures (a line of them where one is given).
        EXPECT_TRUE(picture.svg().contains(u'>' + QString::fromLatin1(c.scale) + u'<')) << c.code;
        const std::string figures = pictureFigures(picture);
        EXPECT_NE(figures.find(c.figures), std::string::npos) << figures;
    }
}

TEST_F(Charts, HistoryViewShowsAndSavesTheChartOfItsSearch)
{
    test::setChartCosts(dm.acntVesk.database());
    PrinterDataView view(dm);
    view.applyCatalogue();
    ChartButton commands(dm, &view);
    view.edtDept->setText(QStringLiteral("sales"));
    view.dtpBegin->setDate(QDate(2026, 11, 1));
    view.dtpEnd->setDate(QDate(2026, 12, 1));
    view.btnSearch->click();
    EXPECT_EQ(view.btnChart->text(), QStringLiteral("Chart"));

    TrendData expected;
    ASSERT_TRUE(ReadTrendData(dm.acntVesk.database(), view.PrinterDataFilter(),
                              TrendPicture::TopCount, expected));
    TrendPicture picture(expected, lang());
    const QString png = dir.file(QStringLiteral("chart.png"));
    bool shown = false;
    commands.showChart = [&](TTrendChartFrm &form) {
        shown = true;
        // The search's figures, worked out from the rows by hand: Sales printed 2 + 3 pages on
        // 2 November, on P1 from PC-A by Ann.
        EXPECT_EQ(pictureFigures(form.picture()), "Pages per day: 2026-11-02=5\n"
                                                  "Departments with the most pages: Sales=5\n"
                                                  "Printers with the most pages: P1=5\n"
                                                  "Computers with the most pages: PC-A=5\n"
                                                  "Employees with the most pages: Ann=5");
        EXPECT_EQ(form.picture().image(), picture.image());
        form.choosePngFile = [&] { return png; };
        form.btnSavePng->click();
        // The measure switches the picture to cost, from the figures the window was given.
        form.cbMeasure->setCurrentIndex(1);
        EXPECT_EQ(form.measure(), TrendMeasure::Cost);
        EXPECT_EQ(pictureFigures(form.picture()), "Cost per day: 2026-11-02=7.50\n"
                                                  "Departments with the highest cost: Sales=7.50\n"
                                                  "Printers with the highest cost: P1=7.50\n"
                                                  "Computers with the highest cost: PC-A=7.50\n"
                                                  "Employees with the highest cost: Ann=7.50");
        form.cbMeasure->setCurrentIndex(0);
        EXPECT_EQ(form.picture().image(), picture.image());
    };
    view.btnChart->click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied), picture.image());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Charts, VeskWritesTheSameChartAndPrintsTheTotals)
{
    const QStringList november{QStringLiteral("--from"), QStringLiteral("2026-11-01"),
                               QStringLiteral("--to"), QStringLiteral("2026-12-01")};
    const QString png = dir.file(QStringLiteral("cli.png"));
    ASSERT_EQ(vesk(QStringList{QStringLiteral("report"), QStringLiteral("--chart"),
                               QStringLiteral("-o"), png} +
                   november),
              0)
        << err.toStdString();
    TrendData d;
    ASSERT_TRUE(ReadTrendData(
        dm.acntVesk.database(),
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}}).filter,
        TrendPicture::TopCount, d));
    TrendPicture picture(d, lang());
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied), picture.image());
    // November's figures by hand (ChartRows), in the picture the command wrote.
    EXPECT_EQ(pictureFigures(picture),
              "Pages per day: 2026-11-02=5 2026-11-03=0 2026-11-04=10 2026-11-05=1\n"
              "Departments with the most pages: IT=11 Sales=5\n"
              "Printers with the most pages: P2=10 P1=6\n"
              "Computers with the most pages: PC-B=10 PC-A=5 PC-C=1\n"
              "Employees with the most pages: Bob=10 Ann=5 Cy=1");

    // The cost measure draws the picture of the cost figures; an unknown measure is refused.
    const QStringList costChart{QStringLiteral("report"),    QStringLiteral("--chart"),
                                QStringLiteral("--measure"), QStringLiteral("cost"),
                                QStringLiteral("-o"),        png};
    ASSERT_EQ(vesk(costChart + november), 0) << err.toStdString();
    ASSERT_TRUE(ReadTrendData(
        dm.acntVesk.database(),
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}}).filter,
        TrendPicture::TopCount, d, nullptr, TrendFigures::WithCost));
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied),
              TrendPicture(d, lang(), TrendMeasure::Cost).image());
    EXPECT_EQ(vesk(QStringList(costChart).replaceInStrings(QStringLiteral("cost"),
                                                           QStringLiteral("euros"))),
              2);

    ASSERT_EQ(vesk(QStringList{QStringLiteral("summary"), QStringLiteral("--csv")} + november), 0)
        << err.toStdString();
    EXPECT_EQ(out.toStdString(),
              "Group,Name,Pages,Jobs,Cost\r\n"
              "Department,IT,11,2,0.00\r\nDepartment,Sales,5,2,0.00\r\n"
              "Printer,P2,10,1,0.00\r\nPrinter,P1,6,3,0.00\r\n"
              "Computer,PC-B,10,1,0.00\r\nComputer,PC-A,5,2,0.00\r\nComputer,PC-C,1,1,0.00\r\n"
              "Employee,Bob,10,1,0.00\r\nEmployee,Ann,5,2,0.00\r\nEmployee,Cy,1,1,0.00\r\n");
    ASSERT_EQ(vesk({QStringLiteral("summary"), QStringLiteral("--dept"), QStringLiteral("sales")}),
              0)
        << err.toStdString();
    EXPECT_EQ(out.toStdString(), "Department       Pages      Jobs              Cost\n"
                                 "  Sales              5         2              0.00\n"
                                 "\n"
                                 "Printer          Pages      Jobs              Cost\n"
                                 "  P1                 5         2              0.00\n"
                                 "\n"
                                 "Computer         Pages      Jobs              Cost\n"
                                 "  PC-A               5         2              0.00\n"
                                 "\n"
                                 "Employee         Pages      Jobs              Cost\n"
                                 "  Ann                5         2              0.00\n"
                                 "\n"
                                 "Total                5         2              0.00\n");
    EXPECT_EQ(vesk({QStringLiteral("summary"), QStringLiteral("--from"), QStringLiteral("soon")}),
              2);
}

TEST(TrendSummary, CsvNamesNeverStartAFormula)
{
    // A name comes from a print job, whose title and user any person chooses.
    const struct
    {
        QString name, field;
    } cases[] = {
        {QStringLiteral("=HYPERLINK(\"http://x\",\"y\")"),
         QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"")},
        {QStringLiteral("@SUM(A1)"), QStringLiteral("'@SUM(A1)")},
        {QStringLiteral("-PC"), QStringLiteral("'-PC")},
        {QStringLiteral("PC-1"), QStringLiteral("PC-1")},
    };
    for (const auto &c : cases) {
        TrendData data;
        data.totals[0].push_back({c.name, 3, 1, 1234});
        const QString csv = TrendSummaryCsv(data, [](const QString &key) { return key; });
        EXPECT_EQ(csv.split(QStringLiteral("\r\n")).at(1),
                  QStringLiteral("RSDeptName,%1,3,1,12.34").arg(c.field))
            << c.name.toStdString();
    }
}
