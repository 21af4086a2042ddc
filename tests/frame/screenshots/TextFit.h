// The check that every text a window shows fits its control (labels, buttons, radio buttons,
// check boxes, group box titles, menus, tabs, combo boxes and table headings), by the metrics of
// the control's own font.
#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>

namespace vesk::shots {

struct TextCheck
{
    int checked = 0; // controls with a text that were measured
    QStringList cut; // one line per control whose text is cut: its class, name, text, the room
                     // it needs and the room it has
};

// The texts of `window` (shown and laid out): its visible controls and its menus.
TextCheck CheckTexts(QWidget *window);

} // namespace vesk::shots
