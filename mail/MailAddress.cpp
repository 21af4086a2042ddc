#include "MailAddress.h"

#include <QStringList>

namespace vesk {

namespace {

// RFC 5322's atext: the characters a local part may hold without quoting.
bool atext(QChar c)
{
    if (c.unicode() > 126 || c.unicode() < 33)
        return false;
    return c.isLetterOrNumber() || QStringLiteral("!#$%&'*+-/=?^_`{|}~").contains(c);
}

bool label(const QString &l)
{
    if (l.isEmpty() || l.size() > 63 || l.startsWith(u'-') || l.endsWith(u'-'))
        return false;
    for (const QChar c : l) {
        if (c.unicode() > 126 || !(c.isLetterOrNumber() || c == u'-'))
            return false;
    }
    return true;
}

} // namespace

bool IsMailAddress(const QString &address)
{
    if (address.isEmpty() || address.size() > 254 || address.count(u'@') != 1)
        return false;
    const QString local = address.section(u'@', 0, 0), domain = address.section(u'@', 1);
    if (local.isEmpty() || local.size() > 64)
        return false;
    for (const QString &atom : local.split(u'.')) {
        if (atom.isEmpty())
            return false;
        for (const QChar c : atom) {
            if (!atext(c))
                return false;
        }
    }
    const QStringList labels = domain.split(u'.');
    for (const QString &l : labels) {
        if (!label(l))
            return false;
    }
    return true;
}

} // namespace vesk
