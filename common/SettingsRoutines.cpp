// Start-up configuration of both programs, step by step as each main window expects it.
#include "SettingsRoutines.h"

#include "Catalogue.h"
#include "Errors.h"
#include "IniFile.h"
#include "MainDM.h"

namespace vesk {

bool LoadConsoleSettings(TdmMain &dm, ConsoleSettingsTarget &window)
{
    dm.OpenConfigFile();

    dm.acntVesk.Close();
    dm.acntVesk.ConnectionString =
        dm.ReadIniString(QStringLiteral("Connection"), QStringLiteral("Constr"));
    // A database newer than the program is refused with the language file's text, read from it
    // before it becomes the current file.
    const LangLookup language = [&dm](const QString &key) {
        const IniFile file(
            dm.AppDir() + dm.ReadIniString(QStringLiteral("Language"), QStringLiteral("FileName")),
            dm.ReadIniString(QStringLiteral("Font"), QStringLiteral("Charset")).toInt());
        return file.readString(QStringLiteral("Lang"), key);
    };
    QString error;
    if (!dm.acntVesk.Open(dm.AppDir(), &error, language)) {
        // The title still comes from Config.ini: the language file is not open yet.
        dm.ShowMsg(error, MB_ICONEXCLAMATION);
        window.setForceClose();
        window.postClose();
        return false;
    }

    dm.FontCharset = StrToInt(dm.ReadIniString(QStringLiteral("Font"), QStringLiteral("Charset")));
    dm.LangFileName = dm.ReadIniString(QStringLiteral("Language"), QStringLiteral("FileName"));

    dm.CloseIniFile();
    dm.OpenIniFile(dm.AppDir() + dm.LangFileName);

    dm.LangCode = dm.GetLangString(QStringLiteral("RSLanuage"));
    window.setProductCaption(
        ProductTitle(dm.LangCode, dm.GetLangString(QStringLiteral("RSVersion"))));

    dm.applyDisplayLabels();
    window.applyCatalogue(dm);
    return true;
}

bool LoadAgentSettings(TdmMain &dm, AgentSettingsTarget &window)
{
    dm.OpenConfigFile();

    dm.FontCharset = StrToInt(dm.ReadIniString(QStringLiteral("Font"), QStringLiteral("Charset")));
    window.applyListCharset(dm.FontCharset);

    dm.LangFileName = dm.ReadIniString(QStringLiteral("Language"), QStringLiteral("FileName"));

    dm.acntVesk.Close();
    dm.acntVesk.ConnectionString =
        dm.ReadIniString(QStringLiteral("Connection"), QStringLiteral("Constr"));

    dm.CloseIniFile();
    dm.OpenIniFile(dm.AppDir() + dm.LangFileName);

    QString error;
    if (!dm.acntVesk.Open(dm.AppDir(), &error,
                          [&dm](const QString &key) { return dm.GetLangString(key); })) {
        dm.ShowMsg(dm.acntVesk.RefusedNewer() ? error
                                              : dm.GetLangString(QStringLiteral("RSConnectionErr")),
                   MB_ICONSTOP);
        window.closeAndWait();
        return false;
    }

    if (!dm.aqryHost->Open(&error))
        throw VeskError(error);

    dm.applyDisplayLabels();
    window.applyCatalogue(dm);
    return true;
}

} // namespace vesk
