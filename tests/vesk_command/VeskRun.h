// Runs the vesk command on an application folder and keeps what it printed.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace vesk::test {

struct Outcome
{
    int code = -1;
    QString out;
    QString err;
};

inline Outcome runVesk(const QString &appDir, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VESK_COMMAND), QStringList{QStringLiteral("--app"), appDir} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace vesk::test
