// Mail addresses as Vesk takes them from people: plain, checked once, safe in a header and in an
// SMTP command.
#pragma once

#include <QString>

namespace vesk {

// Whether `address` is a plain address "local@domain": printable ASCII without spaces, quotes,
// angle brackets or any control character (so neither a header nor a command can be broken out
// of), a local part of dot-separated atoms, a domain of dot-separated labels of letters, digits
// and hyphens, at most 254 characters in all.
bool IsMailAddress(const QString &address);

} // namespace vesk
