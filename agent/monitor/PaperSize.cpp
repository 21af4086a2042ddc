// Media name → paper size code: a few names first, then by size from libcups' PWG media table.
#include "PaperSize.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vesk {

namespace {

struct Paper
{
    int32_t Code;
    int Width;  // hundredths of a millimetre
    int Length; // hundredths of a millimetre
};

constexpr int In(double Inches)
{
    return static_cast<int>(Inches * 2540 + 0.5);
}
constexpr int Mm(double Millimetres)
{
    return static_cast<int>(Millimetres * 100 + 0.5);
}

// In order of preference where sizes coincide (Letter before Letter Small and Note, A4 before
// A4 Small, Tabloid before the 11x17 sheet, Folio before German Legal Fanfold).
constexpr Paper Papers[] = {
    {1, In(8.5), In(11)},     {3, In(11), In(17)},       {4, In(17), In(11)},
    {5, In(8.5), In(14)},     {6, In(5.5), In(8.5)},     {7, In(7.25), In(10.5)},
    {8, Mm(297), Mm(420)},    {9, Mm(210), Mm(297)},     {11, Mm(148), Mm(210)},
    {12, Mm(250), Mm(354)},   {13, Mm(182), Mm(257)},    {14, In(8.5), In(13)},
    {15, Mm(215), Mm(275)},   {16, In(10), In(14)},      {19, In(3.875), In(8.875)},
    {20, In(4.125), In(9.5)}, {21, In(4.5), In(10.375)}, {22, In(4.75), In(11)},
    {23, In(5), In(11.5)},    {24, In(17), In(22)},      {25, In(22), In(34)},
    {26, In(34), In(44)},     {27, Mm(110), Mm(220)},    {28, Mm(162), Mm(229)},
    {29, Mm(324), Mm(458)},   {30, Mm(229), Mm(324)},    {31, Mm(114), Mm(162)},
    {32, Mm(114), Mm(229)},   {33, Mm(250), Mm(353)},    {34, Mm(176), Mm(250)},
    {35, Mm(176), Mm(125)},   {36, Mm(110), Mm(230)},    {37, In(3.875), In(7.5)},
    {38, In(3.625), In(6.5)}, {39, In(14.875), In(11)},  {40, In(8.5), In(12)},
};

// Names whose paper shares its size with another, or that libcups reads otherwise
// (its "B4"/"B5" are ISO; the codes are the JIS-like 250x354 and 182x257 sheets).
struct Named
{
    const char *Name;
    int32_t Code;
};
constexpr Named Names[] = {
    {"letter", 1},
    {"lettersmall", 2},
    {"tabloid", 3},
    {"ledger", 4},
    {"a4", 9},
    {"a4small", 10},
    {"b4", 12},
    {"b5", 13},
    {"note", 18},
    {"10x14", 16},
    {"11x17", 17},
    {"fanfoldus", 39},
    {"fanfoldgerman", 40},
    {"fanfoldgermanlegal", 41},
    {"executive", 7},
    {"statement", 6},
    {"folio", 14},
    {"quarto", 15},
    {"legal", 5},
    {"a3", 8},
    {"a5", 11},
    {"env9", 19},
    {"env10", 20},
    {"com10", 20},
    {"env11", 21},
    {"env12", 22},
    {"env14", 23},
    {"envdl", 27},
    {"dl", 27},
    {"envc5", 28},
    {"envc3", 29},
    {"envc4", 30},
    {"envc6", 31},
    {"envc65", 32},
    {"envb4", 33},
    {"envb5", 34},
    {"envb6", 35},
    {"envitaly", 36},
    {"envmonarch", 37},
    {"monarch", 37},
    {"envpersonal", 38},
    {"na_ledger_11x17in", 3},
};

constexpr int Tolerance = 150; // 1.5 mm: inch sizes rounded to millimetres and back

int32_t BySize(int Width, int Length)
{
    auto Near = [](int A, int B) { return std::abs(A - B) <= Tolerance; };
    for (const Paper &P : Papers)
        if (Near(P.Width, Width) && Near(P.Length, Length))
            return P.Code;
    for (const Paper &P : Papers) // the same sheet fed the other way round
        if (Near(P.Width, Length) && Near(P.Length, Width))
            return P.Code;
    return 0;
}

} // namespace

int32_t PaperSizeFromMedia(const std::string &Media)
{
    std::string Lower(Media);
    std::transform(Lower.begin(), Lower.end(), Lower.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    // PPD names may carry a variant after a dot ("A4.Borderless"); the sheet is the same.
    const std::string Base = Lower.substr(0, Lower.find('.'));
    for (const Named &N : Names)
        if (Base == N.Name || Lower == N.Name)
            return N.Code;
    if (Media.empty())
        return 0;
    pwg_media_t *M = pwgMediaForPWG(Media.c_str());
    if (M == nullptr)
        M = pwgMediaForPPD(Media.c_str());
    if (M == nullptr)
        M = pwgMediaForLegacy(Media.c_str());
    if (M == nullptr || M->width <= 0 || M->length <= 0)
        return 0;
    return BySize(M->width, M->length);
}

} // namespace vesk
