// Column display settings: the grids' layout written back, and the rule for storing an edit.
#include "ShowSettings.h"

#include "RecordColumns.h"
#include "ReportsFixture.h"

#include <QSqlQuery>

namespace vesk::test {

namespace {

class ShowSettingsTest : public ReportsFixture
{
protected:
    // "FieldName:Findex:FName" of a table's rows, by Findex.
    QStringList settings(const QString &table)
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("select FieldName, Findex, FName, FWidth, IsVisible from "
                              "tShowSetting where tableName='%1' order by Findex")
                   .arg(table));
        QStringList out;
        while (q.next())
            out << QStringLiteral("%1:%2:%3:%4:%5")
                       .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                            q.value(3).toString(), q.value(4).toString());
        return out;
    }
};

} // namespace

TEST_F(ShowSettingsTest, SavingTheGridLayoutWritesPositionsAndTitles)
{
    // The third column moved to the front; a title with a quote; a field without a row.
    const QStringList order{QStringLiteral("hostName"), QStringLiteral("PrinterName"),
                            QStringLiteral("documentName"), QStringLiteral("NoRow")};
    const auto label = [](const QString &f) {
        return f == u"hostName" ? QStringLiteral("Computer's name") : f + QStringLiteral("!");
    };
    QString error;
    ASSERT_TRUE(SaveShowColumns(db(), ReportTable::PrinterData, order, label, &error))
        << error.toStdString();
    const QStringList rows = settings(QStringLiteral("tPrinterData"));
    EXPECT_EQ(rows.mid(0, 3), (QStringList{QStringLiteral("hostName:0:Computer's name:90:1"),
                                           QStringLiteral("PrinterName:1:PrinterName!:92:1"),
                                           QStringLiteral("documentName:2:documentName!:127:1")}));
    EXPECT_EQ(rows.size(), PrinterDataColumnCount); // no row was added
    EXPECT_EQ(settings(QStringLiteral("tHost")).first(),
              QStringLiteral("HostName:0:Computer:120:1"));
}

TEST_F(ShowSettingsTest, OpeningListsTheRowsInTheStatementsOrder)
{
    exec(QStringLiteral("update tShowSetting set Findex=20 where FieldName='HostName' and "
                        "tableName='tHost'"));
    ShowSettingEditor e;
    ASSERT_TRUE(e.open(db(), ShowSettingStatement(ReportTable::Host)));
    ASSERT_EQ(e.rowCount(), 10);
    EXPECT_EQ(e.row(9).fieldName, QStringLiteral("HostName"));
    ASSERT_TRUE(e.open(db(), ShowSettingStatement(ReportTable::PrinterData)));
    EXPECT_EQ(e.row(0).fieldName, QStringLiteral("PrinterName")); // the database's own order
    EXPECT_EQ(e.rowCount(), PrinterDataColumnCount);
}

TEST_F(ShowSettingsTest, AnEditIsStoredOnlyWithIsVisibleZeroOrOne)
{
    const struct
    {
        const char *visible;
        const char *width;
        ShowSettingEditor::PostResult result;
        const char *stored; // the PrinterName row afterwards
    } cases[] = {
        {"2", "300", ShowSettingEditor::PostResult::Refused, "PrinterName:0:Printer:92:1"},
        {"-1", "300", ShowSettingEditor::PostResult::Refused, "PrinterName:0:Printer:92:1"},
        {"x", "300", ShowSettingEditor::PostResult::Refused, "PrinterName:0:Printer:92:1"},
        {"0", "300", ShowSettingEditor::PostResult::Stored, "PrinterName:0:Printer:300:0"},
        {"", "120", ShowSettingEditor::PostResult::Stored, "PrinterName:0:Printer:120:0"},
        {"1", "", ShowSettingEditor::PostResult::Stored, "PrinterName:0:Printer::1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.visible);
        ShowSettingEditor e;
        ASSERT_TRUE(e.open(db(), ShowSettingStatement(ReportTable::PrinterData)));
        EXPECT_FALSE(e.setValue(0, ShowSettingEditor::ColFName, QStringLiteral("new")));
        ASSERT_TRUE(e.setValue(0, ShowSettingEditor::ColFWidth, QString::fromLatin1(c.width)));
        ASSERT_TRUE(e.setValue(0, ShowSettingEditor::ColIsVisible, QString::fromLatin1(c.visible)));
        EXPECT_FALSE(e.setValue(1, ShowSettingEditor::ColFWidth, 5)); // one row in edit at a time
        EXPECT_EQ(e.post(), c.result);
        const bool refused = c.result == ShowSettingEditor::PostResult::Refused;
        EXPECT_EQ(e.editingRow(), refused ? 0 : -1);
        // A refused edit keeps the text typed; a stored one shows what was stored.
        EXPECT_EQ(e.row(0).isVisible.toString(),
                  refused ? QString::fromLatin1(c.visible)
                          : QString::fromLatin1(c.stored).section(u':', -1));
        e.cancel();
        EXPECT_EQ(settings(QStringLiteral("tPrinterData")).first(), QString::fromLatin1(c.stored));
    }
}

} // namespace vesk::test
