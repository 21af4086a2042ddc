#include "MailSender.h"

#include "MailAddress.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QUuid>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vesk {

namespace {

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Target
{
    QByteArray url;
    MailSecurity security = MailSecurity::StartTls;
    QString caFile;
    QByteArray user, password;
};

struct CurlDeleter
{
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
    void operator()(curl_mime *m) const { curl_mime_free(m); }
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

curl_slist *append(curl_slist *list, const QByteArray &line)
{
    curl_slist *grown = curl_slist_append(list, line.constData());
    return grown ? grown : list;
}

// Composes `m` with libcurl's MIME API and sends it to `t`.
bool transfer(const MailSettings &settings, const Target &t, const MailMessage &m, QString *error)
{
    if (!IsMailAddress(m.to)) {
        *error = QStringLiteral("not a plain address: ") + HeaderText(m.to);
        return false;
    }
    initCurl();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        *error = QStringLiteral("libcurl could not start");
        return false;
    }
    CURL *c = curl.get();
    char curlError[CURL_ERROR_SIZE] = {};
    const QByteArray from = settings.from.toLatin1(), to = m.to.toLatin1();
    const QByteArray mailFrom = '<' + from + '>', rcpt = '<' + to + '>';
    std::unique_ptr<curl_slist, CurlDeleter> rcpts(append(nullptr, rcpt));
    // Every header value from data passes HeaderText; the addresses were checked as plain.
    curl_slist *h = nullptr;
    h = append(h, "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1());
    h = append(h, "From: Vesk <" + from + '>');
    h = append(h, "To: <" + to + '>');
    h = append(h, "Subject: " + HeaderText(m.subject));
    h = append(h, "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' +
                      from.mid(from.indexOf('@') + 1) + '>');
    h = append(h, "Auto-Submitted: auto-generated");
    std::unique_ptr<curl_slist, CurlDeleter> headers(h);

    std::unique_ptr<curl_mime, CurlDeleter> mime(curl_mime_init(c));
    // Lines end in CRLF, as a message's must: the quoted-printable encoder keeps them as line
    // ends (a bare LF would become "=0A").
    const auto crlf = [](const QString &t) {
        return QString(t)
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(u'\n', QStringLiteral("\r\n"))
            .toUtf8();
    };
    const QByteArray text = crlf(m.text), html = crlf(m.html);
    curl_mime *alt = curl_mime_init(c);
    curl_mimepart *part = curl_mime_addpart(alt);
    curl_mime_data(part, text.constData(), size_t(text.size()));
    curl_mime_type(part, "text/plain; charset=UTF-8");
    curl_mime_encoder(part, "quoted-printable");
    if (!html.isEmpty()) {
        part = curl_mime_addpart(alt);
        curl_mime_data(part, html.constData(), size_t(html.size()));
        curl_mime_type(part, "text/html; charset=UTF-8");
        curl_mime_encoder(part, "quoted-printable");
    }
    part = curl_mime_addpart(mime.get());
    curl_mime_subparts(part, alt); // the part owns `alt` from here on
    curl_mime_type(part, "multipart/alternative");
    std::unique_ptr<curl_slist, CurlDeleter> inline_(
        append(nullptr, "Content-Disposition: inline"));
    curl_mime_headers(part, inline_.get(), 0);
    for (const MailAttachment &a : m.attachments) {
        part = curl_mime_addpart(mime.get());
        curl_mime_data(part, a.data.constData(), size_t(a.data.size()));
        curl_mime_type(part, a.contentType.constData());
        curl_mime_filename(part, HeaderText(a.fileName).constData());
        curl_mime_encoder(part, "base64");
    }

    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(c, CURLOPT_URL, t.url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 300L);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpts.get());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
    curl_easy_setopt(c, CURLOPT_USE_SSL,
                     t.security == MailSecurity::StartTls ? CURLUSESSL_ALL : CURLUSESSL_NONE);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray ca = QFile::encodeName(t.caFile);
    if (!ca.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());
    if (!t.user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, t.user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, t.password.constData());
    }
    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK)
        return true;
    *error = QString::fromUtf8(curlError[0] ? curlError : curl_easy_strerror(result));
    return false;
}

// One SMTP conversation's receiving end on 127.0.0.1, for WriteMailFile: it takes whatever it is
// given and keeps the message's text, dot-stuffing undone.
class Keeper
{
public:
    bool Start(QString *error)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
            ::listen(fd_, 1) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
            *error = QStringLiteral("cannot listen on the loopback address: ") +
                     QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
        return true;
    }
    ~Keeper()
    {
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Port() const { return port_; }
    // After the transfer: the message, once the thread has ended.
    QByteArray Message()
    {
        if (thread_.joinable())
            thread_.join();
        return message_;
    }

private:
    void serve()
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 30000) != 1)
            return;
        const int s = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0)
            return;
        QByteArray in;
        const auto say = [s](const char *line) {
            return ::send(s, line, strlen(line), MSG_NOSIGNAL) > 0;
        };
        // The next line without its CRLF; false when the peer has gone.
        const auto line = [&](QByteArray *out) {
            for (;;) {
                const qsizetype end = in.indexOf("\r\n");
                if (end >= 0) {
                    *out = in.left(end);
                    in.remove(0, end + 2);
                    return true;
                }
                pollfd q{s, POLLIN, 0};
                char buffer[16384];
                const ssize_t n =
                    ::poll(&q, 1, 30000) == 1 ? ::recv(s, buffer, sizeof buffer, 0) : -1;
                if (n <= 0)
                    return false;
                in.append(buffer, n);
            }
        };
        QByteArray l;
        bool open = say("220 vesk keeps this message\r\n");
        while (open && line(&l)) {
            const QByteArray verb = l.left(4).toUpper();
            if (verb == "DATA") {
                open = say("354 go on\r\n");
                QByteArray body;
                while (open && (open = line(&l)) && l != ".")
                    body += (l.startsWith('.') ? l.mid(1) : l) + "\r\n";
                message_ = body;
                open = open && say("250 kept\r\n");
            } else if (verb == "QUIT") {
                say("221 bye\r\n");
                break;
            } else {
                open = say("250 vesk\r\n");
            }
        }
        ::close(s);
    }

    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    QByteArray message_;
};

} // namespace

bool MailSender::Send(const MailMessage &message, QString *error)
{
    Target t;
    t.security = settings_.security;
    const QByteArray host = settings_.host.contains(u':') ? '[' + settings_.host.toLatin1() + ']'
                                                          : settings_.host.toLatin1();
    t.url = (settings_.security == MailSecurity::Tls ? "smtps://" : "smtp://") + host + ':' +
            QByteArray::number(settings_.port);
    t.caFile = settings_.caFile;
    if (!settings_.user.isEmpty()) {
        if (!password_) {
            password_ = ReadMailPassword(settings_, error);
            if (!password_)
                return false;
        }
        t.user = settings_.user.toUtf8();
        t.password = *password_;
    }
    return transfer(settings_, t, message, error);
}

bool WriteMailFile(const MailSettings &settings, const MailMessage &message, const QString &file,
                   QString *error)
{
    Keeper keeper;
    if (!keeper.Start(error))
        return false;
    Target t;
    t.security = MailSecurity::None;
    t.url = "smtp://127.0.0.1:" + QByteArray::number(keeper.Port());
    const bool sent = transfer(settings, t, message, error);
    const QByteArray text = keeper.Message();
    if (!sent)
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

} // namespace vesk
