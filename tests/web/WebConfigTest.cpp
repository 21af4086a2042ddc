// The settings vesk-web starts with, read from Config.ini as the server reads them.
#include "WebConfig.h"

#include "TestAppDir.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

TEST(WebConfig, ReadsTheWebSettingsAndRefusesBadOnes)
{
    const struct
    {
        const char *web;   // the [Web] section's lines
        const char *error; // a part of the refusal, or null when it starts
        quint32 address;   // where it listens
        int port, timeout; //
        bool tls, notice;  // with a certificate; saying it keeps to loopback
        const char *proxy; // the proxy's address, as the server writes a client's
        bool proxyHttps;
    } cases[] = {
        {"", nullptr, 0x7f000001, 8080, 30, false, false, "", false},
        {"Listen=127.0.0.2:9000\nRequestTimeout=5\n", nullptr, 0x7f000002, 9000, 5, false, false,
         "", false},
        {"Listen=0.0.0.0:0\n", nullptr, 0x7f000001, 0, 30, false, true, "", false},
        {"Listen=192.0.2.1:80\nCertFile=c.pem\nKeyFile=k.pem\n", nullptr, 0xc0000201, 80, 30, true,
         false, "", false},
        {"Listen=localhost:80\n", "Listen must be an IPv4 address", 0, 0, 0, false, false, "",
         false},
        {"Listen=127.0.0.1:70000\n", "Listen must be", 0, 0, 0, false, false, "", false},
        {"Listen=127.0.0.1\n", "Listen must be", 0, 0, 0, false, false, "", false},
        {"RequestTimeout=0\n", "RequestTimeout must be", 0, 0, 0, false, false, "", false},
        {"RequestTimeout=x\n", "RequestTimeout must be", 0, 0, 0, false, false, "", false},
        {"CertFile=c.pem\n", "needs both CertFile and KeyFile", 0, 0, 0, false, false, "", false},
        {"CertFile=c.pem\nKeyFile=missing.pem\n", "cannot read", 0, 0, 0, false, false, "", false},
        {"ProxyAddress=127.0.0.1\nProxyHttps=1\n", nullptr, 0x7f000001, 8080, 30, false, false,
         "127.0.0.1", true},
        {"ProxyAddress=::FFFF:7f00:1\nProxyHttps=0\n", nullptr, 0x7f000001, 8080, 30, false, false,
         "::ffff:127.0.0.1", false},
        {"ProxyAddress=proxy.local\n", "ProxyAddress must be an IP address", 0, 0, 0, false, false,
         "", false},
        {"ProxyHttps=yes\n", "ProxyHttps must be 0 or 1", 0, 0, 0, false, false, "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.web);
        TestAppDir dir;
        dir.write(QStringLiteral("c.pem"), QStringLiteral("certificate"));
        dir.write(QStringLiteral("k.pem"), QStringLiteral("key"));
        dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("0"),
                        QStringLiteral("[Web]\n") + QString::fromUtf8(c.web));
        QString error;
        const std::optional<web::WebConfig> config = web::ReadWebConfig(dir.path(), &error);
        if (c.error) {
            EXPECT_FALSE(config);
            EXPECT_TRUE(error.contains(QLatin1String(c.error))) << qPrintable(error);
            continue;
        }
        ASSERT_TRUE(config) << qPrintable(error);
        EXPECT_EQ(config->address, c.address);
        EXPECT_EQ(config->port, c.port);
        EXPECT_EQ(config->requestTimeoutSeconds, c.timeout);
        EXPECT_EQ(!config->cert.isEmpty(), c.tls);
        EXPECT_EQ(config->cert.endsWith('\0'), c.tls);
        EXPECT_EQ(!config->notice.isEmpty(), c.notice);
        EXPECT_TRUE(config->constr.contains(QLatin1String("vesk.db")));
        EXPECT_EQ(config->proxyAddress, QLatin1String(c.proxy));
        EXPECT_EQ(config->proxyHttps, c.proxyHttps);
    }
}
