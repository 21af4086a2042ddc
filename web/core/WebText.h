// Texts of the web view: HTML escaping and the parsing of query strings, form bodies and cookies.
#pragma once

#include "HtmlEscape.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace vesk::web {

// HtmlEscape: shared with the trend drawing and the mail statements.
using vesk::HtmlEscape;

// Query strings and url-encoded form bodies: "a=1&b=x%20y+z". The first value of a repeated
// name counts. At most this many parameters, and a name or value at most this long (decoded).
constexpr int MaxParams = 64;
constexpr int MaxParamLength = 1024;
using Params = QHash<QString, QString>;
// False for a malformed text (a bad %-escape, text that is not UTF-8, a control character, too
// many or too long parameters); `out` then holds what was read before it.
bool ParseParams(const QByteArray &text, Params &out);
// "a=1; b=2": the value of cookie `name`, empty when absent or malformed.
QByteArray CookieValue(const QByteArray &header, const QByteArray &name);

// The URL-encoding of a parameter value, for links that repeat a search.
QString UrlEncode(const QString &value);
// "?a=1&b=2" of the non-empty parameters, in the given order (HTML-escaped by the caller).
QString QueryOf(const QList<std::pair<QString, QString>> &params);

} // namespace vesk::web
