// CDate for SQLite: a deterministic scalar function over the text form of dates.
#include "CDate.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include <sqlite3.h>

namespace vesk {

std::optional<QString> cdateText(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0, 0);
    if (m.capturedLength(4) > 0) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid())
            return std::nullopt;
    }
    // The date and the time as written, in no time zone: a local QDateTime would call mktime,
    // and its tzset, for every row a query compares, on every thread that runs one, and would
    // move a time in a daylight-saving gap.
    return QDateTime(date, time, Qt::UTC).toString(QLatin1String(PrintTimeFormat));
}

namespace {

void cdateFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *raw = sqlite3_value_text(argv[0]);
    const int len = sqlite3_value_bytes(argv[0]);
    const auto result = cdateText(QString::fromUtf8(reinterpret_cast<const char *>(raw), len));
    if (!result) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray utf8 = result->toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

} // namespace

bool registerCDate(sqlite3 *handle)
{
    return sqlite3_create_function_v2(handle, "CDate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, cdateFunction, nullptr, nullptr,
                                      nullptr) == SQLITE_OK;
}

} // namespace vesk
