// TNetworkSearch: thread counting, the tree's steps and the end of a search.
#include "NetworkSearch.h"

#include "TreeFile.h"
#include "WindowMessages.h"
#include "domainSearch.h"

#include <QCoreApplication>

#include <chrono>

namespace vesk {

namespace {
// How long a pool thread waits for more work before it ends.
constexpr std::chrono::milliseconds PoolThreadExpiry{1000};
} // namespace

TNetworkSearch::TNetworkSearch(NetworkEnum &network, LangLookup lang, QObject *parent)
    : QObject(parent), network_(network), lang_(std::move(lang))
{}

TNetworkSearch::~TNetworkSearch()
{
    stopping_ = true;
    network_.SetStopping(true);
    std::unique_lock<std::mutex> lock(poolLock_);
    closing_ = true;
    poolChanged_.notify_all();
    // The threads still run what is queued (each ends at once, the search being stopped), and a
    // thread may be waiting in a synchronised send to this thread: keep serving it.
    while (!workers_.empty()) {
        lock.unlock();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lock.lock();
        poolChanged_.wait_for(lock, std::chrono::milliseconds(20),
                              [this] { return workers_.empty(); });
    }
    std::list<std::thread> ended = std::move(ended_);
    lock.unlock();
    for (std::thread &thread : ended)
        thread.join();
    network_.SetStopping(false);
}

void TNetworkSearch::SendSynchronized(std::function<void()> step)
{
    SendWindowMessage(this, [this, &step] {
        if (!stopping_)
            step();
    });
}

void TNetworkSearch::Start()
{
    if (Searching() || stopping_)
        return;
    ClearTree();
    StartThread(new TGetDomainThread(*this));
}

void TNetworkSearch::ShowTip(const QString &line)
{
    SendShowTip(LogWindow, line);
}

void TNetworkSearch::INCThread()
{
    ++SearchThreadCount;
}

void TNetworkSearch::DECThread()
{
    const int old = SearchThreadCount--;
    Q_EMIT threadEnded(SearchThreadCount);
    if (old != 1 || stopping_)
        return;
    ShowTip(GetLangString(QStringLiteral("RSSearchComplete")));
    const QString error = SaveData();
    Q_EMIT searchFinished(error);
}

void TNetworkSearch::StartThread(TSearchThread *thread)
{
    std::unique_ptr<TSearchThread> owned(thread);
    INCThread();
    std::list<std::thread> ended;
    {
        const std::lock_guard<std::mutex> lock(poolLock_);
        queue_.push_back(std::move(owned));
        ended.splice(ended.end(), ended_);
        // A new thread only when the idle ones cannot take everything that waits.
        if (static_cast<int>(queue_.size()) > idleWorkers_ &&
            static_cast<int>(workers_.size()) < MaxSearchThreads) {
            const auto self = workers_.emplace(workers_.end());
            *self = std::thread([this, self] { Work(self); });
        }
        poolChanged_.notify_one();
    }
    for (std::thread &done : ended)
        done.join();
}

void TNetworkSearch::Work(std::list<std::thread>::iterator self)
{
    std::unique_lock<std::mutex> lock(poolLock_);
    for (;;) {
        if (queue_.empty()) {
            if (closing_)
                break;
            ++idleWorkers_;
            const bool woken = poolChanged_.wait_for(
                lock, PoolThreadExpiry, [this] { return !queue_.empty() || closing_; });
            --idleWorkers_;
            if (!woken)
                break;
            continue;
        }
        std::unique_ptr<TSearchThread> next = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        next->run();
        next.reset();
        lock.lock();
    }
    // Joined by the next start or by the destructor, which waits for the running list to empty.
    ended_.splice(ended_.end(), workers_, self);
    poolChanged_.notify_all();
}

void TSearchThread::run()
{
    const int running = ++Search.runningThreads_;
    int peak = Search.peakThreads_;
    while (running > peak && !Search.peakThreads_.compare_exchange_weak(peak, running)) {
    }
    Execute();
    --Search.runningThreads_;
    // The last act, sent even when the search is being stopped: the count stays exact.
    SendWindowMessage(&Search, [this] { Search.DECThread(); });
}

void TNetworkSearch::BeginUpdate()
{
    Q_EMIT updatesSuspended(true);
}

void TNetworkSearch::EndUpdate()
{
    Q_EMIT updatesSuspended(false);
}

void TNetworkSearch::ClearTree()
{
    ComputerTree.Clear();
    Q_EMIT treeCleared();
}

TreeNode *TNetworkSearch::AddNode(TreeNode *parent, const QString &text, int image)
{
    TreeNode *node = ComputerTree.AddChild(parent, text, image);
    Q_EMIT nodeAdded(node);
    return node;
}

void TNetworkSearch::Expand(TreeNode *node)
{
    node->Expanded = true;
    Q_EMIT nodeExpanded(node);
}

void TNetworkSearch::PlainMessage(const QString &text)
{
    Q_EMIT plainMessage(text);
}

QString TNetworkSearch::SaveData()
{
    ShowTip(GetLangString(QStringLiteral("RSSaveTreeData")));
    if (StartHostInfo)
        StartHostInfo(ComputerTree);
    QString error;
    if (!TreeFileName.isEmpty())
        WriteTreeFile(TreeFileName, ComputerTree, Charset, &error);
    return error;
}

} // namespace vesk
