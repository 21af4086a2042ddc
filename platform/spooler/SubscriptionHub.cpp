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
    if (!Hub->start(Error))
        return nullptr;
    Slot = Hub;
    return Hub;
}

SubscriptionHub::~SubscriptionHub()
{
    {
        std::lock_guard Lock(mutex_);
        stop_ = true;
    }
    cond_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (http_ != nullptr && subscription_ != 0) {
        ipp_t *Req = NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
        ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                      subscription_);
        Reply R;
        Send(http_, Req, R);
    }
    if (http_ != nullptr)
        httpClose(http_);
}

void SubscriptionHub::Add(const std::shared_ptr<Listener> &L)
{
    std::lock_guard Lock(mutex_);
    listeners_.push_back(L);
}

std::optional<std::string> SubscriptionHub::Watched(const std::string &Queue)
{
    std::lock_guard Lock(mutex_);
    for (const auto &L : listeners_)
        if (strcasecmp(L->Printer.c_str(), Queue.c_str()) == 0)
            return L->Printer;
    return std::nullopt;
}

void SubscriptionHub::Remove(const std::shared_ptr<Listener> &L)
{
    std::lock_guard Lock(mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), L), listeners_.end());
}

bool SubscriptionHub::start(int *Error)
{
    http_ = Connect(server_);
    int Status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    if (http_ != nullptr)
        cancelLeftBehind();
    if (http_ == nullptr || !subscribe(&Status)) {
        if (Error != nullptr)
            *Error = Status;
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

bool SubscriptionHub::subscribe(int *Status)
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
                  server_.Lease.Seconds);
    if (!server_.Lease.Owner.empty())
        ippAddOctetString(Req, IPP_TAG_SUBSCRIPTION, "notify-user-data", server_.Lease.Owner.data(),
                          static_cast<int>(std::min<size_t>(server_.Lease.Owner.size(), 63)));
    Reply R;
    Send(http_, Req, R);
    if (Status != nullptr)
        *Status = R.Status;
    if (R.Transport)
        reconnect();
    if (!R.Ok())
        return false;
    ipp_attribute_t *Id = ippFindAttribute(R.Response, "notify-subscription-id", IPP_TAG_INTEGER);
    if (Id == nullptr)
        return false;
    subscription_ = ippGetInteger(Id, 0);
    nextSequence_ = 1;
    renewAt_ = std::chrono::steady_clock::now() + server_.RenewAfter();
    return true;
}

void SubscriptionHub::cancelLeftBehind()
{
    const std::string &Owner = server_.Lease.Owner;
    if (Owner.empty())
        return;
    static const char *const Names[] = {"notify-subscription-id", "notify-user-data"};
    ipp_t *Req = NewRequest(IPP_OP_GET_SUBSCRIPTIONS, "printer-uri", "ipp://localhost/");
    ippAddBoolean(Req, IPP_TAG_OPERATION, "my-subscriptions", 0);
    RequestAttributes(Req, Names, 2);
    Reply R;
    Send(http_, Req, R);
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
        Send(http_, Cancel, C);
    }
}

void SubscriptionHub::reconnect()
{
    if (http_ != nullptr)
        httpClose(http_);
    http_ = nullptr;
}

void SubscriptionHub::renew()
{
    ipp_t *Req = NewRequest(IPP_OP_RENEW_SUBSCRIPTION, "printer-uri", "ipp://localhost/");
    ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", subscription_);
    ippAddInteger(Req, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  server_.Lease.Seconds);
    Reply R;
    Send(http_, Req, R);
    if (R.Ok())
        renewAt_ = std::chrono::steady_clock::now() + server_.RenewAfter();
    else if (R.Transport)
        lost(true);
    else
        lost(false);
}

void SubscriptionHub::lost(bool Connection)
{
    needDiscard_ = true;
    if (Connection)
        reconnect();
    else
        subscription_ = 0;
}

void SubscriptionHub::discardAll()
{
    for (auto &L : listeners_) {
        L->Discarded = true;
        L->Event->set();
    }
}

void SubscriptionHub::run()
{
    std::unique_lock Lock(mutex_);
    while (!stop_) {
        cond_.wait_for(Lock, server_.Lease.Poll, [this] { return stop_; });
        if (stop_)
            break;
        Lock.unlock();
        poll();
        Lock.lock();
    }
}

void SubscriptionHub::poll()
{
    if (http_ == nullptr && (http_ = Connect(server_)) == nullptr) {
        needDiscard_ = true;
        return;
    }
    if (subscription_ == 0) {
        int Status = 0;
        if (!subscribe(&Status)) {
            needDiscard_ = true;
            return;
        }
    }
    if (std::chrono::steady_clock::now() >= renewAt_) {
        renew();
        if (subscription_ == 0 || http_ == nullptr)
            return;
    }
    ipp_t *Req = NewRequest(IPP_OP_GET_NOTIFICATIONS, "printer-uri", "ipp://localhost/");
    ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                  subscription_);
    ippAddInteger(Req, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                  nextSequence_);
    ippAddBoolean(Req, IPP_TAG_OPERATION, "notify-wait", 0);
    Reply R;
    Send(http_, Req, R);
    if (R.Transport) {
        lost(true);
        return;
    }
    if (!R.Ok()) {
        // client-error-not-found: the lease ran out or the scheduler forgot us.
        lost(false);
        return;
    }
    std::lock_guard Lock(mutex_);
    if (needDiscard_) {
        needDiscard_ = false;
        discardAll();
    }
    dispatch(R.Response);
}

void SubscriptionHub::dispatch(ipp_t *Response)
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
        if (Sequence < nextSequence_)
            continue; // already seen
        if (Sequence > nextSequence_)
            discardAll(); // events fell out of the scheduler's buffer
        nextSequence_ = Sequence + 1;
        if (Event == "server-started" || Event == "server-restarted") {
            discardAll();
            continue;
        }
        const bool Left = Event == "job-completed" || JobState >= IPP_JSTATE_CANCELED;
        for (auto &L : listeners_) {
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
