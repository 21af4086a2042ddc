// CupsPrinter: the handle of one open printer over IPP. Internal to the CUPS spooler.
#pragma once

#include "CupsPrinterCore.h"

#include <memory>
#include <optional>
#include <vector>

namespace vesk::spooler::cups {

class CupsPrinter : public PrinterHandle
{
public:
    explicit CupsPrinter(std::shared_ptr<PrinterCore> Core) : core_(std::move(Core)) {}

    bool GetPrinter(PrinterState &State) override;
    bool EnumJobs(std::vector<JobEntry> &Jobs) override;
    bool CurrentPoint(ResumePoint &Point) override;
    std::unique_ptr<ChangeNotification>
    FindFirstChangeNotification(const std::optional<ResumePoint> &From) override;

    int LastError() const override { return lastError_ != 0 ? lastError_ : core_->LastError(); }

private:
    std::shared_ptr<PrinterCore> core_;
    int lastError_ = 0;
};

} // namespace vesk::spooler::cups
