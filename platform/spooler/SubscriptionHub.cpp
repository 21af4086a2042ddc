// The subscription hub's poller: subscribe, renew, read notifications, wake listeners.
#include "SubscriptionHub.h"

#include <algorithm>
#include <map>
#include <strings.h>

namespace vesk::spooler::cups {

std::shared_ptr<SubscriptionHub> SubscriptionHub::ForServer(const Server &S, int *Error)
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

SubscriptionHub::~SubscriptionHub()
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

void SubscriptionHub::Add(const std::shared_ptr<Listener> &L)
{
    std::lock_guard Lock(FMutex);
    FListeners.push_back(L);
}

void SubscriptionHub::Remove(const std::shared_ptr<Listener> &L)
{
    std::lock_guard Lock(FMutex);
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), L), FListeners.end());
}

bool SubscriptionHub::Start(int *Error)
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

bool SubscriptionHub::Subscribe(int *Status)
{
    static const char *const Events[] = {
        "job-created",           "job-completed",  "job-state-changed", "job-progress",
        "printer-state-changed", "server-started", "server-restarted",
    };
    ipp_t *Req = NewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, "printer-uri", "ipp://localhost/");
    ippAddString(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                 "ippget");
    ippAddStrings(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                  sizeof(Events) / sizeof(Events[0]), nullptr, Events);
    ippAddInteger(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  FServer.Lease.Seconds);
    if (!FServer.Lease.Owner.empty())
        ippAddOctetString(Req, IPP_TAG_SUBSCRIPTION, "notify-user-data", FServer.Lease.Owner.data(),
                          static_cast<int>(std::min<size_t>(FServer.Lease.Owner.size(), 63)));
    Reply R;
    Send(FHttp, Req, R);
    if (Status != nullptr)
        *Status = R.Status;
    if (R.Transport)
        Reconnect();
    if (!R.Ok())
        return false;
    ipp_attribute_t *Id = ippFindAttribute(R.Response, "notify-subscription-id", IPP_TAG_INTEGER);
    if (Id == nullptr)
        return false;
    FSubscription = ippGetInteger(Id, 0);
    FNextSequence = 1;
    FRenewAt = std::chrono::steady_clock::now() + FServer.RenewAfter();
    return true;
}

void SubscriptionHub::CancelLeftBehind()
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
        ipp_t *Cancel = NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
        ippAddInteger(Cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", Stale);
        Reply C;
        Send(FHttp, Cancel, C);
    }
}

void SubscriptionHub::Reconnect()
{
    if (FHttp != nullptr)
        httpClose(FHttp);
    FHttp = nullptr;
}

void SubscriptionHub::Renew()
{
    ipp_t *Req = NewRequest(IPP_OP_RENEW_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
    ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", FSubscription);
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

void SubscriptionHub::Lost(bool Connection)
{
    FNeedDiscard = true;
    if (Connection)
        Reconnect();
    else
        FSubscription = 0;
}

void SubscriptionHub::DiscardAll()
{
    for (auto &L : FListeners) {
        L->Discarded = true;
        L->Event->set();
    }
}

void SubscriptionHub::Run()
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

void SubscriptionHub::Poll()
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

void SubscriptionHub::Dispatch(ipp_t *Response)
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

} // namespace vesk::spooler::cups
