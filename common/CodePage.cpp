// Code-page decoding through glibc's iconv, which carries every code page the catalogue uses.
#include "CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace vesk {

const char *codePageForCharset(int charset)
{
    switch (charset) {
    case 134:
        return "GBK";
    case 136:
        return "BIG5";
    case 128:
        return "SHIFT_JIS";
    case 129:
        return "CP949";
    default:
        return "CP1252";
    }
}

namespace {

class IconvHandle
{
public:
    explicit IconvHandle(const char *from, const char *to = "UTF-8") : h(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid())
            iconv_close(h);
    }
    IconvHandle(const IconvHandle &) = delete;
    IconvHandle &operator=(const IconvHandle &) = delete;
    bool valid() const { return h != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return h; }

private:
    iconv_t h;
};

// Runs `in` through `cd`. Where iconv meets a sequence it cannot convert, `marker` is written and
// `skip(rest, left)` tells how many input bytes to pass over.
template <typename Skip>
QByteArray convert(const IconvHandle &cd, const QByteArray &in, const char *marker, Skip skip)
{
    QByteArray out;
    out.reserve(in.size() * 2);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char buf[4096];
    while (inLeft > 0) {
        char *outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buf, static_cast<qsizetype>(sizeof buf - outLeft));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out.append(marker);
            const size_t n = skip(inPtr, inLeft);
            inPtr += n;
            inLeft -= n;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace

QString decodeCodePage(const QByteArray &bytes, int charset)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);

    IconvHandle cd(codePageForCharset(charset));
    if (!cd.valid())
        return QString::fromLatin1(bytes);

    // An unmappable or truncated sequence: mark it and go on with the next byte.
    const QByteArray out =
        convert(cd, bytes, "\xEF\xBF\xBD", [](const char *, size_t) -> size_t { return 1; });
    return QString::fromUtf8(out);
}

QByteArray encodeCodePage(const QString &text, int charset)
{
    IconvHandle cd("UTF-8", codePageForCharset(charset));
    const QByteArray in = text.toUtf8();
    if (!cd.valid())
        return in;
    // Skip the whole UTF-8 sequence of the character the code page lacks.
    return convert(cd, in, "?", [](const char *rest, size_t left) -> size_t {
        size_t n = 1;
        while (n < left && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80)
            ++n;
        return n;
    });
}

int codePageLength(const QString &text, int charset)
{
    IconvHandle cd("UTF-8", codePageForCharset(charset));
    if (!cd.valid())
        return static_cast<int>(text.size());
    int length = 0;
    for (const QChar c : text) {
        QByteArray in = QString(c).toUtf8();
        char *inPtr = in.data();
        size_t inLeft = static_cast<size_t>(in.size());
        char buf[8];
        char *outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        length += rc == static_cast<size_t>(-1) ? 1 : static_cast<int>(sizeof buf - outLeft);
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return length;
}

} // namespace vesk
