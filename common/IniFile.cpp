// INI parsing: first occurrence of a section and of a key wins, as the profile API reads.
#include "IniFile.h"

#include "CodePage.h"

#include <QFile>

namespace vesk {

IniFile::IniFile(const QString &path, int charset) : path_(path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    exists_ = true;
    parse(decodeCodePage(f.readAll(), charset));
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
