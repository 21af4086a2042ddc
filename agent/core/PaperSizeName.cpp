// The paper names of the codes 1 to 41, stored as they stand (two blanks after some commas).
#include "PaperSizeName.h"

#include <array>

namespace vesk {

namespace {

constexpr std::array<const char *, 41> PaperNames = {
    "Letter, 8 1/2- by 11-inches",
    "Letter Small, 8 1/2- by 11-inches",
    "Tabloid, 11- by 17-inches",
    "Ledger, 17- by 11-inches",
    "Legal, 8 1/2- by 14-inches",
    "Statement, 5 1/2- by 8 1/2-inches",
    "Executive, 7 1/4- by 10 1/2-inches",
    "A3 sheet, 297- by 420-millimeters",
    "A4 Sheet, 210- by 297-millimeters",
    "A4 small sheet, 210- by 297-millimeters",
    "A5 sheet, 148- by 210-millimeters",
    "B4 sheet, 250- by 354-millimeters",
    "B5 sheet, 182- by 257-millimeter paper",
    "Folio, 8 1/2- by 13-inch paper",
    "Quarto, 215- by 275-millimeter paper",
    "10- by 14-inch sheet",
    "11- by 17-inch sheet",
    "Note, 8 1/2- by 11-inches",
    "#9 Envelope, 3 7/8- by 8 7/8-inches",
    "#10 Envelope, 4 1/8- by 9 1/2-inches",
    "#11 Envelope, 4 1/2- by 10 3/8-inches",
    "#12 Envelope, 4 3/4- by 11-inches",
    "#14 Envelope, 5- by 11 1/2-inches",
    "C Sheet, 17- by 22-inches",
    "D Sheet, 22- by 34-inches",
    "E Sheet, 34- by 44-inches",
    "DL Envelope, 110- by 220-millimeters",
    "C5 Envelope, 162- by 229-millimeters",
    "C3 Envelope,  324- by 458-millimeters",
    "C4 Envelope,  229- by 324-millimeters",
    "C6 Envelope,  114- by 162-millimeters",
    "C65 Envelope, 114- by 229-millimeters",
    "B4 Envelope,  250- by 353-millimeters",
    "B5 Envelope,  176- by 250-millimeters",
    "B6 Envelope,  176- by 125-millimeters",
    "Italy Envelope, 110- by 230-millimeters",
    "Monarch Envelope, 3 7/8- by 7 1/2-inches",
    "6 3/4 Envelope, 3 5/8- by 6 1/2-inches",
    "US Std Fanfold, 14 7/8- by 11-inches",
    "German Std Fanfold, 8 1/2- by 12-inches",
    "German Legal Fanfold, 8 1/2- by 13-inches",
};

} // namespace

QString PaperSizeName(int32_t PaperSize, const QString &otherText)
{
    if (PaperSize < 1 || PaperSize > static_cast<int32_t>(PaperNames.size()))
        return otherText;
    return QString::fromLatin1(PaperNames[static_cast<size_t>(PaperSize - 1)]);
}

} // namespace vesk
