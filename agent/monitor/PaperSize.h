// Paper size codes (DMPAPER_ 1..41) from the media names CUPS and IPP clients use.
#pragma once

#include <cstdint>
#include <string>

namespace vesk {

// "iso_a4_210x297mm", "A4", "na_letter_8.5x11in", "Letter", "Com10", custom sizes, ... → the
// code of the paper with that size; 0 for anything else.
int32_t PaperSizeFromMedia(const std::string &Media);

} // namespace vesk
