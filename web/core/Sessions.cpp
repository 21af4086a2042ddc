#include "Sessions.h"

#include <algorithm>
#include <sodium.h>

namespace vesk::web {

QByteArray RandomToken()
{
    static const bool ready = sodium_init() >= 0;
    Q_ASSERT(ready);
    (void)ready;
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex();
}

QByteArray SessionStore::Start(const QString &account, const QByteArray &stamp,
                               Clock::time_point now)
{
    const QByteArray token = RandomToken();
    std::lock_guard<std::mutex> l(lock_);
    sweep(now);
    sessions_.insert(token, Session{account, stamp, RandomToken(), now});
    return token;
}

std::optional<Session> SessionStore::Touch(const QByteArray &token, Clock::time_point now)
{
    std::lock_guard<std::mutex> l(lock_);
    const auto it = sessions_.find(token);
    if (it == sessions_.end())
        return std::nullopt;
    if (now - it->lastSeen > idle_) {
        sessions_.erase(it);
        return std::nullopt;
    }
    it->lastSeen = now;
    return *it;
}

void SessionStore::End(const QByteArray &token)
{
    std::lock_guard<std::mutex> l(lock_);
    sessions_.remove(token);
}

void SessionStore::EndAccount(const QString &account)
{
    std::lock_guard<std::mutex> l(lock_);
    sessions_.removeIf([&](const auto &it) {
        return it.value().account.compare(account, Qt::CaseInsensitive) == 0;
    });
}

int SessionStore::Count() const
{
    std::lock_guard<std::mutex> l(lock_);
    return int(sessions_.size());
}

void SessionStore::sweep(Clock::time_point now)
{
    // Expired sessions would otherwise stay until their token comes back, which it may never.
    if (now - lastSweep_ < std::chrono::minutes(1))
        return;
    lastSweep_ = now;
    sessions_.removeIf([&](const auto &it) { return now - it.value().lastSeen > idle_; });
}

std::chrono::seconds SignInThrottle::waitFor(const Count &c, Clock::time_point now)
{
    if (c.failures < FreeFailures)
        return std::chrono::seconds(0);
    const int doublings = std::min(c.failures - FreeFailures, 10);
    const auto wait = std::min<std::chrono::seconds>(std::chrono::seconds(1LL << doublings),
                                                     std::chrono::minutes(15));
    const auto passed = std::chrono::duration_cast<std::chrono::seconds>(now - c.last);
    return passed >= wait ? std::chrono::seconds(0) : wait - passed;
}

std::chrono::seconds SignInThrottle::Wait(const QString &account, const QString &address,
                                          Clock::time_point now) const
{
    std::lock_guard<std::mutex> l(lock_);
    const Count a = accounts_.value(account.toCaseFolded());
    const Count b = addresses_.value(address);
    return std::max(waitFor(a, now), waitFor(b, now));
}

std::chrono::seconds SignInThrottle::Try(const QString &account, const QString &address,
                                         Clock::time_point now)
{
    std::lock_guard<std::mutex> l(lock_);
    const auto wait = std::max(waitFor(accounts_.value(account.toCaseFolded()), now),
                               waitFor(addresses_.value(address), now));
    if (wait.count() > 0)
        return wait;
    // Made-up names must not grow the tables without end: counts an hour old are dropped.
    for (QHash<QString, Count> *table : {&accounts_, &addresses_}) {
        if (table->size() > 10000)
            table->removeIf(
                [&](const auto &it) { return now - it.value().last > std::chrono::hours(1); });
    }
    for (Count *c : {&accounts_[account.toCaseFolded()], &addresses_[address]}) {
        if (c->failures > 0 && now - c->last > std::chrono::hours(1))
            c->failures = 0;
        ++c->failures;
        c->last = now;
    }
    return std::chrono::seconds(0);
}

void SignInThrottle::Failed(const QString &account, const QString &address, Clock::time_point now)
{
    std::lock_guard<std::mutex> l(lock_);
    for (QHash<QString, Count> *table : {&accounts_, &addresses_}) {
        const auto it = table->find(table == &accounts_ ? account.toCaseFolded() : address);
        if (it != table->end())
            it->last = now;
    }
}

void SignInThrottle::Succeeded(const QString &account, const QString &address)
{
    std::lock_guard<std::mutex> l(lock_);
    accounts_.remove(account.toCaseFolded());
    const auto it = addresses_.find(address);
    if (it != addresses_.end() && --it->failures <= 0)
        addresses_.erase(it);
}

} // namespace vesk::web
