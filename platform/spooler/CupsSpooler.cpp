// CupsSpooler: printers over IPP, and the server-wide subscription that wakes their monitors.
#include "CupsSpooler.h"

#include "CupsAttributes.h"
#include "NotifyEntries.h"
#include "WaitEvent.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <strings.h>
#include <thread>

namespace vesk::spooler {

namespace {

struct Server
{
    std::string Host;
    int Port = 631;
    SubscriptionLease Lease;
    std::string Key() const
    {
        return Host + ":" + std::to_string(Port) + "/" + std::to_string(Lease.Seconds) + "/" +
               std::to_string(Lease.RenewMargin.count()) + "/" +
               std::to_string(Lease.Poll.count()) + "/" + Lease.Owner;
    }
    // From a subscription or renewal to the next one; a margin of a whole lease renews every poll.
    std::chrono::milliseconds RenewAfter() const
    {
        return std::max(std::chrono::milliseconds(std::chrono::seconds(Lease.Seconds)) -
                            Lease.RenewMargin,
                        std::chrono::milliseconds(0));
    }
};

http_t *Connect(const Server &S)
{
    const int Family = (!S.Host.empty() && S.Host[0] == '/') ? AF_LOCAL : AF_UNSPEC;
    return httpConnect2(S.Host.c_str(), S.Port, nullptr, Family, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                        5000, nullptr);
}

std::string PrinterUri(const std::string &Name)
{
    char Uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, Uri, sizeof(Uri), "ipp", nullptr, "localhost", 0,
                     "/printers/%s", Name.c_str());
    return Uri;
}

ipp_t *NewRequest(ipp_op_t Op, const char *UriName, const std::string &Uri)
{
    ipp_t *R = ippNewRequest(Op);
    ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_URI, UriName, nullptr, Uri.c_str());
    ippAddString(R, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return R;
}

void RequestAttributes(ipp_t *R, const char *const *Names, int Count)
{
    ippAddStrings(R, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", Count, nullptr,
                  Names);
}

// Result of one request: the response (owned) or the reason there is none.
struct Reply
{
    ipp_t *Response = nullptr;
    int Status = 0;         // ipp_status_t
    bool Transport = false; // no answer at all: the connection is gone
    ~Reply() { ippDelete(Response); }
    bool Ok() const { return Response != nullptr && Status < IPP_STATUS_REDIRECTION_OTHER_SITE; }
};

void Send(http_t *H, ipp_t *Request, Reply &Out)
{
    Out.Response = cupsDoRequest(H, Request, "/");
    if (Out.Response == nullptr) {
        Out.Status = cupsLastError();
        Out.Transport = true;
    } else {
        Out.Status = ippGetStatusCode(Out.Response);
    }
}

// Connections of one printer, one per calling thread. Calls never overlap (the monitor and its
// sweep take turns), so the map needs no lock of its own beyond the one below for safety.
class Connections
{
public:
    explicit Connections(Server S) : FServer(std::move(S)) {}
    ~Connections()
    {
        for (auto &[Id, H] : FByThread)
            httpClose(H);
    }
    http_t *Get()
    {
        std::lock_guard Lock(FMutex);
        http_t *&H = FByThread[std::this_thread::get_id()];
        if (H == nullptr)
            H = Connect(FServer);
        return H;
    }
    // After a transport failure: the next call connects afresh.
    void Drop()
    {
        std::lock_guard Lock(FMutex);
        auto It = FByThread.find(std::this_thread::get_id());
        if (It != FByThread.end()) {
            httpClose(It->second);
            FByThread.erase(It);
        }
    }
    const Server &Where() const { return FServer; }

private:
    Server FServer;
    std::mutex FMutex;
    std::map<std::thread::id, http_t *> FByThread;
};

// What the printer handle and its change notification share.
class PrinterCore
{
public:
    PrinterCore(Server S, std::string Name)
        : FConn(std::move(S)), FName(std::move(Name)), FUri(PrinterUri(FName))
    {}
    const std::string &Name() const { return FName; }
    const Server &Where() const { return FConn.Where(); }

    bool Do(ipp_t *Request, Reply &Out)
    {
        http_t *H = FConn.Get();
        if (H == nullptr) {
            ippDelete(Request);
            Out.Status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
            Out.Transport = true;
            FLastError = Out.Status;
            FConn.Drop();
            return false;
        }
        Send(H, Request, Out);
        if (Out.Transport)
            FConn.Drop();
        if (!Out.Ok())
            FLastError = Out.Status;
        return Out.Ok();
    }

    bool ReadPrinter(IppPrinter &P, Reply *Raw = nullptr)
    {
        Reply Local;
        Reply &R = Raw != nullptr ? *Raw : Local;
        ipp_t *Req = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", FUri);
        RequestAttributes(Req, PrinterAttributeNames, PrinterAttributeCount);
        if (!Do(Req, R))
            return false;
        const std::string Host = Where().Host.empty() || Where().Host[0] == '/'
                                     ? std::string("localhost")
                                     : Where().Host;
        P = PrinterFromResponse(R.Response, "\\\\" + Host);
        if (P.MediaDefault)
            FDefaults.Media = P.MediaDefault;
        if (P.Defaults.Color != DevColor::Unknown)
            FDefaults.Color = P.Defaults.Color;
        if (P.Defaults.Duplex != DevDuplex::Unknown)
            FDefaults.Duplex = P.Defaults.Duplex;
        return true;
    }

    bool ListJobs(std::vector<IppJob> &Jobs)
    {
        if (!GetJobs("not-completed", 0, JobAttributeNames, JobAttributeCount, Jobs))
            return false;
        FillMedia(Jobs);
        return true;
    }

    // Every job of the printer above After, queued or finished, in one answer: the scheduler
    // answers a request as a whole, so no job up to the highest one listed can slip between two
    // listings. In id order.
    bool ListAbove(uint32_t After, std::vector<IppJob> &Jobs)
    {
        std::vector<IppJob> All;
        if (!GetJobs("all", After + 1, JobAttributeNames, JobAttributeCount, All))
            return false;
        Jobs.clear();
        for (auto &J : All)
            if (J.Entry.JobId > After)
                Jobs.push_back(std::move(J));
        std::sort(Jobs.begin(), Jobs.end(),
                  [](const IppJob &A, const IppJob &B) { return A.Entry.JobId < B.Entry.JobId; });
        FillMedia(Jobs);
        return true;
    }

    // The highest id of any job the printer has or remembers (0 = none).
    bool HighestJobId(uint32_t &Id)
    {
        static const char *const Names[] = {"job-id"};
        std::vector<IppJob> All;
        if (!GetJobs("all", 0, Names, 1, All))
            return false;
        Id = 0;
        for (const auto &J : All)
            Id = std::max(Id, J.Entry.JobId);
        return true;
    }

    // Every job the whole server has or remembers: id, state and whether it is this printer's.
    struct ServerJob
    {
        uint32_t Id = 0;
        int State = 0;
        bool Mine = false;
    };
    bool ServerJobs(std::vector<ServerJob> &Jobs)
    {
        static const char *const Names[] = {"job-id", "job-state", "job-printer-uri"};
        ipp_t *Req = NewRequest(IPP_OP_GET_JOBS, "printer-uri", "ipp://localhost/");
        ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
        RequestAttributes(Req, Names, 3);
        Reply R;
        if (!Do(Req, R))
            return false;
        Jobs.clear();
        const std::string Suffix = "/printers/" + FName;
        bool NewGroup = true;
        for (ipp_attribute_t *A = ippFirstAttribute(R.Response); A != nullptr;
             A = ippNextAttribute(R.Response)) {
            const char *Name = ippGetName(A);
            if (Name == nullptr || ippGetGroupTag(A) != IPP_TAG_JOB) {
                NewGroup = true;
                continue;
            }
            if (NewGroup)
                Jobs.emplace_back();
            NewGroup = false;
            const std::string N(Name);
            if (N == "job-id") {
                Jobs.back().Id = static_cast<uint32_t>(std::max(ippGetInteger(A, 0), 0));
            } else if (N == "job-state") {
                Jobs.back().State = ippGetInteger(A, 0);
            } else if (N == "job-printer-uri") {
                const char *Uri = ippGetString(A, 0, nullptr);
                char Resource[HTTP_MAX_URI] = "", Scheme[32], User[64], Host[HTTP_MAX_HOST];
                int Port = 0;
                if (Uri != nullptr &&
                    httpSeparateURI(HTTP_URI_CODING_ALL, Uri, Scheme, sizeof(Scheme), User,
                                    sizeof(User), Host, sizeof(Host), &Port, Resource,
                                    sizeof(Resource)) >= HTTP_URI_STATUS_OK)
                    Jobs.back().Mine =
                        strcasecmp(Resource, Suffix.c_str()) == 0; // as CUPS finds it
            }
        }
        std::erase_if(Jobs, [](const ServerJob &J) { return J.Id == 0; });
        return true;
    }

    // Final values of one job, also after it has completed. NotFound: the job is gone for good.
    bool ReadJob(uint32_t JobId, std::vector<IppJob> &Out, bool *NotFound)
    {
        char Uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, Uri, sizeof(Uri), "ipp", nullptr, "localhost", 0,
                         "/jobs/%u", JobId);
        ipp_t *Req = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri", Uri);
        RequestAttributes(Req, JobAttributeNames, JobAttributeCount);
        Reply R;
        *NotFound = false;
        if (!Do(Req, R)) {
            *NotFound = !R.Transport && R.Status == IPP_STATUS_ERROR_NOT_FOUND;
            return false;
        }
        auto Jobs = JobsFromResponse(R.Response);
        FillMedia(Jobs);
        Out.insert(Out.end(), Jobs.begin(), Jobs.end());
        return true;
    }

    int LastError() const { return FLastError; }

private:
    bool GetJobs(const char *Which, uint32_t FirstId, const char *const *Names, int Count,
                 std::vector<IppJob> &Jobs)
    {
        ipp_t *Req = NewRequest(IPP_OP_GET_JOBS, "printer-uri", FUri);
        ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, Which);
        if (FirstId > 0)
            ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id",
                          static_cast<int>(std::min<uint32_t>(FirstId, INT32_MAX)));
        RequestAttributes(Req, Names, Count);
        Reply R;
        if (!Do(Req, R))
            return false;
        Jobs = JobsFromResponse(R.Response);
        return true;
    }

    // A job that names no media, colour mode or sides prints with the printer's defaults.
    void FillMedia(std::vector<IppJob> &Jobs) const
    {
        for (auto &J : Jobs)
            ApplyJobDefaults(J.Entry, FDefaults);
    }

    Connections FConn;
    std::string FName;
    std::string FUri;
    JobDefaults FDefaults;
    int FLastError = 0;
};

// What the subscription poller keeps for one open change notification.
struct Listener
{
    std::string Printer;
    std::shared_ptr<WaitEvent> Event = std::make_shared<WaitEvent>(true);
    bool Discarded = false;
    std::set<uint32_t> Finished; // jobs that left the queue since the last read
};

// One server-wide ippget subscription per CUPS server, shared by every listener of the process.
// Its poller thread owns the connection; listeners are touched under FMutex only.
class SubscriptionHub
{
public:
    static std::shared_ptr<SubscriptionHub> ForServer(const Server &S, int *Error)
    {
        static std::mutex RegistryMutex;
        static std::map<std::string, std::weak_ptr<SubscriptionHub>> Registry;
        std::lock_guard Lock(RegistryMutex);
        auto &Slot = Registry[S.Key()];
        if (auto Hub = Slot.lock())
            return Hub;
        auto Hub = std::shared_ptr<SubscriptionHub>(new SubscriptionHub(S));
        if (!Hub->Start(Error))
            return nullptr;
        Slot = Hub;
        return Hub;
    }

    ~SubscriptionHub()
    {
        {
            std::lock_guard Lock(FMutex);
            FStop = true;
        }
        FCond.notify_all();
        if (FThread.joinable())
            FThread.join();
        if (FHttp != nullptr && FSubscription != 0) {
            ipp_t *Req = NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
            ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                          FSubscription);
            Reply R;
            Send(FHttp, Req, R);
        }
        if (FHttp != nullptr)
            httpClose(FHttp);
    }

    void Add(const std::shared_ptr<Listener> &L)
    {
        std::lock_guard Lock(FMutex);
        FListeners.push_back(L);
    }
    void Remove(const std::shared_ptr<Listener> &L)
    {
        std::lock_guard Lock(FMutex);
        FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), L), FListeners.end());
    }
    std::mutex &Mutex() { return FMutex; }

private:
    explicit SubscriptionHub(Server S) : FServer(std::move(S)) {}

    bool Start(int *Error)
    {
        FHttp = Connect(FServer);
        int Status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        if (FHttp != nullptr)
            CancelLeftBehind();
        if (FHttp == nullptr || !Subscribe(&Status)) {
            if (Error != nullptr)
                *Error = Status;
            return false;
        }
        FThread = std::thread([this] { Run(); });
        return true;
    }

    bool Subscribe(int *Status)
    {
        static const char *const Events[] = {
            "job-created",           "job-completed",  "job-state-changed", "job-progress",
            "printer-state-changed", "server-started", "server-restarted",
        };
        ipp_t *Req =
            NewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, "printer-uri", "ipp://localhost/");
        ippAddString(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                     "ippget");
        ippAddStrings(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                      sizeof(Events) / sizeof(Events[0]), nullptr, Events);
        ippAddInteger(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                      FServer.Lease.Seconds);
        if (!FServer.Lease.Owner.empty())
            ippAddOctetString(Req, IPP_TAG_SUBSCRIPTION, "notify-user-data",
                              FServer.Lease.Owner.data(),
                              static_cast<int>(std::min<size_t>(FServer.Lease.Owner.size(), 63)));
        Reply R;
        Send(FHttp, Req, R);
        if (Status != nullptr)
            *Status = R.Status;
        if (R.Transport)
            Reconnect();
        if (!R.Ok())
            return false;
        ipp_attribute_t *Id =
            ippFindAttribute(R.Response, "notify-subscription-id", IPP_TAG_INTEGER);
        if (Id == nullptr)
            return false;
        FSubscription = ippGetInteger(Id, 0);
        FNextSequence = 1;
        FRenewAt = std::chrono::steady_clock::now() + FServer.RenewAfter();
        return true;
    }

    // Subscriptions with our owner's mark that an earlier process of the same owner left.
    void CancelLeftBehind()
    {
        const std::string &Owner = FServer.Lease.Owner;
        if (Owner.empty())
            return;
        static const char *const Names[] = {"notify-subscription-id", "notify-user-data"};
        ipp_t *Req = NewRequest(IPP_OP_GET_SUBSCRIPTIONS, "printer-uri", "ipp://localhost/");
        ippAddBoolean(Req, IPP_TAG_OPERATION, "my-subscriptions", 0);
        RequestAttributes(Req, Names, 2);
        Reply R;
        Send(FHttp, Req, R);
        if (!R.Ok())
            return; // none at all answers not-found
        const std::string Mark = Owner.substr(0, 63);
        std::vector<int> Ours;
        int Id = 0;
        std::string Data;
        const auto EndGroup = [&] {
            if (Id != 0 && Data == Mark)
                Ours.push_back(Id);
            Id = 0;
            Data.clear();
        };
        for (ipp_attribute_t *A = ippFirstAttribute(R.Response); A != nullptr;
             A = ippNextAttribute(R.Response)) {
            const char *Name = ippGetName(A);
            if (Name == nullptr || ippGetGroupTag(A) != IPP_TAG_SUBSCRIPTION) {
                EndGroup();
                continue;
            }
            if (std::string(Name) == "notify-subscription-id") {
                Id = ippGetInteger(A, 0);
            } else if (std::string(Name) == "notify-user-data") {
                int Length = 0;
                const void *Bytes = ippGetOctetString(A, 0, &Length);
                if (Bytes != nullptr && Length > 0)
                    Data.assign(static_cast<const char *>(Bytes), static_cast<size_t>(Length));
            }
        }
        EndGroup();
        for (int Stale : Ours) {
            ipp_t *Cancel =
                NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
            ippAddInteger(Cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                          Stale);
            Reply C;
            Send(FHttp, Cancel, C);
        }
    }

    void Reconnect()
    {
        if (FHttp != nullptr)
            httpClose(FHttp);
        FHttp = nullptr;
    }

    void Renew()
    {
        ipp_t *Req = NewRequest(IPP_OP_RENEW_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
        ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                      FSubscription);
        ippAddInteger(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                      FServer.Lease.Seconds);
        Reply R;
        Send(FHttp, Req, R);
        if (R.Ok())
            FRenewAt = std::chrono::steady_clock::now() + FServer.RenewAfter();
        else if (R.Transport)
            Lost(true);
        else
            Lost(false);
    }

    // Contact or subscription lost: whatever happens until it is back is unknown.
    void Lost(bool Connection)
    {
        FNeedDiscard = true;
        if (Connection)
            Reconnect();
        else
            FSubscription = 0;
    }

    void DiscardAll()
    {
        for (auto &L : FListeners) {
            L->Discarded = true;
            L->Event->set();
        }
    }

    void Run()
    {
        std::unique_lock Lock(FMutex);
        while (!FStop) {
            FCond.wait_for(Lock, FServer.Lease.Poll, [this] { return FStop; });
            if (FStop)
                break;
            Lock.unlock();
            Poll();
            Lock.lock();
        }
    }

    void Poll()
    {
        if (FHttp == nullptr && (FHttp = Connect(FServer)) == nullptr) {
            FNeedDiscard = true;
            return;
        }
        if (FSubscription == 0) {
            int Status = 0;
            if (!Subscribe(&Status)) {
                FNeedDiscard = true;
                return;
            }
        }
        if (std::chrono::steady_clock::now() >= FRenewAt) {
            Renew();
            if (FSubscription == 0 || FHttp == nullptr)
                return;
        }
        ipp_t *Req = NewRequest(IPP_OP_GET_NOTIFICATIONS, "printer-uri", "ipp://localhost/");
        ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                      FSubscription);
        ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                      FNextSequence);
        ippAddBoolean(Req, IPP_TAG_OPERATION, "notify-wait", 0);
        Reply R;
        Send(FHttp, Req, R);
        if (R.Transport) {
            Lost(true);
            return;
        }
        if (!R.Ok()) {
            // client-error-not-found: the lease ran out or the scheduler forgot us.
            Lost(false);
            return;
        }
        std::lock_guard Lock(FMutex);
        if (FNeedDiscard) {
            FNeedDiscard = false;
            DiscardAll();
        }
        Dispatch(R.Response);
    }

    // Events of one Get-Notifications answer, in sequence order.
    void Dispatch(ipp_t *Response)
    {
        ipp_attribute_t *A = ippFirstAttribute(Response);
        while (A != nullptr) {
            while (A != nullptr && ippGetGroupTag(A) != IPP_TAG_EVENT_NOTIFICATION)
                A = ippNextAttribute(Response);
            if (A == nullptr)
                break;
            int Sequence = 0, JobId = 0, JobState = 0;
            std::string Event, Printer;
            for (; A != nullptr && ippGetGroupTag(A) == IPP_TAG_EVENT_NOTIFICATION &&
                   ippGetName(A) != nullptr;
                 A = ippNextAttribute(Response)) {
                const std::string Name(ippGetName(A));
                const char *S = ippGetString(A, 0, nullptr);
                if (Name == "notify-sequence-number")
                    Sequence = ippGetInteger(A, 0);
                else if (Name == "notify-subscribed-event" && S != nullptr)
                    Event = S;
                else if (Name == "printer-name" && S != nullptr)
                    Printer = S;
                else if (Name == "notify-job-id")
                    JobId = ippGetInteger(A, 0);
                else if (Name == "job-state")
                    JobState = ippGetInteger(A, 0);
            }
            if (A != nullptr && ippGetName(A) == nullptr)
                A = ippNextAttribute(Response);
            if (Sequence < FNextSequence)
                continue; // already seen
            if (Sequence > FNextSequence)
                DiscardAll(); // events fell out of the scheduler's buffer
            FNextSequence = Sequence + 1;
            if (Event == "server-started" || Event == "server-restarted") {
                DiscardAll();
                continue;
            }
            const bool Left = Event == "job-completed" || JobState >= IPP_JSTATE_CANCELED;
            for (auto &L : FListeners) {
                // CUPS finds queues without regard to letter case, so a printer opened as
                // "office" is the queue "Office" whose events name it so.
                if (strcasecmp(L->Printer.c_str(), Printer.c_str()) != 0)
                    continue;
                if (Left && JobId > 0)
                    L->Finished.insert(static_cast<uint32_t>(JobId));
                L->Event->set();
            }
        }
    }

    Server FServer;
    http_t *FHttp = nullptr; // the poller's own connection
    int FSubscription = 0;
    int FNextSequence = 1;
    bool FNeedDiscard = false;
    std::chrono::steady_clock::time_point FRenewAt;

    std::mutex FMutex;
    std::condition_variable FCond;
    bool FStop = false;
    std::vector<std::shared_ptr<Listener>> FListeners;
    std::thread FThread;
};

class CupsNotification : public ChangeNotification
{
public:
    CupsNotification(std::shared_ptr<PrinterCore> Core, std::shared_ptr<SubscriptionHub> Hub)
        : FCore(std::move(Core)), FHub(std::move(Hub)), FListener(std::make_shared<Listener>())
    {
        FListener->Printer = FCore->Name();
        FHub->Add(FListener);
    }
    ~CupsNotification() override { FHub->Remove(FListener); }

    std::shared_ptr<WaitEvent> Event() const override { return FListener->Event; }

    // Without From, jobs the printer already had are not this listener's to report. With it, the
    // first read catches up with what finished since From.
    bool Start(const std::optional<ResumePoint> &From)
    {
        if (From) {
            FSeenUpTo = From->UpTo;
            FResume = From;
            FListener->Event->set();
            return true;
        }
        if (FCore->HighestJobId(FSeenUpTo))
            return true;
        FLastError = FCore->LastError();
        return false;
    }

    bool FindNext(NotifyInfo &Info) override
    {
        Info = NotifyInfo{};
        bool Discarded = false;
        std::set<uint32_t> Finished;
        {
            std::lock_guard Lock(FHub->Mutex());
            FListener->Event->reset();
            Discarded = FListener->Discarded;
            FListener->Discarded = false;
            Finished.swap(FListener->Finished);
        }
        if (Discarded) {
            Keep(Finished);
            Info.Flags = Notify::InfoDiscarded;
            return true;
        }
        const auto Fail = [&] {
            Keep(Finished);
            FLastError = FCore->LastError();
            return false;
        };
        IppPrinter Printer;
        std::vector<IppJob> Jobs, Above;
        if (!FCore->ReadPrinter(Printer) || !FCore->ListJobs(Jobs))
            return Fail();
        // Everything above the highest id reported so far, queued or already finished: jobs that
        // were created and finished between two reads (or while notifications were lost, or
        // before this process ran) show in no queue listing. The later answer wins for a job
        // both listings hold.
        if (!FCore->ListAbove(FSeenUpTo, Above))
            return Fail();
        uint32_t SeenUpTo = FSeenUpTo;
        for (auto &J : Above) {
            SeenUpTo = std::max(SeenUpTo, J.Entry.JobId);
            auto It = std::find_if(Jobs.begin(), Jobs.end(),
                                   [&](const IppJob &Q) { return Q.Entry.JobId == J.Entry.JobId; });
            if (It != Jobs.end())
                *It = std::move(J);
            else if (FDelivered.count(J.Entry.JobId) == 0)
                Jobs.push_back(std::move(J));
        }
        // Final values of the jobs that left the queue; a job still queued needs no second read,
        // and one whose final values went out already must not go out again. After resuming,
        // the jobs left open then are read the same way.
        uint32_t Missing = 0;
        std::set<uint32_t> ToRead = Finished;
        if (FResume)
            ToRead.insert(FResume->Open.begin(), FResume->Open.end());
        for (uint32_t Id : ToRead) {
            if (Listed(Jobs, Id) || FDelivered.count(Id) != 0)
                continue;
            bool NotFound = false;
            if (!FCore->ReadJob(Id, Jobs, &NotFound) && !NotFound)
                return Fail();
            if (NotFound && FResume && Finished.count(Id) == 0)
                ++Missing;
        }
        if (FResume) {
            uint32_t Purged = 0;
            if (!CountPurged(FResume->UpTo, Purged))
                return Fail();
            Info.MissingJobs = Missing + Purged;
            FResume.reset();
        }
        FSeenUpTo = SeenUpTo;
        Info.SeenUpTo = FSeenUpTo;
        AppendPrinterNotifyEntries(Info.Entries, Printer.State);
        for (const auto &J : Jobs) {
            AppendJobNotifyEntries(Info.Entries, J.Entry, J.StatusText, J.BytesPrinted);
            if (J.State >= IPP_JSTATE_CANCELED)
                Delivered(J.Entry.JobId);
        }
        return true;
    }

    int LastError() const override { return FLastError; }

private:
    // Enough to cover the notifications that arrive late for jobs already reported finished.
    static constexpr size_t DeliveredKept = 1024;

    static bool Listed(const std::vector<IppJob> &Jobs, uint32_t Id)
    {
        return std::any_of(Jobs.begin(), Jobs.end(),
                           [Id](const IppJob &J) { return J.Entry.JobId == Id; });
    }

    // Ids above UpTo that the server has handed out but no longer remembers. The server numbers
    // its jobs one after another, so every id up to its highest was a job once; which printer a
    // purged one belonged to nobody can tell any more.
    bool CountPurged(uint32_t UpTo, uint32_t &Purged)
    {
        std::vector<PrinterCore::ServerJob> All;
        if (!FCore->ServerJobs(All))
            return false;
        uint32_t Highest = 0, Kept = 0;
        for (const auto &J : All) {
            Highest = std::max(Highest, J.Id);
            if (J.Id > UpTo)
                ++Kept;
        }
        Purged = Highest > UpTo ? Highest - UpTo - Kept : 0;
        return true;
    }

    void Delivered(uint32_t Id)
    {
        FDelivered.insert(Id);
        if (FDelivered.size() > DeliveredKept)
            FDelivered.erase(FDelivered.begin());
    }

    // Puts back what this read could not deliver.
    void Keep(const std::set<uint32_t> &Finished)
    {
        std::lock_guard Lock(FHub->Mutex());
        FListener->Finished.insert(Finished.begin(), Finished.end());
    }

    std::shared_ptr<PrinterCore> FCore;
    std::shared_ptr<SubscriptionHub> FHub;
    std::shared_ptr<Listener> FListener;
    int FLastError = 0;
    uint32_t FSeenUpTo = 0;             // every job up to this id has been reported
    std::optional<ResumePoint> FResume; // until the first read has caught up with it
    std::set<uint32_t> FDelivered;      // ids whose final values went out (the newest ones)
};

class CupsPrinter : public PrinterHandle
{
public:
    explicit CupsPrinter(std::shared_ptr<PrinterCore> Core) : FCore(std::move(Core)) {}

    bool GetPrinter(PrinterState &State) override
    {
        IppPrinter P;
        if (!FCore->ReadPrinter(P))
            return false;
        State = P.State;
        return true;
    }

    bool EnumJobs(std::vector<JobEntry> &Jobs) override
    {
        std::vector<IppJob> Ipp;
        if (!FCore->ListJobs(Ipp))
            return false;
        Jobs.clear();
        for (auto &J : Ipp)
            Jobs.push_back(std::move(J.Entry));
        return true;
    }

    bool CurrentPoint(ResumePoint &Point) override
    {
        std::vector<PrinterCore::ServerJob> All;
        if (!FCore->ServerJobs(All))
            return false;
        Point = ResumePoint{};
        for (const auto &J : All) {
            Point.UpTo = std::max(Point.UpTo, J.Id);
            if (J.Mine && J.State < IPP_JSTATE_CANCELED)
                Point.Open.push_back(J.Id);
        }
        std::sort(Point.Open.begin(), Point.Open.end());
        return true;
    }

    std::unique_ptr<ChangeNotification>
    FindFirstChangeNotification(const std::optional<ResumePoint> &From) override
    {
        int Error = 0;
        auto Hub = SubscriptionHub::ForServer(FCore->Where(), &Error);
        if (!Hub) {
            FLastError = Error;
            return nullptr;
        }
        auto Change = std::make_unique<CupsNotification>(FCore, std::move(Hub));
        if (!Change->Start(From)) {
            FLastError = Change->LastError();
            return nullptr;
        }
        return Change;
    }

    int LastError() const override { return FLastError != 0 ? FLastError : FCore->LastError(); }

private:
    std::shared_ptr<PrinterCore> FCore;
    int FLastError = 0;
};

} // namespace

CupsSpooler::CupsSpooler(const std::string &ServerName, SubscriptionLease Lease) : FLease(Lease)
{
    std::string S = ServerName.empty() ? std::string(cupsServer()) : ServerName;
    FPort = ippPort();
    // "host:port" (libcups may hand the port back still attached); a socket path has no port.
    if (!S.empty() && S[0] != '/') {
        const auto Colon = S.rfind(':');
        if (Colon != std::string::npos && S.find(':') == Colon && Colon + 1 < S.size()) {
            FPort = std::atoi(S.c_str() + Colon + 1);
            S.resize(Colon);
        }
    }
    FHost = S;
}

std::unique_ptr<PrinterHandle> CupsSpooler::OpenPrinter(const std::string &Name, OpenError *Error)
{
    auto Result = [&](OpenError E) {
        if (Error != nullptr)
            *Error = E;
    };
    if (Name.empty())
        return Result(OpenError::EmptyName), nullptr;
    auto Core = std::make_shared<PrinterCore>(Server{FHost, FPort, FLease}, Name);
    IppPrinter P;
    Reply R;
    if (!Core->ReadPrinter(P, &R)) {
        if (R.Transport)
            Result(OpenError::ServerUnreachable);
        else if (R.Status == IPP_STATUS_ERROR_NOT_FOUND)
            Result(OpenError::UnknownPrinter);
        else
            Result(OpenError::Other);
        return nullptr;
    }
    Result(OpenError::None);
    return std::make_unique<CupsPrinter>(std::move(Core));
}

} // namespace vesk::spooler
