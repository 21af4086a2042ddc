// The mail library on its own.
#include "MailAddress.h"
#include "MailMessage.h"

#include <QList>

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(Mail, AddressesArePlainOrRefused)
{
    const struct
    {
        const char *address;
        bool ok;
    } cases[] = {
        {"boss@example.com", true},
        {"first.last+print@sub.example.co", true},
        {"o'neil@example.com", true},
        {"root@localhost", true},
        {"", false},
        {"boss", false},
        {"@example.com", false},
        {"boss@", false},
        {"a@b@example.com", false},
        {"boss@example.com\r\nBcc: x@example.org", false},
        {"boss@example.com\n", false},
        {"bo\x01ss@example.com", false},
        {"bo ss@example.com", false},
        {"Boss <boss@example.com>", false},
        {"\"boss\"@example.com", false},
        {"boss.@example.com", false},
        {"boss@-example.com", false},
        {"boss@exa_mple.com", false},
        {"b\xc3\xb6ss@example.com", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsMailAddress(QString::fromUtf8(c.address)), c.ok) << c.address;
}

// A header value from data stays one header: no line break survives unless it is a fold that
// HeaderText made itself, and encoded words decode back to the cleaned text.
TEST(Mail, HeaderValuesCannotAddHeaders)
{
    const struct
    {
        const char *value;
        const char *plain; // the value as a reader decodes it
    } cases[] = {
        {"Printing in Sales", "Printing in Sales"},
        {"Sales\r\nBcc: evil@example.org", "Sales Bcc: evil@example.org"},
        {"Sales\nBcc: evil@example.org", "Sales Bcc: evil@example.org"},
        {"a\tb\x01"
         "c",
         "a b c"},
        {"=?UTF-8?B?QmNjOg==?=", "=?UTF-8?B?QmNjOg==?="},
        {"财务部 2026年\u2028Bcc: x 打印：12,480 页，312 个作业中文中文中文中文中文",
         "财务部 2026年 Bcc: x 打印：12,480 页，312 个作业中文中文中文中文中文"},
    };
    for (const auto &c : cases) {
        const QByteArray header = HeaderText(QString::fromUtf8(c.value));
        SCOPED_TRACE(header.toStdString());
        QString decoded;
        for (const QByteArray &line : header.split('\n')) {
            const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
            EXPECT_FALSE(l.contains('\r'));
            for (char ch : l)
                EXPECT_TRUE(ch >= 0x20 && ch < 0x7f);
            if (!l.startsWith(" =?") && !l.startsWith("=?")) {
                decoded += QString::fromLatin1(l);
                continue;
            }
            EXPECT_LE(l.trimmed().size(), 75);
            decoded += QString::fromUtf8(QByteArray::fromBase64(l.trimmed().mid(10).chopped(2)));
        }
        EXPECT_EQ(decoded.toStdString(), c.plain);
    }
}

} // namespace
} // namespace vesk
