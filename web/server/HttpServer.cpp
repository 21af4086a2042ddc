#include "HttpServer.h"

#include "Database.h"
#include "WebConfig.h"

#include <QSqlDatabase>
#include <QThread>
#include <QThreadPool>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <microhttpd.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vesk::web {

namespace {

// What one request gathers before it is answered: the raw URI (query included) and the body.
struct Pending
{
    QByteArray uri;
    QByteArray body;
    bool tooLarge = false;
    bool headersRead = false; // the first call only sees the headers
    // A download made on the export threads while the connection waits suspended.
    Request request;
    std::optional<Response> made;
    bool dropped = false; // its client went before it was made: the connection is closed
};

void *uriLogged(void *, const char *uri, struct MHD_Connection *)
{
    auto *p = new Pending;
    p->uri = uri;
    return p;
}

void completed(void *deadlines, struct MHD_Connection *c, void **state,
               enum MHD_RequestTerminationCode)
{
    delete static_cast<Pending *>(*state);
    *state = nullptr;
    // A kept-alive connection has its next request's time from now.
    static_cast<RequestDeadlines *>(deadlines)->Await(c);
}

void connectionNotified(void *deadlines, struct MHD_Connection *c, void **,
                        enum MHD_ConnectionNotificationCode code)
{
    auto *d = static_cast<RequestDeadlines *>(deadlines);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        const union MHD_ConnectionInfo *info =
            MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info)
            d->Opened(c, info->connect_fd);
    } else {
        d->Closed(c);
    }
}

QByteArray header(struct MHD_Connection *c, const char *name)
{
    const char *v = MHD_lookup_connection_value(c, MHD_HEADER_KIND, name);
    return v ? QByteArray(v) : QByteArray();
}

// Held while a download is handed to the export threads and taken by the task before it reads
// what it was given: the pool's own hand-over uses locks ThreadSanitizer cannot see.
std::mutex exportHandoff;

// Whether the client has closed its end (or reset it) while its request waited: nothing it asked
// for can reach it any more.
bool clientGone(struct MHD_Connection *c)
{
    const union MHD_ConnectionInfo *info =
        MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (!info)
        return false;
    pollfd p{info->connect_fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

QString clientAddress(struct MHD_Connection *c)
{
    const union MHD_ConnectionInfo *info =
        MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr *a = info->client_addr;
    if (a->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(a)->sin_addr, text, sizeof text);
    else if (a->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 *>(a)->sin6_addr, text,
                  sizeof text);
    return QString::fromLatin1(text);
}

// The calling thread's own connection, opened on its first request. It is probed only when it
// may have gone (idle a while, or the last answer on it was a failure): a probe before every
// request would double the round trips to a database server.
thread_local bool connectionSuspect = true;
thread_local std::chrono::steady_clock::time_point connectionUsed;

QSqlDatabase threadDatabase(const QString &constr, const QString &appDir, QString *error)
{
    // Made anew each time: a thread-local text would be released at the thread's exit while the
    // connection list, which shares it, lives on to the program's end.
    const QString name = QStringLiteral("vesk-web-%1").arg(quintptr(QThread::currentThreadId()));
    const auto now = std::chrono::steady_clock::now();
    const bool probe = connectionSuspect || now - connectionUsed > std::chrono::seconds(30);
    connectionUsed = now;
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen() && (!probe || connectionAlive(db))) {
            connectionSuspect = false;
            return db;
        }
    }
    const OpenResult r = openDatabase(name, constr, appDir);
    if (!r.ok) {
        *error = r.error;
        return {};
    }
    connectionSuspect = false;
    return QSqlDatabase::database(name, false);
}

} // namespace

struct ServerGlue
{
    static MHD_Result answer(void *cls, struct MHD_Connection *connection, const char *,
                             const char *method, const char *, const char *uploadData,
                             size_t *uploadSize, void **state)
    {
        auto *server = static_cast<HttpServer *>(cls);
        auto *p = static_cast<Pending *>(*state);
        if (!p->headersRead) {
            p->headersRead = true;
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            // One byte at a time is still progress to the idle time-out; the request's
            // deadline ends it (RequestDeadlines).
            if (p->tooLarge ||
                p->body.size() + qsizetype(*uploadSize) > qsizetype(HttpServer::MaxBody))
                p->tooLarge = true;
            else
                p->body.append(uploadData, qsizetype(*uploadSize));
            *uploadSize = 0;
            return MHD_YES;
        }
        server->deadlines_->Received(connection);
        if (p->dropped)
            return MHD_NO;
        if (p->made)
            return queue(connection, *p->made);
        const QByteArray acceptLanguage = header(connection, MHD_HTTP_HEADER_ACCEPT_LANGUAGE);
        if (p->tooLarge)
            return queue(connection, server->refusal(413, acceptLanguage));
        Request &r = p->request;
        r.method = method;
        const qsizetype q = p->uri.indexOf('?');
        r.path = QString::fromLatin1(q < 0 ? p->uri : p->uri.left(q));
        r.malformed = !ParseParams(q < 0 ? QByteArray() : p->uri.mid(q + 1), r.query);
        if (!p->body.isEmpty()) {
            const QByteArray type = header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
            r.malformed = r.malformed || !type.startsWith("application/x-www-form-urlencoded") ||
                          !ParseParams(p->body, r.form);
        }
        r.cookie = header(connection, MHD_HTTP_HEADER_COOKIE);
        r.acceptLanguage = acceptLanguage;
        r.address = clientAddress(connection);
        // Behind a reverse proxy every peer is the proxy: the sign-in throttle counts the
        // client the proxy names instead, or one client's failures would slow everybody's
        // sign-in. Only the proxy configured is believed: any other client could name a new
        // address with each try.
        const QByteArray forwarded = header(connection, "X-Forwarded-For");
        if (!forwarded.isEmpty() && !server->proxyAddress_.isEmpty() &&
            r.address == server->proxyAddress_)
            r.address = QString::fromLatin1(forwarded.split(',').last().trimmed().left(64));
        r.secure = !server->cert_.isEmpty() || server->proxyHttps_;
        // One session's requests take at most a few places; beyond them it is asked to come
        // back, so that the others are served meanwhile.
        const QByteArray session = CookieValue(r.cookie, WebApp::CookieName);
        const bool download = r.path.startsWith(QStringLiteral("/download/"));
        const WorkLimits::Kind kind =
            download ? WorkLimits::Kind::Download : WorkLimits::Kind::Page;
        if (!server->limits_.Take(session, kind))
            return queue(connection, server->busy(acceptLanguage));
        if (download) {
            // A workbook of a year's records takes seconds: made on a thread of its own, so
            // the connections that share this one are not kept waiting meanwhile. The library
            // calls back here once the connection is resumed.
            std::lock_guard lock(server->exportsLock_);
            if (!server->stopping_) {
                MHD_suspend_connection(connection);
                std::lock_guard handing(exportHandoff);
                server->exports_->start([server, p, connection, session, kind] {
                    {
                        std::lock_guard taken(exportHandoff);
                    }
                    if (clientGone(connection)) {
                        p->dropped = true;
                        ++server->dropped_;
                    } else {
                        p->made = server->handle(p->request);
                    }
                    server->limits_.Give(session, kind);
                    MHD_resume_connection(connection);
                });
                return MHD_YES;
            }
            server->limits_.Give(session, kind);
            return queue(connection, server->refusal(503, acceptLanguage));
        }
        Response out = server->handle(r);
        server->limits_.Give(session, kind);
        return queue(connection, std::move(out));
    }

    static MHD_Result queue(struct MHD_Connection *connection, Response out)
    {
        struct MHD_Response *response =
            out.fd >= 0 ? MHD_create_response_from_fd(uint64_t(out.fdSize), out.fd)
                        : MHD_create_response_from_buffer(size_t(out.body.size()), out.body.data(),
                                                          MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                                out.contentType.constData());
        for (const auto &[name, value] : out.headers)
            MHD_add_response_header(response, name.constData(), value.constData());
        const MHD_Result queued = MHD_queue_response(connection, unsigned(out.status), response);
        MHD_destroy_response(response);
        return queued;
    }
};

Response HttpServer::refusal(int status, const QByteArray &acceptLanguage) const
{
    Response out = app_->Error(status, acceptLanguage);
    for (const auto &h : SecurityHeaders())
        out.headers << h;
    return out;
}

Response HttpServer::busy(const QByteArray &acceptLanguage) const
{
    Response out = refusal(503, acceptLanguage);
    out.headers << std::pair{QByteArrayLiteral("Retry-After"),
                             QByteArray::number(WorkLimits::RetryAfterSeconds)};
    return out;
}

Response HttpServer::handle(const Request &r)
{
    if (beforeHandle)
        beforeHandle(r);
    for (int attempt = 0;; ++attempt) {
        QString error;
        const QSqlDatabase db = threadDatabase(constr_, appDir_, &error);
        if (!db.isValid()) {
            std::fprintf(stderr, "vesk-web: %s\n", qUtf8Printable(error));
            return refusal(503, r.acceptLanguage);
        }
        Response out = app_->Handle(r, db);
        connectionSuspect = out.status >= 500;
        // A database server restarted since this thread's last request fails the first
        // statement: a page that changes nothing is read once more on a new connection.
        if (!connectionSuspect || attempt > 0 || (r.method != "GET" && r.method != "HEAD") ||
            connectionAlive(db))
            return out;
    }
}

HttpServer::HttpServer(QString appDir) : appDir_(std::move(appDir)) {}

HttpServer::~HttpServer()
{
    Stop();
}

bool HttpServer::Start(QString *error)
{
    std::optional<WebConfig> config = ReadWebConfig(appDir_, error);
    if (!config)
        return false;
    // Without TZ the C library reads the zone again at every local-time conversion, freeing and
    // copying its name each time (under a lock of its own that ThreadSanitizer cannot see), and
    // the server's threads convert at once. Named here, before they start, the same zone file is
    // read once and afterwards only compared.
    if (!qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        tzset();
    }
    constr_ = config->constr;
    cert_ = config->cert;
    key_ = config->key;
    proxyAddress_ = config->proxyAddress;
    proxyHttps_ = config->proxyHttps;
    Catalogues catalogues{CatalogueFromFile(appDir_ + QStringLiteral("English.ini"), 0),
                          CatalogueFromFile(appDir_ + QStringLiteral("Chinese.ini"), 134)};
    app_ = std::make_unique<WebApp>(std::move(catalogues), config->privacy);
    app_->currency = ReadCurrency(appDir_);

    // The first connection is opened here, so a database that cannot be used stops the start.
    QString openError;
    if (!threadDatabase(constr_, appDir_, &openError).isValid()) {
        *error = openError;
        return false;
    }
    if (!config->notice.isEmpty())
        std::fprintf(stderr, "vesk-web: %s\n", qUtf8Printable(config->notice));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(config->port);
    address.sin_addr.s_addr = htonl(config->address);
    deadlines_ =
        std::make_unique<RequestDeadlines>(std::chrono::seconds(config->requestTimeoutSeconds));

    exports_ = std::make_unique<QThreadPool>();
    exports_->setMaxThreadCount(ExportThreads);
    exports_->setExpiryTimeout(-1); // a thread keeps its database connection for good

    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    if (!cert_.isEmpty())
        flags |= MHD_USE_TLS;
    std::vector<MHD_OptionItem> options{
        {MHD_OPTION_THREAD_POOL_SIZE, Threads, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, MaxConnections, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, IdleTimeoutSeconds, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, intptr_t(ConnectionMemory), nullptr},
        {MHD_OPTION_SOCK_ADDR, 0, &address},
        {MHD_OPTION_URI_LOG_CALLBACK, intptr_t(&uriLogged), nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(&completed), deadlines_.get()},
        {MHD_OPTION_NOTIFY_CONNECTION, intptr_t(&connectionNotified), deadlines_.get()},
    };
    if (!cert_.isEmpty()) {
        options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, cert_.data()});
        options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, key_.data()});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    daemon_ = MHD_start_daemon(flags, config->port, nullptr, nullptr, &ServerGlue::answer, this,
                               MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
    if (!daemon_) {
        *error = QStringLiteral("cannot listen on ") + config->listen;
        return false;
    }
    const union MHD_DaemonInfo *info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    port_ = info ? info->port : config->port;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    std::fprintf(stderr, "vesk-web: listening on %s://%s:%d\n", cert_.isEmpty() ? "http" : "https",
                 text, port_);
    std::fflush(stderr);
    return true;
}

void HttpServer::Stop()
{
    // Downloads under way resume their connections first: the library may not stop with a
    // connection suspended.
    if (exports_) {
        {
            std::lock_guard lock(exportsLock_);
            stopping_ = true;
        }
        exports_->waitForDone();
    }
    if (daemon_)
        MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    deadlines_.reset(); // after the daemon: its last connections are closed by then
}

} // namespace vesk::web
