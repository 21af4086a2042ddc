// INI parsing: first occurrence of a section and of a key wins, as the profile API reads.
#include "IniFile.h"

#include "CodePage.h"

#include <QFile>
#include <QStringDecoder>

namespace vesk {

IniFile::IniFile(const QString &path, int charset) : path_(path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    exists_ = true;
    parse(decodeCodePage(f.readAll(), charset));
}

IniFile IniFile::config(const QString &path)
{
    IniFile ini;
    ini.path_ = path;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return ini;
    ini.exists_ = true;
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        // The charset number is ASCII in every code page it can name.
        IniFile probe;
        probe.parse(QString::fromLatin1(bytes));
        bool ok = false;
        const int charset =
            probe.readString(QStringLiteral("Font"), QStringLiteral("Charset")).toInt(&ok);
        text = decodeCodePage(bytes, ok ? charset : 0);
    }
    ini.parse(text);
    return ini;
}

void IniFile::parse(const QString &text)
{
    QHash<QString, QString> *current = nullptr;
    const auto lines = QStringView(text).split(u'\n');
    for (QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            const QString name = normalise(line.mid(1, close - 1).toString());
            current = &sections_[name];
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = normalise(line.left(eq).toString());
        if (key.isEmpty() || current->contains(key))
            continue;
        QString value = line.mid(eq + 1).trimmed().toString();
        if (value.size() > MaxValueLength)
            value.truncate(MaxValueLength);
        current->insert(key, value);
    }
}

QString IniFile::readString(const QString &section, const QString &key) const
{
    const auto s = sections_.constFind(normalise(section));
    if (s == sections_.cend())
        return {};
    return s->value(normalise(key));
}

} // namespace vesk
