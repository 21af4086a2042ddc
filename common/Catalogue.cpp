// Language-dependent titles and the catalogue keys of the column titles.
#include "Catalogue.h"

namespace vesk {

QString ProductTitle(const QString &langCode, const QString &version)
{
    if (langCode.toUpper() == u"CN")
        return QStringLiteral("Vesk打印机监控系统 ") + version;
    return QStringLiteral("Vesk Printer Monitor System ") + version;
}

QString SplashTitle(const QString &langCode)
{
    if (langCode.toUpper() == u"CN")
        return QStringLiteral("Vesk打印机监控系统 ");
    return QStringLiteral("Vesk Printer Monitor");
}

const std::vector<ColumnTitle> &PrinterDataTitles()
{
    static const std::vector<ColumnTitle> titles{
        {QStringLiteral("PrinterName"), QStringLiteral("RSPrinterName")},
        {QStringLiteral("documentName"), QStringLiteral("RSdocumentName")},
        {QStringLiteral("hostName"), QStringLiteral("RShostName")},
        {QStringLiteral("TotalPageCount"), QStringLiteral("RSTotalPageCount")},
        {QStringLiteral("PrintedDocumentSize"), QStringLiteral("RSPrintedDocumentSize")},
        {QStringLiteral("PageSize"), QStringLiteral("RSPageSize")},
        {QStringLiteral("PrintTime"), QStringLiteral("RSPrintTime")},
        {QStringLiteral("OperatorName"), QStringLiteral("RSOperatorName")},
        {QStringLiteral("IP"), QStringLiteral("RSIP")},
        {QStringLiteral("MAC"), QString()},
        {QStringLiteral("EmName"), QStringLiteral("RSEmName")},
        {QStringLiteral("DeptName"), QStringLiteral("RSDeptName")},
        {QStringLiteral("JobOutcome"), QStringLiteral("RSJobOutcome")},
        {QStringLiteral("PagesPrinted"), QStringLiteral("RSPagesPrinted")},
        {QStringLiteral("ColorPrint"), QStringLiteral("RSColorPrint")},
        {QStringLiteral("Duplex"), QStringLiteral("RSDuplex")},
    };
    return titles;
}

const std::vector<ColumnTitle> &HostTitles()
{
    static const std::vector<ColumnTitle> titles{
        {QStringLiteral("HostName"), QStringLiteral("RShostName")},
        {QStringLiteral("IP"), QString()},
        {QStringLiteral("MAC"), QString()},
        {QStringLiteral("tNetGroup"), QStringLiteral("RSNetGroup")},
        {QStringLiteral("DeptName"), QStringLiteral("RSBelongDept")},
        {QStringLiteral("EmName"), QStringLiteral("RSBelongEmName")},
        {QStringLiteral("Tel"), QStringLiteral("RSTel")},
        {QStringLiteral("Fax"), QStringLiteral("RSFax")},
        {QStringLiteral("Email"), QStringLiteral("RSEmail")},
        {QStringLiteral("Memo"), QStringLiteral("RSMemo")},
    };
    return titles;
}

const std::vector<ColumnTitle> &PrinterTitles()
{
    static const std::vector<ColumnTitle> titles{
        {QStringLiteral("Name"), QStringLiteral("RSPrinterName")},
        {QStringLiteral("HostName"), QStringLiteral("RShostName")},
        {QStringLiteral("IsMonitor"), QStringLiteral("RSIsMonitorCaption")},
    };
    return titles;
}

QString columnTitle(const ColumnTitle &c, const LangLookup &lang)
{
    return c.key.isEmpty() ? c.field : lang(c.key);
}

} // namespace vesk
