// The Unicode-aware NOCASE collation and like for SQLite connections.
#include "UnicodeNoCase.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>

namespace vesk {

namespace {

// Marks a file whose NOCASE indexes were rebuilt under this collation (PRAGMA user_version).
constexpr int NoCaseOrderVersion = 1;

// Both texts already folded.
bool matchFolded(QStringView p, QStringView t, QChar escape)
{
    qsizetype pi = 0, ti = 0;
    qsizetype starP = -1, starT = -1; // just after the last % and where it started matching
    while (ti < t.size()) {
        if (pi < p.size()) {
            const QChar c = p.at(pi);
            if (!escape.isNull() && c == escape && pi + 1 < p.size()) {
                if (p.at(pi + 1) == t.at(ti)) {
                    pi += 2;
                    ++ti;
                    continue;
                }
            } else if (c == u'%') {
                starP = ++pi;
                starT = ti;
                continue;
            } else if (c == u'_' || c == t.at(ti)) {
                ++pi;
                ++ti;
                continue;
            }
        }
        if (starP < 0)
            return false;
        pi = starP;
        ti = ++starT;
    }
    while (pi < p.size() && p.at(pi) == u'%')
        ++pi;
    return pi == p.size();
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].toCaseFolded().unicode();
        const char16_t y = b[i].toCaseFolded().unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

unsigned char foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// ASCII is compared byte by byte as the built-in NOCASE does; from the first non-ASCII byte on
// the rest is folded as Unicode. Both give the order of the folded texts, so they agree.
int noCaseCollation(void *, int n1, const void *p1, int n2, const void *p2)
{
    const auto *a = static_cast<const unsigned char *>(p1);
    const auto *b = static_cast<const unsigned char *>(p2);
    const int n = std::min(n1, n2);
    int i = 0;
    for (; i < n; ++i) {
        if ((a[i] | b[i]) & 0x80)
            break;
        const unsigned char x = foldAscii(a[i]), y = foldAscii(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == n)
        return n1 < n2 ? -1 : (n1 > n2 ? 1 : 0);
    return compareFolded(QString::fromUtf8(reinterpret_cast<const char *>(a + i), n1 - i),
                         QString::fromUtf8(reinterpret_cast<const char *>(b + i), n2 - i));
}

QString textOf(sqlite3_value *v)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)),
                             sqlite3_value_bytes(v));
}

void deleteFolded(void *p)
{
    delete static_cast<QString *>(p);
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(ctx);
            return;
        }
    }
    QChar escape;
    if (argc == 3) {
        const QString e = textOf(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.at(0).toCaseFolded();
    }
    // The pattern is usually the same for every row: fold it once.
    auto *pattern = static_cast<QString *>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        pattern = new QString(textOf(argv[0]).toCaseFolded());
        sqlite3_set_auxdata(ctx, 0, pattern, deleteFolded);
        pattern = static_cast<QString *>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    sqlite3_result_int(ctx, matchFolded(*pattern, textOf(argv[1]).toCaseFolded(), escape) ? 1 : 0);
}

bool reindexOnce(sqlite3 *h)
{
    sqlite3_stmt *st = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(h, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (version >= NoCaseOrderVersion)
        return true;
    // A busy or read-only file is left for a later start.
    if (sqlite3_exec(h, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return true;
    const QByteArray mark = "PRAGMA user_version=" + QByteArray::number(NoCaseOrderVersion);
    if (sqlite3_exec(h, "REINDEX NOCASE", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(h, mark.constData(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    return true;
}

} // namespace

bool likeMatches(QStringView pattern, QStringView text, QChar escape)
{
    return matchFolded(pattern.toString().toCaseFolded(), text.toString().toCaseFolded(),
                       escape.toCaseFolded());
}

bool registerUnicodeNoCase(sqlite3 *handle)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_collation_v2(handle, "NOCASE", SQLITE_UTF8, nullptr, noCaseCollation,
                                    nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(handle, "like", 2, flags, nullptr, likeFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(handle, "like", 3, flags, nullptr, likeFunction, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        return false;
    return reindexOnce(handle);
}

} // namespace vesk
