// An INI profile with the lookup rules the programs have always relied on.
#pragma once

#include <QHash>
#include <QString>

namespace vesk {

// Read once into memory. Section and key names match without regard to letter case or
// surrounding blanks; a value is the text after the first '=', trimmed, at most
// 2,047 characters. Anything missing, the file included, reads as the empty text.
class IniFile
{
public:
    static constexpr int MaxValueLength = 2047;

    IniFile() = default;
    // Reads `path`, decoding it from the code page of `charset` (see CodePage.h).
    IniFile(const QString &path, int charset);
    // Reads a Config.ini, whose charset is only known once it is read: as UTF-8 when the file
    // is valid UTF-8 (the norm here), else in the code page of its own [Font] Charset.
    static IniFile config(const QString &path);

    const QString &fileName() const { return path_; }
    bool exists() const { return exists_; }
    QString readString(const QString &section, const QString &key) const;

    // Parses text already decoded; used by the constructor and by tests.
    void parse(const QString &text);

private:
    static QString normalise(const QString &name) { return name.trimmed().toLower(); }

    QString path_;
    bool exists_ = false;
    QHash<QString, QHash<QString, QString>> sections_;
};

} // namespace vesk
