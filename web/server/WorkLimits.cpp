#include "WorkLimits.h"

namespace vesk::web {

bool WorkLimits::Take(const QByteArray &session, Kind kind)
{
    std::lock_guard<std::mutex> l(lock_);
    const bool page = kind == Kind::Page;
    if (!page && downloads_ >= Exports)
        return false;
    if (!session.isEmpty()) {
        Count &c = sessions_[session];
        int &mine = page ? c.pages : c.downloads;
        if (mine >= (page ? PagesPerSession : DownloadsPerSession)) {
            if (c.pages == 0 && c.downloads == 0)
                sessions_.remove(session);
            return false;
        }
        ++mine;
    }
    ++(page ? pages_ : downloads_);
    return true;
}

void WorkLimits::Give(const QByteArray &session, Kind kind)
{
    std::lock_guard<std::mutex> l(lock_);
    const bool page = kind == Kind::Page;
    --(page ? pages_ : downloads_);
    if (session.isEmpty())
        return;
    const auto it = sessions_.find(session);
    if (it == sessions_.end())
        return;
    --(page ? it->pages : it->downloads);
    // Only sessions with work in hand are kept: made-up tokens leave nothing behind.
    if (it->pages <= 0 && it->downloads <= 0)
        sessions_.erase(it);
}

int WorkLimits::InHand(Kind kind) const
{
    std::lock_guard<std::mutex> l(lock_);
    return kind == Kind::Page ? pages_ : downloads_;
}

} // namespace vesk::web
