// The IPP reads of one printer.
#include "CupsPrinterCore.h"

#include <algorithm>
#include <strings.h>

namespace vesk::spooler::cups {

bool PrinterCore::Do(ipp_t *Request, Reply &Out)
{
    http_t *H = conn_.Get();
    if (H == nullptr) {
        ippDelete(Request);
        Out.Status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
        Out.Transport = true;
        lastError_ = Out.Status;
        conn_.Drop();
        return false;
    }
    Send(H, Request, Out);
    if (Out.Transport)
        conn_.Drop();
    if (!Out.Ok())
        lastError_ = Out.Status;
    return Out.Ok();
}

bool PrinterCore::ReadPrinter(IppPrinter &P, Reply *Raw)
{
    Reply Local;
    Reply &R = Raw != nullptr ? *Raw : Local;
    ipp_t *Req = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", uri_);
    RequestAttributes(Req, PrinterAttributeNames, PrinterAttributeCount);
    if (!Do(Req, R))
        return false;
    const std::string Host =
        Where().Host.empty() || Where().Host[0] == '/' ? std::string("localhost") : Where().Host;
    P = PrinterFromResponse(R.Response, "\\\\" + Host);
    if (P.MediaDefault)
        defaults_.Media = P.MediaDefault;
    if (P.Defaults.Color != DevColor::Unknown)
        defaults_.Color = P.Defaults.Color;
    if (P.Defaults.Duplex != DevDuplex::Unknown)
        defaults_.Duplex = P.Defaults.Duplex;
    return true;
}

bool PrinterCore::ListJobs(std::vector<IppJob> &Jobs)
{
    if (!getJobs("not-completed", 0, JobAttributeNames, JobAttributeCount, Jobs))
        return false;
    fillMedia(Jobs);
    return true;
}

bool PrinterCore::ListAbove(uint32_t After, std::vector<IppJob> &Jobs)
{
    std::vector<IppJob> All;
    if (!getJobs("all", After + 1, JobAttributeNames, JobAttributeCount, All))
        return false;
    Jobs.clear();
    for (auto &J : All)
        if (J.Entry.JobId > After)
            Jobs.push_back(std::move(J));
    std::sort(Jobs.begin(), Jobs.end(),
              [](const IppJob &A, const IppJob &B) { return A.Entry.JobId < B.Entry.JobId; });
    fillMedia(Jobs);
    return true;
}

bool PrinterCore::HighestJobId(uint32_t &Id)
{
    static const char *const Names[] = {"job-id"};
    std::vector<IppJob> All;
    if (!getJobs("all", 0, Names, 1, All))
        return false;
    Id = 0;
    for (const auto &J : All)
        Id = std::max(Id, J.Entry.JobId);
    return true;
}

bool PrinterCore::ServerJobs(std::vector<ServerJob> &Jobs)
{
    static const char *const Names[] = {"job-id", "job-state", "job-printer-uri"};
    ipp_t *Req = NewRequest(IPP_OP_GET_JOBS, "printer-uri", "ipp://localhost/");
    ippAddString(Req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    RequestAttributes(Req, Names, 3);
    Reply R;
    if (!Do(Req, R))
        return false;
    Jobs.clear();
    const std::string Suffix = "/printers/" + name_;
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
            if (Uri != nullptr && httpSeparateURI(HTTP_URI_CODING_ALL, Uri, Scheme, sizeof(Scheme),
                                                  User, sizeof(User), Host, sizeof(Host), &Port,
                                                  Resource, sizeof(Resource)) >= HTTP_URI_STATUS_OK)
                Jobs.back().Mine = strcasecmp(Resource, Suffix.c_str()) == 0; // as CUPS finds it
        }
    }
    std::erase_if(Jobs, [](const ServerJob &J) { return J.Id == 0; });
    return true;
}

bool PrinterCore::ReadJob(uint32_t JobId, std::vector<IppJob> &Out, bool *NotFound)
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
    fillMedia(Jobs);
    Out.insert(Out.end(), Jobs.begin(), Jobs.end());
    return true;
}

bool PrinterCore::getJobs(const char *Which, uint32_t FirstId, const char *const *Names, int Count,
                          std::vector<IppJob> &Jobs)
{
    ipp_t *Req = NewRequest(IPP_OP_GET_JOBS, "printer-uri", uri_);
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

void PrinterCore::fillMedia(std::vector<IppJob> &Jobs) const
{
    for (auto &J : Jobs)
        ApplyJobDefaults(J.Entry, defaults_);
}

} // namespace vesk::spooler::cups
