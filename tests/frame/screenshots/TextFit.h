// The check that every text a window shows fits its control (labels, buttons, radio buttons,
// check boxes, group box titles), by the metrics of the control's own font.
#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>

namespace vesk::shots {

// One line per visible control of `window` (the window shown and laid out) whose text is cut:
// its class, name, text, the room it needs and the room it has. Empty when every text fits.
QStringList CutTexts(QWidget *window);

} // namespace vesk::shots
