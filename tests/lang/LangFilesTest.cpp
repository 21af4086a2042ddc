// The English and Chinese catalogues: complete, consistent, and decoded correctly.
#include "CodePage.h"
#include "IniFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr int AnsiCharset = 0;
constexpr int GbkCharset = 134;

QString langPath(const char *name)
{
    return QStringLiteral(VESK_LANG_SOURCE_DIR "/") + QLatin1String(name);
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Column titles become bracketed aliases of the export statement.
const QStringList &columnTitleKeys()
{
    static const QStringList keys{
        "RSPrinterName",
        "RSdocumentName",
        "RShostName",
        "RSTotalPageCount",
        "RSPrintedDocumentSize",
        "RSPageSize",
        "RSPrintTime",
        "RSOperatorName",
        "RSIP",
        "RSEmName",
        "RSDeptName",
        "RSJobOutcome",
        "RSPagesPrinted",
        "RSColorPrint",
        "RSDuplex",
        "RSCost",
        "RSNetGroup",
        "RSBelongDept",
        "RSBelongEmName",
        "RSTel",
        "RSFax",
        "RSEmail",
        "RSMemo",
    };
    return keys;
}

// Every key the programs look up. "RSSearchBtn " is asked for with its trailing blank.
const QStringList &expectedKeys()
{
    static const QStringList keys =
        QStringList{
            // Special roles.
            "RSLanuage", "RSVersion", "RSConfirmation", "RSDefaultDept", "RSUnkown", "RSOther",
        } +
        columnTitleKeys() +
        QStringList{
            // The other field labels.
            "RSName",
            "RSManager",
            "RSIsMonitorCaption",
            // Console navigation, menus and panels.
            "RSPhyNet",
            "RSNetManage",
            "RSHostInfo",
            "RSPrinterManage",
            "RSPrinterHistoryData",
            "RSHelp",
            "RSCosts",
            "RSBudgets",
            "RSPaperStock",
            "RSBudget",
            "RSSpent",
            "RSShare",
            "RSForecast",
            "RSSetBudget",
            "RSBadAmount",
            "RSBought",
            "RSUsed",
            "RSLeft",
            "RSMinimum",
            "RSSheetCost",
            "RSBuyDate",
            "RSSheets",
            "RSPaid",
            "RSBuy",
            "RSSetMinimum",
            "RSPurchaseIncomplete",
            "RSBelowMinimum",
            "RSMonoPrice",
            "RSColourPrice",
            "RSDuplexFactor",
            "RSPriceInherited",
            "RSPriceOwn",
            "RSBadPrice",
            "RSBadFactor",
            "RSAddSameLevelDept",
            "RSAddChildDept",
            "RSDelDeptM",
            "RSComputerAjust",
            "RSProperty",
            "RSForm",
            "RSLog",
            "RSDelComputer",
            "RSDelete",
            "RSDeleteRecord",
            "RSInvalidFieldValue",
            "RSSorting",
            "RSReSearch",
            "RSPrint",
            "RSReset",
            "RSSearchBtn ",
            "RSExcel",
            "RSPrintGroup",
            "RSTo",
            // Dialogs.
            "RSOK",
            "RSCancel",
            "RSClose",
            "RSYES",
            "RSNO",
            "RSInformation",
            "RSPrintSetinng",
            "RSColName",
            "RSColWidth",
            "RSIsPrint",
            // Agent window and tray.
            "RSMonitorCaption",
            "RSSaveData",
            "RSShowInfo",
            "RSAddPrinter",
            "RSDelPrinter",
            "RSShowMonitorApp",
            "RSHideMonitorApp",
            "RSStartManageTool",
            "RSWebSearch",
            "RSExitMonitor",
            // Console messages and log lines.
            "RSQueryClose",
            "RSBeginSearch",
            "RSSearch",
            "RSFindGroup",
            "RShost",
            "RSPrinter",
            "RSSearchComplete",
            "RSSaveTreeData",
            "RSOpenTreeData",
            "RSOpenComplete",
            "RSNoIniNetData",
            "RSPrefixInfoBegin",
            "RSDeptTreeBegin",
            "RSPrefixInfoEnd",
            "RSInfoError",
            "RSRowChanged",
            "RSDefaultDeptNo",
            "RSNewDept",
            "RSDelDept",
            "RSExistSameCompute",
            "RSModifyCompute",
            "RSDelCompute",
            "RSDelComputeSu",
            "RSOperateSuccess",
            "RSDeptExist",
            "RSHostExist",
            "RSDeptNameInvalid",
            "RSHostNameInvalid",
            "RSNoDefaultDept",
            "RSDeptNotExist",
            "RSDeptMoveNo",
            "RSNeedYes",
            "RSDataPrint",
            "RSPrintDataPrintTitle",
            "RSReportGroupTotal",
            "RSReportGrandTotal",
            "RSHostPrintTitle",
            "RSIsVisible",
            "RSExcelSuccess",
            "RSSavePdf",
            "RSPrintError",
            "RSIsMonitor",
            "RSComputeNotExist",
            "RSPrinterNotExist",
            "RSDelPrinterConfirm",
            // Agent messages and log lines.
            "RSConnectionErr",
            "RSDatabaseNewer",
            "RSReadPrinterList",
            "RSReadPrinterListFinish",
            "RSMonitorSuccess",
            "RSMonitorErr",
            "RSAskEndMonitor",
            "RSEndMonitor",
            "RSMonitorPrinterNoDel",
            "RSPrinterExist",
            "RSNameNull",
            "RSSaveComplete",
            "RSSaveErr",
            "RSStartManageToolErr",
            "RSJobsMissing",
            "RSJobValuesWithheld",
            "RSAgentRunning",
            "RSStateFolderUnusable",
            // Trend chart, summary and document name privacy.
            "RSChart",
            "RSChartTitle",
            "RSChartSave",
            "RSChartMeasure",
            "RSChartPerDay",
            "RSChartPerWeek",
            "RSChartPerMonth",
            "RSChartCostPerDay",
            "RSChartCostPerWeek",
            "RSChartCostPerMonth",
            "RSChartPages",
            "RSChartJobs",
            "RSChartCost",
            "RSChartTotal",
            "RSChartGroup",
            "RSChartName",
            "RSChartTopDept",
            "RSChartTopPrinter",
            "RSChartTopHost",
            "RSChartTopEm",
            "RSChartTopDeptCost",
            "RSChartTopPrinterCost",
            "RSChartTopHostCost",
            "RSChartTopEmCost",
            "RSRedactDone",
            "RSPrivacyBad",
            // Database versions and vesk migrate.
            "RSDatabaseOlder",
            "RSMigrateDryRun",
            "RSMigrateDone",
            "RSMigrateNotEmpty",
            "RSMigrateSourceVersion",
            "RSMigrateLayout",
            "RSMigrateCounts",
            "RSMigrateFailed",
            "RSMigrateNotSQLite",
            "RSMigrateNotPostgreSQL",
            // Job outcome values and the search form's "any".
            "RSJobPrinted",
            "RSJobCancelled",
            "RSJobAborted",
            "RSAnyValue",
            // The web view.
            "RSWebSignIn",
            "RSWebSignOut",
            "RSWebName",
            "RSWebPassword",
            "RSWebSignInFailed",
            "RSWebTooMany",
            "RSWebOverview",
            "RSWebHistory",
            "RSWebAllDepts",
            "RSWebOwnDepts",
            "RSWebPeriod",
            "RSWebThisMonth",
            "RSWebLastMonth",
            "RSWebThisYear",
            "RSWebRange",
            "RSWebFrom",
            "RSWebShow",
            "RSWebColorShare",
            "RSWebDuplexShare",
            "RSWebPaperLow",
            "RSWebNoRows",
            "RSWebSortBy",
            "RSWebAscending",
            "RSWebDescending",
            "RSWebFirstPage",
            "RSWebNextPage",
            "RSWebPreviousPage",
            "RSWebDownloadXlsx",
            "RSWebDownloadCsv",
            "RSWebDownloadPdf",
            "RSWebBadRequest",
            "RSWebForbidden",
            "RSWebNotFound",
            "RSWebTooLarge",
            "RSWebFailed",
            "RSMailMonthFormat",
            "RSMailWholeOffice",
            "RSMailStatementSubject",
            "RSMailStatementSubjectBudget",
            "RSMailCost",
            "RSMailBudgetShare",
            "RSMailStatementTitle",
            "RSMailStatementPeriod",
            "RSMailStatementFiles",
            "RSMailFooter",
            "RSMailTestSubject",
            "RSMailTestText",
            "RSMailBudgetSubject",
            "RSMailBudgetText",
            "RSMailPaperSubject",
            "RSMailPaperText",
        };
    return keys;
}

// Messages filled with a computer or printer name.
const QStringList &templateKeys()
{
    static const QStringList keys{
        "RSSaveErr",           "RSBadAmount",           "RSStartManageToolErr",
        "RSInfoError",         "RSJobsMissing",         "RSAgentRunning",
        "RSRedactDone",        "RSPrivacyBad",          "RSComputeNotExist",
        "RSModifyCompute",     "RSDelCompute",          "RSDelComputeSu",
        "RSDelPrinterConfirm", "RSMonitorSuccess",      "RSMonitorErr",
        "RSAskEndMonitor",     "RSEndMonitor",          "RSDeptExist",
        "RSHostExist",         "RSDeptNotExist",        "RSDatabaseNewer",
        "RSDatabaseOlder",     "RSMigrateNotEmpty",     "RSMigrateSourceVersion",
        "RSMigrateLayout",     "RSMigrateCounts",       "RSMigrateFailed",
        "RSJobValuesWithheld", "RSStateFolderUnusable", "RSBadPrice",
        "RSBadFactor",         "RSPrinterNotExist",
    };
    return keys;
}

struct Catalogue
{
    const char *file;
    int charset;
};

void PrintTo(const Catalogue &c, std::ostream *os)
{
    *os << c.file;
}

// The key names written in the [Lang] section, in file order, duplicates kept.
QStringList keysInFile(const QString &path, int charset)
{
    const QString text = vesk::decodeCodePage(readBytes(path), charset);
    QStringList keys;
    bool inLang = false;
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            inLang = line.compare(u"[Lang]", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inLang && eq > 0)
            keys << line.left(eq).trimmed();
    }
    return keys;
}

class LangFile : public ::testing::TestWithParam<Catalogue>
{
protected:
    QString path() const { return langPath(GetParam().file); }
    vesk::IniFile ini() const { return vesk::IniFile(path(), GetParam().charset); }
    QString lang(const QString &key) const { return ini().readString(u"Lang"_qs, key); }
};

TEST_P(LangFile, HoldsEveryExpectedKeyWithText)
{
    const vesk::IniFile file = ini();
    ASSERT_TRUE(file.exists()) << path().toStdString();
    for (const QString &key : expectedKeys())
        EXPECT_FALSE(file.readString(u"Lang"_qs, key).isEmpty())
            << "missing or empty: '" << key.toStdString() << "'";
}

TEST_P(LangFile, HoldsNoUnknownOrRepeatedKeys)
{
    const QStringList keys = keysInFile(path(), GetParam().charset);
    QStringList expected;
    for (const QString &key : expectedKeys())
        expected << key.trimmed();
    for (const QString &key : keys)
        EXPECT_TRUE(expected.contains(key)) << "unexpected key " << key.toStdString();
    // A repeated key would be shadowed by its first occurrence without a word.
    EXPECT_EQ(keys.size(), QSet<QString>(keys.begin(), keys.end()).size());
    EXPECT_EQ(keys.size(), expected.size());
}

TEST_P(LangFile, TemplatesCarryExactlyOnePlaceholder)
{
    const vesk::IniFile file = ini();
    const QRegularExpression placeholder(QStringLiteral("%s"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (const QString &key : expectedKeys()) {
        const QString text = file.readString(u"Lang"_qs, key);
        const qsizetype wanted = templateKeys().contains(key) ? 1 : 0;
        EXPECT_EQ(text.count(placeholder), wanted)
            << key.toStdString() << ": " << text.toStdString();
    }
}

TEST_P(LangFile, TextsFitWhereTheyAreInserted)
{
    const vesk::IniFile file = ini();
    for (const QString &key : columnTitleKeys())
        EXPECT_FALSE(file.readString(u"Lang"_qs, key).contains(u']')) << key.toStdString();
    // New department names are formed from this text and compared in a statement.
    EXPECT_FALSE(lang(u"RSNewDept"_qs).contains(u'\''));
    EXPECT_FALSE(lang(u"RSDefaultDept"_qs).contains(u'\''));
    for (const QString &key : expectedKeys())
        EXPECT_FALSE(file.readString(u"Lang"_qs, key).contains(u"spec", Qt::CaseInsensitive))
            << key.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Files, LangFile,
                         ::testing::Values(Catalogue{"English.ini", AnsiCharset},
                                           Catalogue{"Chinese.ini", GbkCharset}),
                         [](const ::testing::TestParamInfo<Catalogue> &info) {
                             return info.param.charset == GbkCharset ? std::string("Chinese")
                                                                     : std::string("English");
                         });

TEST(LangFiles, BothHoldTheSameKeys)
{
    QStringList english = keysInFile(langPath("English.ini"), AnsiCharset);
    QStringList chinese = keysInFile(langPath("Chinese.ini"), GbkCharset);
    english.sort();
    chinese.sort();
    EXPECT_EQ(english, chinese);
    EXPECT_FALSE(english.isEmpty());
}

TEST(LangFiles, EnglishIsPlainAsciiWithItsSpecialValues)
{
    const QByteArray bytes = readBytes(langPath("English.ini"));
    ASSERT_FALSE(bytes.isEmpty());
    for (const char c : bytes)
        ASSERT_EQ(static_cast<unsigned char>(c) & 0x80, 0) << "non-ASCII byte";

    const vesk::IniFile file(langPath("English.ini"), AnsiCharset);
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSLanuage"_qs), u"en"_qs);
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSDefaultDept"_qs), u"Default Department"_qs);
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSUnkown"_qs), u"Unknown"_qs);
    EXPECT_TRUE(file.readString(u"Lang"_qs, u"RSVersion"_qs).startsWith(u'V'));
}

TEST(LangFiles, ChineseReadAsGbkGivesTheRightCharacters)
{
    const vesk::IniFile file(langPath("Chinese.ini"), GbkCharset);
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSLanuage"_qs), u"cn"_qs);
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSDefaultDept"_qs), QStringLiteral("默认部门"));
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSUnkown"_qs), QStringLiteral("未知"));
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSPrinterManage"_qs), QStringLiteral("打印机管理"));
    EXPECT_EQ(file.readString(u"Lang"_qs, u"RSOK"_qs), QStringLiteral("确定"));

    const QString whole = vesk::decodeCodePage(readBytes(langPath("Chinese.ini")), GbkCharset);
    EXPECT_FALSE(whole.contains(QChar::ReplacementCharacter));
    for (const QString &key : expectedKeys())
        EXPECT_FALSE(file.readString(u"Lang"_qs, key).contains(QChar::ReplacementCharacter))
            << key.toStdString();
}

TEST(LangFiles, ChineseIsStoredInGbkNotUtf8)
{
    const QByteArray bytes = readBytes(langPath("Chinese.ini"));
    ASSERT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_NE(QString::fromUtf8(bytes).toUtf8(), bytes) << "file is valid UTF-8";

    // Read as the Western code page the same bytes must not give the Chinese texts.
    const vesk::IniFile western(langPath("Chinese.ini"), AnsiCharset);
    EXPECT_NE(western.readString(u"Lang"_qs, u"RSDefaultDept"_qs), QStringLiteral("默认部门"));
    EXPECT_NE(western.readString(u"Lang"_qs, u"RSUnkown"_qs), QStringLiteral("未知"));
    EXPECT_EQ(western.readString(u"Lang"_qs, u"RSLanuage"_qs), u"cn"_qs);
}

} // namespace
