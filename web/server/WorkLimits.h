// How much work one session, and every session together, may have in hand at once, so that one
// browser's slow overviews or a pile of workbooks cannot keep everybody else waiting.
#pragma once

#include <QByteArray>
#include <QHash>

#include <mutex>

namespace vesk::web {

class WorkLimits
{
public:
    static constexpr int PagesPerSession = 2;
    static constexpr int DownloadsPerSession = 2;
    static constexpr int Exports = 8; // downloads waiting for an export thread or being made
    static constexpr int RetryAfterSeconds = 5;

    enum class Kind
    {
        Page,
        Download
    };

    // Takes a place for a request of the session (its cookie's token; empty: none, only the
    // downloads' common limit applies); false when the session or all of them have no place left.
    bool Take(const QByteArray &session, Kind kind);
    // Gives the place back once the request is answered or dropped.
    void Give(const QByteArray &session, Kind kind);
    // Requests of the kind in hand now.
    int InHand(Kind kind) const;

private:
    struct Count
    {
        int pages = 0;
        int downloads = 0;
    };
    mutable std::mutex lock_;
    QHash<QByteArray, Count> sessions_;
    int pages_ = 0;
    int downloads_ = 0;
};

} // namespace vesk::web
