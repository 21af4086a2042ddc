// vesk-web's parsing of what a browser sends: the bytes up to the first newline as a query string
// (or form body), the rest as a Cookie header. Parsed values are escaped as every page escapes
// them; nothing that could open a tag or close an attribute may survive.
#include "WebText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray all(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype newline = all.indexOf('\n');
    const QByteArray query = newline < 0 ? all : all.left(newline);
    const QByteArray cookie = newline < 0 ? QByteArray() : all.mid(newline + 1);
    vesk::web::Params params;
    (void)vesk::web::ParseParams(query, params);
    if (params.size() > vesk::web::MaxParams)
        std::abort();
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        for (const QString &text : {it.key(), it.value()}) {
            const QString shown = vesk::web::HtmlEscape(text);
            for (const QChar c : shown) {
                if (c == u'<' || c == u'>' || c == u'"' || c == u'\'' || c.unicode() < 0x09)
                    std::abort();
            }
        }
        (void)vesk::web::UrlEncode(it.value());
    }
    const QByteArray token = vesk::web::CookieValue(cookie, "vesk_session");
    if (token.contains(';'))
        std::abort();
    return 0;
}
