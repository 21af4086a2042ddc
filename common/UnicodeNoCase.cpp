// The Unicode-aware NOCASE collation and like for SQLite connections.
#include "UnicodeNoCase.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>

namespace vesk {

namespace {

// like over a folded pattern and a text whose characters `fold` folds as they are compared.
// Char is char16_t (Unicode, both folded beforehand) or unsigned char (ASCII, folded here).
template <class Char, class Fold>
bool matchPattern(const Char *p, qsizetype pn, const Char *t, qsizetype tn, Char escape, Fold fold)
{
    qsizetype pi = 0, ti = 0;
    qsizetype starP = -1, starT = -1; // just after the last % and where it started matching
    while (ti < tn) {
        if (pi < pn) {
            const Char c = p[pi];
            if (escape && c == escape && pi + 1 < pn) {
                if (p[pi + 1] == fold(t[ti])) {
                    pi += 2;
                    ++ti;
                    continue;
                }
            } else if (c == '%') {
                starP = ++pi;
                starT = ti;
                continue;
            } else if (c == '_' || c == fold(t[ti])) {
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
    while (pi < pn && p[pi] == '%')
        ++pi;
    return pi == pn;
}

unsigned char foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool isAscii(const unsigned char *s, qsizetype n)
{
    return std::all_of(s, s + n, [](unsigned char c) { return c < 0x80; });
}

// Both texts already folded.
bool matchFolded(QStringView p, QStringView t, QChar escape)
{
    return matchPattern(p.utf16(), p.size(), t.utf16(), t.size(), escape.unicode(),
                        [](char16_t c) { return c; });
}

// A like pattern folded once for all the rows of a statement.
struct FoldedPattern
{
    QString folded;
    QByteArray ascii; // folded too; empty unless the pattern is ASCII
    bool isAscii = false;
};

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
    delete static_cast<FoldedPattern *>(p);
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
    auto *pattern = static_cast<FoldedPattern *>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        auto *made = new FoldedPattern;
        made->folded = textOf(argv[0]).toCaseFolded();
        const QByteArray utf8 = made->folded.toUtf8();
        made->isAscii =
            isAscii(reinterpret_cast<const unsigned char *>(utf8.constData()), utf8.size());
        if (made->isAscii)
            made->ascii = utf8;
        sqlite3_set_auxdata(ctx, 0, made, deleteFolded);
        pattern = static_cast<FoldedPattern *>(sqlite3_get_auxdata(ctx, 0));
        if (!pattern) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
    }
    const auto *text = sqlite3_value_text(argv[1]);
    const int bytes = sqlite3_value_bytes(argv[1]);
    bool matches = false;
    if (pattern->isAscii && escape.unicode() < 0x80 && isAscii(text, bytes)) {
        // Host and printer names mostly: no conversion per row.
        const auto *p = reinterpret_cast<const unsigned char *>(pattern->ascii.constData());
        matches = matchPattern(p, pattern->ascii.size(), text, qsizetype(bytes),
                               static_cast<unsigned char>(escape.unicode()), foldAscii);
    } else {
        matches = matchFolded(pattern->folded, textOf(argv[1]).toCaseFolded(), escape);
    }
    sqlite3_result_int(ctx, matches ? 1 : 0);
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
    return true;
}

} // namespace vesk
