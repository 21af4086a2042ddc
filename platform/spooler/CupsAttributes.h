// Decoding of CUPS/IPP printer and job attributes into the spooler's entries.
#pragma once

#include "Spooler.h"

#include <cups/ipp.h>

#include <ctime>
#include <string>
#include <vector>

namespace vesk::spooler {

// The job attributes every listing and read asks for (never "all": completed jobs read back
// from disk would lack name, host, media and pages).
extern const char *const JobAttributeNames[];
extern const int JobAttributeCount;
extern const char *const PrinterAttributeNames[];
extern const int PrinterAttributeCount;

// A job as IPP reports it, with the two values a listing entry has no room for.
struct IppJob
{
    JobEntry Entry;
    uint32_t BytesPrinted = 0;
    std::optional<std::string> StatusText;
    int State = 0; // IPP job-state
    // The queue the job was sent to, and the printer that printed it (a class's member; absent
    // before it was printed). CUPS numbers a class's job once and reports it to the class and to
    // the member.
    std::optional<std::string> Queue;
    std::optional<std::string> PrintedOn;
};

// What a job prints with where it names nothing itself: the printer's defaults.
struct JobDefaults
{
    std::optional<std::string> Media;
    int16_t Color = DevColor::Unknown;
    int16_t Duplex = DevDuplex::Unknown;
};

struct IppPrinter
{
    PrinterState State;
    std::optional<std::string> MediaDefault;
    JobDefaults Defaults; // Media is MediaDefault
};

// print-color-mode and sides keywords to the device mode's values; Unknown for "auto" and
// anything else.
int16_t DevColorOf(const std::string &PrintColorMode);
int16_t DevDuplexOf(const std::string &Sides);

// Fills what the job's device mode leaves open from the defaults; a job gets a device mode only
// when a default has something to give.
void ApplyJobDefaults(JobEntry &Entry, const JobDefaults &Defaults);

// The document as the client named it: a job name without Samba's spooler prefix
// ("smbprn.00000001 report.pdf" is "report.pdf"); any other name as it is.
std::string DocumentName(const std::string &JobName);

uint32_t PrinterStatusBits(int IppState, const std::vector<std::string> &Reasons);
uint32_t JobStatusBits(int IppState);
SystemTime LocalSystemTime(std::time_t Time);

// Every job group of a response, in order.
std::vector<IppJob> JobsFromResponse(ipp_t *Response);
IppPrinter PrinterFromResponse(ipp_t *Response, const std::string &ServerName);

} // namespace vesk::spooler
