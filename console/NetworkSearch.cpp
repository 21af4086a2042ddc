// TNetworkSearch: thread counting, the tree's steps and the end of a search.
#include "NetworkSearch.h"

#include "ThreadCheck.h"
#include "TreeFile.h"
#include "WindowMessages.h"
#include "domainSearch.h"

#include <QCoreApplication>
#include <QRunnable>

namespace vesk {

TNetworkSearch::TNetworkSearch(NetworkEnum &network, LangLookup lang, QObject *parent)
    : QObject(parent), network_(network), lang_(std::move(lang))
{
    pool_.setMaxThreadCount(MaxSearchThreads);
    pool_.setExpiryTimeout(1000);
}

TNetworkSearch::~TNetworkSearch()
{
    stopping_ = true;
    // A thread may be waiting in a synchronised send to this thread: keep serving it.
    while (!pool_.waitForDone(20))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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

void TNetworkSearch::StartThread(QRunnable *thread)
{
    thread->setAutoDelete(true);
    INCThread();
    HandOffRelease(thread); // the pool's queue hands it to one of its threads
    pool_.start(thread);
}

void TSearchThread::run()
{
    HandOffAcquire(this);
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
