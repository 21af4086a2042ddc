// A temporary application folder: Config.ini, language files and, on request, a new database.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace vesk {
class TdmMain;
}

namespace vesk::test {

class TestAppDir
{
public:
    // An empty folder; nothing is written until asked.
    TestAppDir();

    QString path() const { return dir_.path() + u'/'; } // with the trailing separator
    QString file(const QString &name) const { return dir_.filePath(name); }

    // Writes `content` (UTF-8) or `bytes` as the file `name`.
    void write(const QString &name, const QString &content) const;
    void writeBytes(const QString &name, const QByteArray &bytes) const;

    // An empty saved network (Data/NetDate.dat), so a console shown here asks for no search.
    void writeSavedNetwork() const;
    // Config.ini for an SQLite file "vesk.db" and the given language file and charset. The
    // network search reads a map ("network.map", absent until written): tests never browse the
    // real network. Also writes the empty saved network.
    void writeConfig(const QString &langFile = QStringLiteral("English.ini"),
                     const QString &charset = QStringLiteral("0"), const QString &extra = {}) const;
    // Copies a language file of the product (English.ini, Chinese.ini) into the folder.
    void copyLanguage(const QString &name) const;
    // Creates vesk.db with the tables and initial rows of the given catalogue file.
    void createDatabase(const QString &langFile = QStringLiteral("English.ini"),
                        int charset = 0) const;
    // The usual set: English configuration, language files and a new database.
    void prepareEnglish() const;

    // Opens `dm` on this folder as the console does: the database, English.ini and its column
    // titles; a failed open fails the test.
    void openEnglish(TdmMain &dm) const;

    QString databaseFile() const { return file(QStringLiteral("vesk.db")); }

private:
    QTemporaryDir dir_;
};

} // namespace vesk::test
