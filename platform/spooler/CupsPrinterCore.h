// PrinterCore: the IPP reads of one printer (its attributes, its queue, its jobs above a point,
// the server's job ids), shared by the printer handle and its change notification. Internal to
// the CUPS spooler.
#pragma once

#include "CupsAttributes.h"
#include "CupsConnections.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk::spooler::cups {

// What the printer handle and its change notification share.
class PrinterCore
{
public:
    PrinterCore(Server S, std::string Name)
        : conn_(std::move(S)), name_(std::move(Name)), uri_(PrinterUri(name_))
    {}
    const std::string &Name() const { return name_; }
    const Server &Where() const { return conn_.Where(); }

    bool Do(ipp_t *Request, Reply &Out);
    bool ReadPrinter(IppPrinter &P, Reply *Raw = nullptr);
    bool ListJobs(std::vector<IppJob> &Jobs);

    // Every job of the printer above After, queued or finished, in one answer: the scheduler
    // answers a request as a whole, so no job up to the highest one listed can slip between two
    // listings. In id order.
    bool ListAbove(uint32_t After, std::vector<IppJob> &Jobs);

    // The highest id of any job the printer has or remembers (0 = none).
    bool HighestJobId(uint32_t &Id);

    // Every job the whole server has or remembers: id, state and whether it is this printer's.
    struct ServerJob
    {
        uint32_t Id = 0;
        int State = 0;
        bool Mine = false;
    };
    bool ServerJobs(std::vector<ServerJob> &Jobs);

    // Final values of one job, also after it has completed. NotFound: the job is gone for good.
    bool ReadJob(uint32_t JobId, std::vector<IppJob> &Out, bool *NotFound);

    int LastError() const { return lastError_; }

private:
    bool getJobs(const char *Which, uint32_t FirstId, const char *const *Names, int Count,
                 std::vector<IppJob> &Jobs);

    // A job that names no media, colour mode or sides prints with the printer's defaults.
    void fillMedia(std::vector<IppJob> &Jobs) const;

    Connections conn_;
    std::string name_;
    std::string uri_;
    JobDefaults defaults_; // the printer's media, colour mode and sides
    int lastError_ = 0;
};

} // namespace vesk::spooler::cups
