#include "WebText.h"

#include <QStringDecoder>
#include <QUrl>

namespace vesk::web {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decode(const QByteArray &raw, QString &out)
{
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            if (i + 2 >= raw.size())
                return false;
            const int hi = hexValue(raw[i + 1]), lo = hexValue(raw[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            bytes += char(hi * 16 + lo);
            i += 2;
        } else {
            bytes += c;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = utf8.decode(bytes);
    if (utf8.hasError() || out.size() > MaxParamLength)
        return false;
    // Tab and line ends may come from a text box; other control characters never do.
    for (const QChar c : out) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

} // namespace

bool ParseParams(const QByteArray &text, Params &out)
{
    if (text.isEmpty())
        return true;
    int count = 0;
    for (const QByteArray &pair : text.split('&')) {
        if (pair.isEmpty())
            continue;
        if (++count > MaxParams)
            return false;
        const qsizetype eq = pair.indexOf('=');
        QString name, value;
        if (!decode(eq < 0 ? pair : pair.left(eq), name) ||
            !decode(eq < 0 ? QByteArray() : pair.mid(eq + 1), value) || name.isEmpty())
            return false;
        if (!out.contains(name))
            out.insert(name, value);
    }
    return true;
}

QByteArray CookieValue(const QByteArray &header, const QByteArray &name)
{
    for (const QByteArray &part : header.split(';')) {
        const QByteArray p = part.trimmed();
        const qsizetype eq = p.indexOf('=');
        if (eq > 0 && p.left(eq) == name)
            return p.mid(eq + 1);
    }
    return {};
}

QString UrlEncode(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString QueryOf(const QList<std::pair<QString, QString>> &params)
{
    QString q;
    for (const auto &[name, value] : params) {
        if (value.isEmpty())
            continue;
        q += (q.isEmpty() ? u'?' : u'&') + name + u'=' + UrlEncode(value);
    }
    return q;
}

} // namespace vesk::web
