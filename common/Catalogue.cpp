// Language-dependent titles and the catalogue keys of the column titles.
#include "Catalogue.h"

#include "RecordColumns.h"

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

namespace {

std::vector<ColumnTitle> titlesOf(RecordColumns columns)
{
    std::vector<ColumnTitle> titles;
    for (const RecordColumn &c : columns)
        titles.push_back({QLatin1String(c.field), QLatin1String(c.titleKey)});
    return titles;
}

} // namespace

const std::vector<ColumnTitle> &PrinterDataTitles()
{
    static const std::vector<ColumnTitle> titles = titlesOf(PrinterDataColumns);
    return titles;
}

const std::vector<ColumnTitle> &HostTitles()
{
    static const std::vector<ColumnTitle> titles = titlesOf(HostColumns);
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
