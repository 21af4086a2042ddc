// Spreadsheet export: rows streamed from one statement into libxlsxwriter or a CSV file.
#include "SpreadsheetExport.h"

#include "CDate.h"
#include "Database.h"
#include "JobCost.h"
#include "JobOutcome.h"
#include "OutputFile.h"
#include "RecordColumns.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QTime>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

namespace vesk {

namespace {

const QString PrintTimeField = QStringLiteral("PrintTime");
constexpr char SheetName[] = "Data";
constexpr char DateTimeFormat[] = "yyyy-mm-dd hh:mm:ss";
constexpr int MaxCellText = 32767; // a spreadsheet cell holds no more characters
// Column widths, in characters of the sheet's default font.
constexpr double DateTimeWidth = 20;    // "yyyy-mm-dd hh:mm:ss" and a little room
constexpr double UndeclaredWidth = 30;  // a text column whose grid declares no width (a memo)
constexpr double FilterButtonWidth = 3; // the heading's filter button covers its right end
constexpr double MaxColumnWidth = 60;

// Keys of headings that differ from the grid's titles: the computers' IP column is titled.
QString headingKey(ReportTable table, const ColumnTitle &c)
{
    if (table == ReportTable::Host &&
        c.field.compare(QStringLiteral("IP"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("RSIP");
    return c.key;
}

enum class NumberKind
{
    None,
    Integer,
    Real
};

// One list of the types that count as numbers, for the columns' kinds and the cells' texts.
NumberKind numberKind(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return NumberKind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return NumberKind::Real;
    default:
        return NumberKind::None;
    }
}

// The statement and the cell kinds of its result, numbers as the database types them.
bool openRows(QSqlDatabase db, ReportTable table, const QString &filter,
              std::vector<ExportColumn> &columns, QSqlQuery &q, QString *error)
{
    QStringList fields;
    for (const ExportColumn &c : columns)
        fields << c.field;
    const QString statement = QStringLiteral("select  ") + fields.join(QStringLiteral(", ")) +
                              QStringLiteral(" FROM ") + ReportTableName(table) + u' ' + filter;
    q.setForwardOnly(true);
    if (!q.exec(translateStatement(db, statement))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    const QSqlRecord rec = q.record();
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        ExportColumn &c = columns[static_cast<size_t>(i)];
        if (c.kind == ExportColumn::Kind::Text &&
            numberKind(rec.field(i).metaType()) != NumberKind::None)
            c.kind = ExportColumn::Kind::Number;
    }
    return true;
}

// A number column's cell: always quoted, so the column reads alike whatever its values; a
// value that is no number (SQLite keeps a text in a number column) is a text cell like any.
QString numberCell(const QVariant &v)
{
    switch (numberKind(v.metaType())) {
    case NumberKind::Real:
        return u'"' + QString::number(v.toDouble(), 'g', 15) + u'"';
    case NumberKind::Integer:
        return u'"' + v.toString() + u'"';
    case NumberKind::None:
        break;
    }
    return CsvTextField(v.toString());
}

bool writeCsv(QSqlQuery &q, const std::vector<ExportColumn> &columns, const QString &fileName,
              QString *error)
{
    QSaveFile file;
    if (!OpenOutputFile(fileName, file, error))
        return false;
    QString line;
    const auto flush = [&] {
        line += QStringLiteral("\r\n");
        file.write(line.toUtf8());
        line.clear();
    };
    file.write("\xEF\xBB\xBF");
    for (size_t i = 0; i < columns.size(); ++i)
        line += (i ? QStringLiteral(",") : QString()) + CsvTextField(columns[i].heading);
    flush();
    while (q.next()) {
        for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
            if (i)
                line += u',';
            const QVariant v = q.value(i);
            if (v.isNull())
                continue;
            const ExportColumn &c = columns[static_cast<size_t>(i)];
            line += c.kind == ExportColumn::Kind::Number  ? numberCell(v)
                    : c.kind == ExportColumn::Kind::Coded ? CsvTextField(c.shown(v))
                    : c.kind == ExportColumn::Kind::Money ? CostCellText(v, c.currency)
                                                          : CsvTextField(v.toString());
        }
        flush();
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

// PrintTime's stored text "yyyy-MM-dd hh:mm:ss" as a spreadsheet date and time. Read digit by
// digit: a parse through QDateTime consults the time zone files for every cell.
bool storedTime(const QString &s, lxw_datetime &dt)
{
    static_assert(sizeof(PrintTimeFormat) == 20, "yyyy-MM-dd hh:mm:ss");
    if (s.size() != 19)
        return false;
    int fields[6];
    const int starts[6] = {0, 5, 8, 11, 14, 17};
    const int lengths[6] = {4, 2, 2, 2, 2, 2};
    for (int f = 0; f < 6; ++f) {
        int n = 0;
        for (int i = starts[f]; i < starts[f] + lengths[f]; ++i) {
            if (!s[i].isDigit())
                return false;
            n = n * 10 + s[i].digitValue();
        }
        fields[f] = n;
    }
    if (!QDate::isValid(fields[0], fields[1], fields[2]) ||
        !QTime::isValid(fields[3], fields[4], fields[5]))
        return false;
    dt = {fields[0], fields[1], fields[2], fields[3], fields[4], static_cast<double>(fields[5])};
    return true;
}

// The permissions a file written in place would get: an existing file's own, otherwise 0666
// less the process's umask (read from /proc, since umask() can only be read by changing it).
QFileDevice::Permissions finalPermissions(const QString &target)
{
    if (QFile::exists(target))
        return QFile::permissions(target);
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                mask = static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    const mode_t mode = 0666 & ~mask;
    QFileDevice::Permissions p;
    const struct
    {
        mode_t bit;
        QFileDevice::Permissions perms;
    } bits[] = {{S_IRUSR, QFileDevice::ReadOwner | QFileDevice::ReadUser},
                {S_IWUSR, QFileDevice::WriteOwner | QFileDevice::WriteUser},
                {S_IRGRP, QFileDevice::ReadGroup},
                {S_IWGRP, QFileDevice::WriteGroup},
                {S_IROTH, QFileDevice::ReadOther},
                {S_IWOTH, QFileDevice::WriteOther}};
    for (const auto &b : bits) {
        if (mode & b.bit)
            p |= b.perms;
    }
    return p;
}

// Characters a text takes in a cell, its widest line: the wide East Asian ones count twice.
double textWidth(const QString &text)
{
    double width = 0, line = 0;
    for (QChar c : text) {
        line = c == u'\n' ? 0 : line + (c.unicode() >= 0x2E80 && c.unicode() < 0xFF61 ? 2 : 1);
        width = std::max(width, line);
    }
    return width;
}

// A column's starting width from what it holds: a date and time its whole text (a narrower
// cell shows "#####"), any other the width the console's grid gives the column; the heading
// beside its filter button in every case. Texts written widen it further (textWidth).
double columnWidth(ReportTable table, const ExportColumn &column)
{
    double width = UndeclaredWidth;
    if (column.kind == ExportColumn::Kind::DateTime) {
        width = DateTimeWidth;
    } else {
        for (const RecordColumn &c :
             table == ReportTable::PrinterData ? PrinterDataColumns : HostColumns) {
            if (column.field.compare(QLatin1String(c.field), Qt::CaseInsensitive) == 0 &&
                c.displayWidth > 0)
                width = c.displayWidth;
        }
    }
    return std::min(MaxColumnWidth, std::max(width, textWidth(column.heading) + FilterButtonWidth));
}

// A libxlsxwriter workbook that is closed however the export ends.
struct Workbook
{
    lxw_workbook *wb = nullptr;
    lxw_error close()
    {
        // libxlsxwriter stamps the file's creation time through gmtime, whose result is one
        // buffer for the whole process: two workbooks closed at once (the web view's export
        // threads) would write into each other's stamp.
        static std::mutex closing;
        const std::lock_guard lock(closing);
        const lxw_error e = wb ? workbook_close(wb) : LXW_NO_ERROR;
        wb = nullptr;
        return e;
    }
    ~Workbook() { close(); }
};

bool writeXlsx(QSqlQuery &q, ReportTable table, const std::vector<ExportColumn> &columns,
               const QString &fileName, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    // Written under a temporary name in the target's folder and renamed over it at the end.
    const std::optional<QString> output = OutputFile(fileName, error);
    if (!output)
        return false;
    const QFileInfo target(*output);
    QTemporaryFile temp(target.absoluteDir().filePath(QStringLiteral(".vesk-export-XXXXXX")));
    if (!temp.open())
        return fail(temp.errorString() + QStringLiteral(": ") + target.absoluteFilePath());
    temp.close();
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows are flushed as they are written
    Workbook book;
    book.wb = workbook_new_opt(tempName.constData(), &options);
    if (!book.wb)
        return fail(QStringLiteral("cannot create ") + target.absoluteFilePath());
    lxw_worksheet *ws = workbook_add_worksheet(book.wb, SheetName);
    lxw_format *dateFormat = workbook_add_format(book.wb);
    format_set_num_format(dateFormat, DateTimeFormat);
    // "#,##0.00 [$EUR]": the currency's decimals, its code after the figure.
    QHash<QString, lxw_format *> moneyFormats;
    const auto moneyFormat = [&](const Currency &currency) {
        QString pattern = QStringLiteral("#,##0");
        if (currency.decimals > 0)
            pattern += u'.' + QString(currency.decimals, u'0');
        if (!currency.code.isEmpty())
            pattern += QStringLiteral(" [$") + currency.code + u']';
        lxw_format *&f = moneyFormats[pattern];
        if (!f) {
            f = workbook_add_format(book.wb);
            format_set_num_format(f, pattern.toUtf8().constData());
        }
        return f;
    };

    lxw_error e = LXW_NO_ERROR;
    std::vector<double> widths;
    for (const ExportColumn &c : columns)
        widths.push_back(columnWidth(table, c));
    const auto text = [&](lxw_row_t r, lxw_col_t c, const QString &s) {
        // A text widens its column up to the limit; one of at most half the width cannot.
        double &width = widths[c];
        if (r > 0 && width < MaxColumnWidth && s.size() * 2 > width)
            width = std::min(MaxColumnWidth, std::max(width, textWidth(s)));
        const QByteArray utf8 = s.left(MaxCellText).toUtf8();
        return worksheet_write_string(ws, r, c, utf8.constData(), nullptr);
    };
    for (size_t c = 0; c < columns.size() && !e; ++c)
        e = text(0, static_cast<lxw_col_t>(c), columns[c].heading);
    lxw_row_t row = 0;
    while (!e && q.next()) {
        ++row;
        for (size_t c = 0; c < columns.size() && !e; ++c) {
            const QVariant v = q.value(static_cast<int>(c));
            if (v.isNull())
                continue;
            const auto col = static_cast<lxw_col_t>(c);
            switch (columns[c].kind) {
            case ExportColumn::Kind::Number: {
                bool isNumber = false;
                const double d = v.toDouble(&isNumber);
                // A text that SQLite keeps in a number column stays text.
                e = isNumber ? worksheet_write_number(ws, row, col, d, nullptr)
                             : text(row, col, v.toString());
                break;
            }
            case ExportColumn::Kind::DateTime: {
                lxw_datetime dt{};
                e = storedTime(v.toString(), dt)
                        ? worksheet_write_datetime(ws, row, col, &dt, dateFormat)
                        : text(row, col, v.toString()); // not a stored time: kept as it is
                break;
            }
            case ExportColumn::Kind::Text:
                e = text(row, col, v.toString());
                break;
            case ExportColumn::Kind::Coded:
                e = text(row, col, columns[c].shown(v));
                break;
            case ExportColumn::Kind::Money: {
                // The sheet's numbers are binary floating point: the amount's decimal text,
                // read once, is the nearest one, which the currency's format shows exactly.
                const QString amount = CostCellText(v, columns[c].currency);
                e = amount.isEmpty() ? text(row, col, v.toString())
                                     : worksheet_write_number(ws, row, col, amount.toDouble(),
                                                              moneyFormat(columns[c].currency));
                break;
            }
            }
        }
    }
    if (e)
        return fail(QString::fromUtf8(lxw_strerror(e)));
    if (q.lastError().isValid())
        return fail(q.lastError().text());

    // The column widths go into the sheet's head when the workbook is closed, so they may
    // follow the rows even in constant-memory mode.
    for (size_t c = 0; c < columns.size() && !e; ++c)
        e = worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 widths[c], nullptr);
    if (e)
        return fail(QString::fromUtf8(lxw_strerror(e)));
    worksheet_autofilter(ws, 0, 0, row, static_cast<lxw_col_t>(ExportFilterLastColumn(table)));
    worksheet_set_landscape(ws);
    worksheet_repeat_rows(ws, 0, 0);
    worksheet_fit_to_pages(ws, 1, 0);
    worksheet_freeze_panes(ws, 1, 0);
    worksheet_set_selection(ws, 0, 0, 0, 0);
    e = book.close();
    if (e)
        return fail(QString::fromUtf8(lxw_strerror(e)) + QStringLiteral(": ") +
                    target.absoluteFilePath());
    // The temporary file was made private; the workbook gets what a file written in place would.
    QFile::setPermissions(temp.fileName(), finalPermissions(target.absoluteFilePath()));
    if (std::rename(tempName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()))
        return fail(QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") +
                    target.absoluteFilePath());
    return true;
}

} // namespace

std::vector<ExportColumn> ExportColumns(ReportTable table, const LangLookup &lang,
                                        const Currency &currency)
{
    std::vector<ExportColumn> columns;
    for (const ColumnTitle &c : ReportColumnTitles(table)) {
        const QString key = headingKey(table, c);
        // A column without a key (MAC) is headed by its own name.
        ExportColumn column;
        column.field = c.field;
        column.heading = key.isEmpty() ? c.field : lang(key);
        if (table == ReportTable::PrinterData &&
            c.field.compare(PrintTimeField, Qt::CaseInsensitive) == 0)
            column.kind = ExportColumn::Kind::DateTime;
        if (table == ReportTable::PrinterData &&
            c.field.compare(QLatin1String(PrinterDataColumnTable[colCost].field),
                            Qt::CaseInsensitive) == 0) {
            column.kind = ExportColumn::Kind::Money;
            column.currency = currency;
        }
        if (table == ReportTable::PrinterData && IsCodedPrinterDataField(c.field)) {
            column.kind = ExportColumn::Kind::Coded;
            column.shown = [field = c.field, lang](const QVariant &v) {
                return PrinterDataCellText(field, v, lang);
            };
        }
        columns.push_back(column);
    }
    return columns;
}

int ExportFilterLastColumn(ReportTable table)
{
    const int count = static_cast<int>(ReportColumnTitles(table).size());
    return table == ReportTable::PrinterData ? count : count - 1;
}

ExportFormat ExportFormatOf(const QString &fileName)
{
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? ExportFormat::Csv
                                                                          : ExportFormat::Xlsx;
}

bool ExportRecords(QSqlDatabase db, ReportTable table, const QString &filter,
                   const std::vector<ExportColumn> &columns, const QString &fileName,
                   ExportFormat format, QString *error)
{
    std::vector<ExportColumn> typed = columns;
    QSqlQuery q(db);
    if (!openRows(db, table, filter, typed, q, error))
        return false;
    return format == ExportFormat::Csv ? writeCsv(q, typed, fileName, error)
                                       : writeXlsx(q, table, typed, fileName, error);
}

QString CsvTextField(const QString &v)
{
    // A spreadsheet program reads a cell beginning with one of these as a formula: it trims
    // blanks before it looks (tab and carriage return too), and folds the full-width forms into
    // the plain ones. The apostrophe makes the cell plain text.
    static const QString formulaStarts = QStringLiteral("=+-@\uFF1D\uFF0B\uFF0D\uFF20");
    if (!v.isEmpty() && (v.front() == u'\t' || v.front() == u'\r'))
        return CsvField(u'\'' + v);
    for (const QChar c : v) {
        if (c.isSpace())
            continue;
        if (formulaStarts.contains(c))
            return CsvField(u'\'' + v);
        break;
    }
    return CsvField(v);
}

QString CsvField(const QString &v)
{
    if (!v.contains(u',') && !v.contains(u'"') && !v.contains(u'\r') && !v.contains(u'\n'))
        return v;
    QString quoted = v;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace vesk
