// The date and time that log lines and log blocks of both programs carry.
#pragma once

#include <QDateTime>
#include <QString>

namespace vesk {

// The system's short date and long time format (without Qt's time-zone field, as a desktop
// clock shows it).
QString LogDateTime(const QDateTime &when);

} // namespace vesk
