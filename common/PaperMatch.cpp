// Paper sizes from the three ways a paper is written: PWG names, stored names, common names.
#include "PaperMatch.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <utility>

namespace vesk {

namespace {

constexpr double TenthsPerInch = 254.0;

PaperDimensions sides(double a, double b)
{
    const int x = int(std::lround(a)), y = int(std::lround(b));
    return x <= y ? PaperDimensions{x, y} : PaperDimensions{y, x};
}

// "8", "8 1/2", "7/8" as a number.
double mixedNumber(const QString &text)
{
    double value = 0;
    for (const QString &part : text.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype slash = part.indexOf(u'/');
        if (slash < 0) {
            value += part.toDouble();
        } else {
            const double den = part.mid(slash + 1).toDouble();
            if (den > 0)
                value += part.left(slash).toDouble() / den;
        }
    }
    return value;
}

struct NamedPaper
{
    const char *name;
    double shortSide, longSide; // millimetres, or inches where `inches`
    bool inches;
};
// The names clients and PPDs use for the usual sheets and envelopes.
constexpr NamedPaper Named[] = {
    {"a0", 841, 1189, false},      {"a1", 594, 841, false},        {"a2", 420, 594, false},
    {"a3", 297, 420, false},       {"a4", 210, 297, false},        {"a4small", 210, 297, false},
    {"a5", 148, 210, false},       {"a6", 105, 148, false},        {"b4", 250, 354, false},
    {"b5", 182, 257, false},       {"quarto", 215, 275, false},    {"dl", 110, 220, false},
    {"envdl", 110, 220, false},    {"c3", 324, 458, false},        {"envc3", 324, 458, false},
    {"c4", 229, 324, false},       {"envc4", 229, 324, false},     {"c5", 162, 229, false},
    {"envc5", 162, 229, false},    {"c6", 114, 162, false},        {"envc6", 114, 162, false},
    {"letter", 8.5, 11, true},     {"lettersmall", 8.5, 11, true}, {"note", 8.5, 11, true},
    {"legal", 8.5, 14, true},      {"tabloid", 11, 17, true},      {"ledger", 11, 17, true},
    {"11x17", 11, 17, true},       {"10x14", 10, 14, true},        {"executive", 7.25, 10.5, true},
    {"statement", 5.5, 8.5, true}, {"folio", 8.5, 13, true},       {"com10", 4.125, 9.5, true},
    {"env10", 4.125, 9.5, true},   {"monarch", 3.875, 7.5, true},  {"envmonarch", 3.875, 7.5, true},
};

} // namespace

std::optional<PaperDimensions> PaperDimensionsOf(const QString &paper)
{
    const QString t = paper.trimmed().toLower();
    if (t.isEmpty())
        return std::nullopt;
    // PWG: "iso_a3_297x420mm", "na_letter_8.5x11in", "custom_200x300mm".
    static const QRegularExpression pwg(
        QStringLiteral("_(\\d+(?:\\.\\d+)?)x(\\d+(?:\\.\\d+)?)(mm|in)$"));
    if (const auto m = pwg.match(t); m.hasMatch()) {
        const double unit = m.captured(3) == u"mm" ? 10.0 : TenthsPerInch;
        return sides(m.captured(1).toDouble() * unit, m.captured(2).toDouble() * unit);
    }
    // Stored names: "A3 sheet, 297- by 420-millimeters", "Letter, 8 1/2- by 11-inches".
    static const QRegularExpression stored(QStringLiteral(
        "(\\d+(?: \\d+/\\d+)?|\\d+/\\d+)- by (\\d+(?: \\d+/\\d+)?)-(millimeter|inch)"));
    if (const auto m = stored.match(t); m.hasMatch()) {
        const double unit = m.captured(3) == u"millimeter" ? 10.0 : TenthsPerInch;
        return sides(mixedNumber(m.captured(1)) * unit, mixedNumber(m.captured(2)) * unit);
    }
    // A PPD's variant after a dot ("A4.Borderless") is the same sheet.
    const QString base = t.section(u'.', 0, 0).remove(u' ');
    for (const NamedPaper &n : Named) {
        if (base == QLatin1String(n.name)) {
            const double unit = n.inches ? TenthsPerInch : 10.0;
            return sides(n.shortSide * unit, n.longSide * unit);
        }
    }
    return std::nullopt;
}

bool SamePaper(const QString &a, const QString &b)
{
    const auto da = PaperDimensionsOf(a), db = PaperDimensionsOf(b);
    if (da && db) {
        constexpr int Tolerance = 15; // 1.5 mm: inch sizes rounded to millimetres and back
        return std::abs(da->shortSide - db->shortSide) <= Tolerance &&
               std::abs(da->longSide - db->longSide) <= Tolerance;
    }
    if (da || db)
        return false;
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace vesk
