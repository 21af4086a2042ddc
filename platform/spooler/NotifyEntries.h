// Notification entries that carry a job's and a printer's fields to the monitor; both spoolers
// build them here, so the monitor sees the same fields in the same order from either.
#pragma once

#include "Spooler.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk::spooler {

// The eleven job fields of one job.
void AppendJobNotifyEntries(std::vector<NotifyEntry> &Out, const JobEntry &Job,
                            const std::optional<std::string> &StatusText = std::nullopt,
                            uint32_t BytesPrinted = 0);
// The five printer fields.
void AppendPrinterNotifyEntries(std::vector<NotifyEntry> &Out, const PrinterState &State);

} // namespace vesk::spooler
