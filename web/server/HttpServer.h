// The HTTP side of vesk-web: libmicrohttpd's thread pool, limits and TLS around WebApp.
#pragma once

#include "RequestDeadlines.h"
#include "WebApp.h"
#include "WorkLimits.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct MHD_Daemon;
class QThreadPool;

namespace vesk::web {

// Started with the application folder's settings (WebConfig).
class HttpServer
{
public:
    static constexpr int Threads = 4;
    static constexpr int ExportThreads = 2; // downloads, made beside the pages
    static constexpr int MaxConnections = 1024;
    static constexpr int IdleTimeoutSeconds = 15; // a client silent this long is dropped
    static constexpr size_t MaxBody = 16 * 1024;
    static constexpr size_t ConnectionMemory = 32 * 1024; // headers beyond it: refused

    explicit HttpServer(QString appDir);
    ~HttpServer();

    // Reads the folder's settings and catalogues and starts listening; logs the address.
    bool Start(QString *error);
    void Stop();
    int Port() const { return port_; }
    WebApp &App() { return *app_; }
    const WorkLimits &Limits() const { return limits_; }
    // Downloads not made because their client had gone while they waited.
    int ExportsDropped() const { return dropped_; }
    // Called with each request just before it is answered, on the thread that answers it (tests
    // hold requests there).
    std::function<void(const Request &)> beforeHandle;

private:
    QString appDir_;
    QString constr_;
    std::unique_ptr<WebApp> app_;
    // The calling thread's connection answers; 503 when the database cannot be reached.
    Response handle(const Request &r);
    Response refusal(int status, const QByteArray &acceptLanguage) const;
    // 503 with Retry-After: a session, or the downloads of all, have no place left.
    Response busy(const QByteArray &acceptLanguage) const;

    std::unique_ptr<RequestDeadlines> deadlines_;
    WorkLimits limits_;
    std::atomic<int> dropped_{0};
    std::unique_ptr<QThreadPool> exports_;
    std::mutex exportsLock_;
    bool stopping_ = false; // no new download once Stop has begun waiting for the others
    MHD_Daemon *daemon_ = nullptr;
    int port_ = 0;
    QByteArray cert_, key_;
    QString proxyAddress_; // the only peer whose X-Forwarded-For is believed
    bool proxyHttps_ = false;

    friend struct ServerGlue;
};

} // namespace vesk::web
