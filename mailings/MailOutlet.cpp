#include "MailOutlet.h"

#include <QDir>

namespace vesk {

namespace {

// A file name's part from any text: letters, digits, '-' and '_' kept, anything else '_'.
QString fileWord(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += (c.unicode() < 128 && (c.isLetterOrNumber() || c == u'-')) ? c : u'_';
    return out.left(60);
}

// Control characters of a name from data become spaces in a line on standard error.
QString oneLine(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return out;
}

} // namespace

QString DescribeMail(const MailKey &key)
{
    QString what = key.kind;
    if (!key.period.isEmpty())
        what += u' ' + key.period;
    if (!key.item.isEmpty())
        what += QStringLiteral(" (") + oneLine(key.item) + u')';
    // No account: the alerts' reading of budgets or stock failed before any message.
    return key.account.isEmpty() ? what : what + QStringLiteral(" to ") + oneLine(key.account);
}

MailOutlet::MailOutlet(MailSettings settings, QString dryRunDir)
    : sender_(settings), settings_(std::move(settings)), dryRunDir_(std::move(dryRunDir))
{}

void MailOutlet::Fail(const MailKey &key, const QString &why)
{
    failures_ << DescribeMail(key) + QStringLiteral(": ") + oneLine(why);
}

bool MailOutlet::Deliver(const QSqlDatabase &db, const MailKey &key, const MailMessage &m)
{
    QString error;
    if (dryRun()) {
        const QString file = QDir(dryRunDir_)
                                 .filePath(QStringLiteral("%1-%2-%3-%4.eml")
                                               .arg(++written_, 3, 10, QChar(u'0'))
                                               .arg(key.kind, fileWord(key.period + key.item),
                                                    fileWord(key.account)));
        if (!WriteMailFile(settings_, m, file, &error)) {
            Fail(key, error);
            return false;
        }
        delivered_ << DescribeMail(key) + QStringLiteral(": ") + file;
        return true;
    }
    if (!sender_.Send(m, &error)) {
        Fail(key, error);
        return false;
    }
    delivered_ << DescribeMail(key) + QStringLiteral(" <") + m.to + u'>';
    if (!RecordMailed(db, key, &error)) {
        Fail(key, QStringLiteral("sent, but not recorded (it will be sent again): ") + error);
        return false;
    }
    return true;
}

} // namespace vesk
