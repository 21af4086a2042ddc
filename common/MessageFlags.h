// Message-box style bits and button identifiers, kept with their historical values.
#pragma once

namespace vesk {

enum MessageStyle : unsigned
{
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    MB_BUTTONMASK = 0x0F,
};

enum MessageResult : int
{
    IDOK = 1,
    IDCANCEL = 2,
};

} // namespace vesk
