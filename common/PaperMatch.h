// Paper compared by its size, not its name: "A3", "iso_a3_297x420mm" and the stored
// "A3 sheet, 297- by 420-millimeters" are one paper.
#pragma once

#include <QString>

#include <optional>

namespace vesk {

// A sheet's sides in tenths of a millimetre, the shorter first.
struct PaperDimensions
{
    int shortSide = 0;
    int longSide = 0;
};

// The size a paper text names: a PWG self-describing name ("na_letter_8.5x11in"), a stored
// paper name ("Letter, 8 1/2- by 11-inches"), or a common name ("A4", "Legal", "A4.Borderless").
// std::nullopt where the text names no size ("Other", a custom name).
std::optional<PaperDimensions> PaperDimensionsOf(const QString &paper);

// The same paper: the same size within 1.5 mm either way round, or, where either text names no
// size, the same text ignoring letter case and surrounding blanks.
bool SamePaper(const QString &a, const QString &b);

} // namespace vesk
