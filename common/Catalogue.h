// Rules that depend on the language: product titles and the column titles of the record tables.
#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace vesk {

using LangLookup = std::function<QString(const QString &key)>;

// Main-window caption: the Chinese prefix when `langCode` is "cn" in any letter case, else the
// English one; both end with one blank and are followed by the version text.
QString ProductTitle(const QString &langCode, const QString &version);
// The splash window's title label.
QString SplashTitle(const QString &langCode);

// A column of a record table with the catalogue key of its title; an empty key means the
// column shows its own name (MAC, and IP of the computers).
struct ColumnTitle
{
    QString field;
    QString key;
};
// The columns of tPrinterData and tHost with their keys, from the column table (RecordColumns.h).
const std::vector<ColumnTitle> &PrinterDataTitles();
const std::vector<ColumnTitle> &HostTitles();
const std::vector<ColumnTitle> &PrinterTitles(); // Name, HostName, IsMonitor of tPrinter

// The title of a column: its key's text, or its own name where it has no key.
QString columnTitle(const ColumnTitle &c, const LangLookup &lang);

} // namespace vesk
