// TNetworkSearch: one network search's window side: the computer tree, the thread count, the end.
#pragma once

#include "Catalogue.h"
#include "NetworkEnum.h"
#include "TreeNodes.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace vesk {

// Search threads share one pool; enumerations beyond it wait their turn, so a network of
// thousands of computers runs a bounded number of threads.
inline constexpr int MaxSearchThreads = 8;

class TSearchThread;

// The count window of the search threads and the owner of the computer tree. Lives on the window
// thread; the threads reach it only through synchronised steps (SendWindowMessage). Every
// thread is counted with INCThread by its starter before it starts and ends with exactly one
// DECThread, so the count reaches zero once, after the last enumeration.
class TNetworkSearch : public QObject
{
    Q_OBJECT

public:
    TNetworkSearch(NetworkEnum &network, LangLookup lang, QObject *parent = nullptr);
    // Stops the threads: no further tree changes; waits for them while serving their steps.
    ~TNetworkSearch() override;

    NetworkEnum &Network() const { return network_; }
    QString GetLangString(const QString &key) const { return lang_ ? lang_(key) : QString(); }

    // The window that receives the log lines (a ShowTipReceiver on this thread).
    QObject *LogWindow = nullptr;
    // The platform kind that picks the enumeration's path (GetPlatformKind).
    int PlatformKind = 0;
    // The computer tree file and its code page, written at the end of each search.
    QString TreeFileName;
    int Charset = 0;
    // Starts the host collection with a copy of the computer tree (the end of a search).
    std::function<void(const TreeNodes &)> StartHostInfo;

    TreeNodes ComputerTree;
    int SearchThreadCount = 0;
    // The most search threads that ran at the same time.
    int PeakThreadCount() const { return peakThreads_; }
    bool Searching() const { return SearchThreadCount > 0; }
    bool Stopping() const { return stopping_; }

    // The search-again command's thread start: clears the tree, counts and starts the
    // enumeration thread. Ignored while a search runs.
    void Start();

    // --- Window-thread steps of the threads.
    void ShowTip(const QString &line);
    void INCThread();
    void DECThread();
    // Counts `thread` and queues it on the pool (which owns and deletes it).
    void StartThread(TSearchThread *thread);
    void BeginUpdate();
    void EndUpdate();
    void ClearTree();
    TreeNode *AddNode(TreeNode *parent, const QString &text, int image);
    void Expand(TreeNode *node);
    void PlainMessage(const QString &text);

    // The end-of-search step: starts the host collection and writes the tree file. Returns
    // the error of the write, empty when it was written.
    QString SaveData();

    // Runs `step` on the window thread and returns when it has run (a thread's synchronise).
    template <class F> void Synchronize(F &&step)
    {
        if (!stopping_)
            SendSynchronized(std::function<void()>(std::forward<F>(step)));
    }

Q_SIGNALS:
    // The tree as it changes, for a view that mirrors it.
    void treeCleared();
    void nodeAdded(vesk::TreeNode *node);
    void nodeExpanded(vesk::TreeNode *node);
    void updatesSuspended(bool suspended);
    // A plain message box of the enumeration (text only, an OK button).
    void plainMessage(const QString &text);
    // A thread reported its end; `remaining` threads are still counted.
    void threadEnded(int remaining);
    // The count went from 1 to 0: the tree is saved (error: why the file was not written).
    void searchFinished(const QString &error);

private:
    void SendSynchronized(std::function<void()> step);

    // A pool thread: runs queued enumerations until none has come for a second (or the search
    // is being destroyed and the queue is empty).
    void Work(std::list<std::thread>::iterator self);

    NetworkEnum &network_;
    LangLookup lang_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> runningThreads_{0};
    std::atomic<int> peakThreads_{0};

    // The pool, on standard-library threads so that every hand-over is one ThreadSanitizer sees.
    std::mutex poolLock_;
    std::condition_variable poolChanged_;
    std::deque<std::unique_ptr<TSearchThread>> queue_;
    std::list<std::thread> workers_; // running
    std::list<std::thread> ended_;   // returned, to be joined
    int idleWorkers_ = 0;
    bool closing_ = false;

    friend class TSearchThread;
};

// A thread of the search: runs its body on the pool, then reports its end with DECThread.
class TSearchThread
{
public:
    explicit TSearchThread(TNetworkSearch &search) : Search(search) {}
    virtual ~TSearchThread() = default;
    TSearchThread(const TSearchThread &) = delete;
    TSearchThread &operator=(const TSearchThread &) = delete;
    void run();

protected:
    virtual void Execute() = 0;
    // How many records a level read may return at most.
    static constexpr std::size_t MaxRecords = 1024;

    TNetworkSearch &Search;
};

} // namespace vesk
