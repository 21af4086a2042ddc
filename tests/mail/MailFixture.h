// An application folder with departments, print records and web accounts, a real SMTP server on
// loopback (aiosmtpd: STARTTLS with a certificate made here, AUTH) that writes what it receives
// to a folder, and the vesk command run on the folder.
#pragma once

#include "TestAppDir.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

struct VeskResult
{
    int code = -1;
    QString out, err;
};

class MailFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server (on the port it had before, if it ran), refusing the recipients named.
    void startServer(const QStringList &refuse = {});
    void stopServer();
    // [Mail] of Config.ini; by default the server's with its certificate and password.
    void writeMailConfig(const QString &section = {});
    QString defaultMailSection() const;

    VeskResult vesk(const QStringList &args);
    // What read_mail.py says of the .eml files of a folder (the server's by default).
    QJsonArray readMail(const QString &folder = {});
    void exec(const QString &statement);
    QStringList rows(const QString &statement);
    QSqlDatabase db() const;

    TestAppDir dir;
    QString inbox;
    int port = 0;

private:
    std::unique_ptr<QProcess> server_;
    QString connection_;
};

// Messages by their envelope recipient.
QJsonObject messageTo(const QJsonArray &messages, const QString &address);
QStringList recipients(const QJsonArray &messages);

} // namespace vesk::test
