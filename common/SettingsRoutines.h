// The two LoadSettings routines. The windows implement the small target interfaces and only
// call these; everything that does not touch a widget happens here.
#pragma once

#include <QString>

namespace vesk {

class TdmMain;

// What the console main window does for its LoadSettings.
class ConsoleSettingsTarget
{
public:
    virtual ~ConsoleSettingsTarget() = default;
    virtual void setForceClose() = 0; // close without the quit question
    virtual void postClose() = 0;     // queue a close request to the main window
    virtual void setProductCaption(const QString &caption) = 0;
    virtual void applyCatalogue(TdmMain &dm) = 0; // buttons, menus, labels, group boxes
};

// What the agent main window does for its LoadSettings.
class AgentSettingsTarget
{
public:
    virtual ~AgentSettingsTarget() = default;
    virtual void applyListCharset(int charset) = 0; // lvPrinterData and lvPrinterList fonts
    virtual void closeAndWait() = 0;                // a close request, handled before returning
    virtual void applyCatalogue(TdmMain &dm) = 0;   // tray tip, menu items
};

// Console: Config.ini, connection (failure: the database's text, ForceClose, close request,
// false), Charset, language file, product caption, catalogue texts. A bad Charset throws
// EConvertError after the database is connected.
bool LoadConsoleSettings(TdmMain &dm, ConsoleSettingsTarget &window);

// Agent: Config.ini, Charset (a bad one throws EConvertError before anything is connected),
// language file, connection (failure: "RSConnectionErr", close request, false), aqryHost,
// catalogue texts. False means the start-up must stop silently.
bool LoadAgentSettings(TdmMain &dm, AgentSettingsTarget &window);

} // namespace vesk
