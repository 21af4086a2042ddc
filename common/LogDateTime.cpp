// Timestamps of log lines.
#include "LogDateTime.h"

#include <QLocale>
#include <QRegularExpression>

namespace vesk {

QString LogDateTime(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    const QString time = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return locale.toString(when.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(when.time(), time);
}

} // namespace vesk
