// INI look-ups, code pages, message templates, quoting, CDate and connection strings.
#include "CDate.h"
#include "Catalogue.h"
#include "CodePage.h"
#include "ConnectionString.h"
#include "Errors.h"
#include "IniFile.h"
#include "MainDM.h"
#include "SqlText.h"
#include "TestAppDir.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace vesk;

namespace {

IniFile parsed(const QString &text)
{
    IniFile ini;
    ini.parse(text);
    return ini;
}

} // namespace

TEST(IniFile, MissingFileSectionOrKeyReadsEmpty)
{
    const IniFile none(QStringLiteral("/nonexistent/folder/Config.ini"), 0);
    EXPECT_FALSE(none.exists());
    EXPECT_EQ(none.readString(QStringLiteral("Lang"), QStringLiteral("RSOK")), QString());

    const IniFile ini = parsed(QStringLiteral("[Lang]\nRSOK=OK\n"));
    EXPECT_EQ(ini.readString(QStringLiteral("Other"), QStringLiteral("RSOK")), QString());
    EXPECT_EQ(ini.readString(QStringLiteral("Lang"), QStringLiteral("RSCancel")), QString());
}

TEST(IniFile, NamesMatchWithoutCaseOrBlanks)
{
    const IniFile ini = parsed(QStringLiteral("[ lang ]\r\n  RSSearchBtn  =  Search  \r\n"
                                              "rsok=OK\r\n"));
    EXPECT_EQ(ini.readString(QStringLiteral("Lang"), QStringLiteral("RSSearchBtn ")),
              QStringLiteral("Search"));
    EXPECT_EQ(ini.readString(QStringLiteral("LANG"), QStringLiteral("RSOK")), QStringLiteral("OK"));
}

TEST(IniFile, ValueIsAfterFirstEqualsAndLimited)
{
    const QString longValue(3000, u'x');
    const IniFile ini = parsed(QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data "
                                              "Source=a=b.db\nLong=") +
                               longValue + u'\n');
    EXPECT_EQ(ini.readString(QStringLiteral("connection"), QStringLiteral("constr")),
              QStringLiteral("Provider=SQLite;Data Source=a=b.db"));
    EXPECT_EQ(ini.readString(QStringLiteral("Connection"), QStringLiteral("Long")).size(),
              IniFile::MaxValueLength);
}

TEST(CodePage, GbkAndUtf8BomDecode)
{
    // "默认部门" in GBK.
    const QByteArray gbk("\xC4\xAC\xC8\xCF\xB2\xBF\xC3\xC5");
    EXPECT_EQ(decodeCodePage(gbk, 134), QStringLiteral("默认部门"));
    EXPECT_NE(decodeCodePage(gbk, 0), QStringLiteral("默认部门"));
    EXPECT_EQ(decodeCodePage(QByteArray("\xEF\xBB\xBF\xE9\xBB\x98"), 0), QStringLiteral("默"));
    EXPECT_EQ(decodeCodePage(QByteArray("caf\xE9"), 0), QStringLiteral("café"));
    // A truncated double-byte sequence is marked, not dropped silently or crashed on.
    EXPECT_TRUE(decodeCodePage(QByteArray("A\xC4"), 134).startsWith(u'A'));
}

TEST(CodePage, LengthCountsCodePageBytes)
{
    // Widths that older layouts derived from caption lengths count a Chinese character twice.
    EXPECT_EQ(codePageLength(QStringLiteral("打印机"), 134), 6);
    EXPECT_EQ(codePageLength(QStringLiteral("IP地址"), 134), 6);
    EXPECT_EQ(codePageLength(QStringLiteral("Pages"), 0), 5);
    EXPECT_EQ(codePageLength(QStringLiteral("café"), 0), 4);
    EXPECT_EQ(codePageLength(QString(), 134), 0);
}

TEST(FillMsg, ReplacesOnlyTheFirstPlaceholderInAnyCase)
{
    EXPECT_EQ(TdmMain::FillMsg(QStringLiteral("Printer %s and %s"), QStringLiteral("P1")),
              QStringLiteral("Printer P1 and %s"));
    EXPECT_EQ(TdmMain::FillMsg(QStringLiteral("Computer %S missing"), QStringLiteral("PC")),
              QStringLiteral("Computer PC missing"));
    EXPECT_EQ(TdmMain::FillMsg(QStringLiteral("No placeholder"), QStringLiteral("PC")),
              QStringLiteral("No placeholder"));
    // A value that itself holds %s is inserted literally, once.
    EXPECT_EQ(TdmMain::FillMsg(QStringLiteral("[%s]"), QStringLiteral("%s")),
              QStringLiteral("[%s]"));
}

TEST(QuotedStr, DoublesInnerQuotes)
{
    EXPECT_EQ(QuotedStr(QStringLiteral("O'Brien's")), QStringLiteral("'O''Brien''s'"));
    EXPECT_EQ(QuotedStr(QString()), QStringLiteral("''"));
}

TEST(StrToInt, ReportsBadTextWithItsMessage)
{
    EXPECT_EQ(StrToInt(QStringLiteral("134")), 134);
    EXPECT_EQ(StrToInt(QStringLiteral("-1")), -1);
    for (const QString &bad :
         {QStringLiteral("abc"), QString(), QStringLiteral("1 34"), QStringLiteral("12x")}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "no error for " << bad.toStdString();
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
}

TEST(CDate, ReadsDatesAndDateTimesAndRefusesTheRest)
{
    EXPECT_EQ(cdateText(QStringLiteral("2026-12-01")), QStringLiteral("2026-12-01 00:00:00"));
    EXPECT_EQ(cdateText(QStringLiteral("2026-12-01 08:05:09")),
              QStringLiteral("2026-12-01 08:05:09"));
    EXPECT_EQ(cdateText(QStringLiteral("2026/1/2")), QStringLiteral("2026-01-02 00:00:00"));
    for (const QString &bad : {QStringLiteral("PrintTime"), QStringLiteral("2026-02-30"),
                               QStringLiteral("2026-12-01 25:00:00"), QString(),
                               QStringLiteral("'; drop table tDept; --")})
        EXPECT_FALSE(cdateText(bad).has_value()) << bad.toStdString();
    // A time in the machine's daylight-saving gap is kept as written: no time zone takes part
    // (nor its tzset, which the threads that run queries would share).
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    EXPECT_EQ(cdateText(QStringLiteral("2026-03-29 02:30:00")),
              QStringLiteral("2026-03-29 02:30:00"));
}

TEST(ConnectionString, KeysIgnoreCaseAndSelectTheEngine)
{
    const auto cs =
        ConnectionString::parse(QStringLiteral("provider=SQLite; DATA SOURCE = data/v.db ;"));
    EXPECT_EQ(cs.engine(), DbEngine::SQLite);
    EXPECT_EQ(cs.sqliteFile(QStringLiteral("/app/")), QStringLiteral("/app/data/v.db"));
    EXPECT_EQ(cs.sqliteFile(QStringLiteral("/app/")), cs.sqliteFile(QStringLiteral("/app")));
    EXPECT_EQ(ConnectionString::parse(QStringLiteral("Data Source=/abs/v.db"))
                  .sqliteFile(QStringLiteral("/app/")),
              QStringLiteral("/abs/v.db"));
    EXPECT_EQ(
        ConnectionString::parse(QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1")).engine(),
        DbEngine::PostgreSQL);
    EXPECT_EQ(ConnectionString::parse(
                  QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"))
                  .engine(),
              DbEngine::Unknown);
}

TEST(Catalogue, ProductTitleFollowsTheLanguageCode)
{
    const QString v = QStringLiteral("V1.0");
    for (const QString &cn : {QStringLiteral("cn"), QStringLiteral("CN"), QStringLiteral("Cn")})
        EXPECT_EQ(ProductTitle(cn, v), QStringLiteral("Vesk打印机监控系统 V1.0"));
    for (const QString &other : {QStringLiteral("big5"), QStringLiteral("en"), QString()})
        EXPECT_EQ(ProductTitle(other, v), QStringLiteral("Vesk Printer Monitor System V1.0"));
    EXPECT_EQ(ProductTitle(QStringLiteral("en"), QString()),
              QStringLiteral("Vesk Printer Monitor System "));
    EXPECT_EQ(SplashTitle(QStringLiteral("en")), QStringLiteral("Vesk Printer Monitor"));
}
