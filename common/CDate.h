// CDate(text): the date conversion that statements apply to the dates they compare.
#pragma once

#include <QString>

#include <optional>

struct sqlite3;

namespace vesk {

// How PrintTime is stored: text that sorts and compares chronologically.
inline constexpr char PrintTimeFormat[] = "yyyy-MM-dd hh:mm:ss";

// Reads "yyyy-mm-dd" (midnight of that day) or "yyyy-mm-dd hh:mm:ss" (also with '/' between
// the date's parts and one-digit months, days and hours) and returns the stored PrintTime form
// "yyyy-mm-dd hh:mm:ss", which compares chronologically as text. Anything else: nullopt.
std::optional<QString> cdateText(const QString &text);

// Registers CDate on an open SQLite handle. Returns false when SQLite refuses.
bool registerCDate(sqlite3 *handle);

} // namespace vesk
