// Text made safe for HTML and SVG: the web view's pages, the trend picture, the mailed statements.
#pragma once

#include <QString>

namespace vesk {

// The text as HTML content or a quoted attribute value: & < > " ' as entities, control
// characters other than tab and line ends as U+FFFD, so nothing a user stored can open a tag,
// close an attribute or break the page's parsing.
QString HtmlEscape(const QString &text);

} // namespace vesk
