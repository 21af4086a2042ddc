// Shared pieces of the discovery tests: a log window that records its lines.
#pragma once

#include "WindowMessages.h"

#include <QObject>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

// Receives WM_SHOWTIP on the thread it lives on.
class LogRecorder : public QObject, public ShowTipReceiver
{
public:
    void ShowTip(const QString &line) override { lines << line; }
    QStringList lines;
};

// The catalogue as "<key>" texts, so the tests see which key each line used.
inline QString KeyText(const QString &key)
{
    return u'<' + key + u'>';
}

} // namespace vesk::test
