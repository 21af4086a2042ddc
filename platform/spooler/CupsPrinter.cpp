// An open printer over IPP; its change notification comes from the server's subscription hub.
#include "CupsPrinter.h"

#include "CupsNotification.h"
#include "SubscriptionHub.h"

#include <algorithm>

namespace vesk::spooler::cups {

bool CupsPrinter::GetPrinter(PrinterState &State)
{
    IppPrinter P;
    if (!core_->ReadPrinter(P))
        return false;
    State = P.State;
    return true;
}

bool CupsPrinter::EnumJobs(std::vector<JobEntry> &Jobs)
{
    std::vector<IppJob> Ipp;
    if (!core_->ListJobs(Ipp))
        return false;
    Jobs.clear();
    for (auto &J : Ipp)
        Jobs.push_back(std::move(J.Entry));
    return true;
}

bool CupsPrinter::CurrentPoint(ResumePoint &Point)
{
    std::vector<PrinterCore::ServerJob> All;
    if (!core_->ServerJobs(All))
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
CupsPrinter::FindFirstChangeNotification(const std::optional<ResumePoint> &From)
{
    int Error = 0;
    auto Hub = SubscriptionHub::ForServer(core_->Where(), &Error);
    if (!Hub) {
        lastError_ = Error;
        return nullptr;
    }
    auto Change = std::make_unique<CupsNotification>(core_, std::move(Hub));
    if (!Change->Start(From)) {
        lastError_ = Change->LastError();
        return nullptr;
    }
    return Change;
}

} // namespace vesk::spooler::cups
