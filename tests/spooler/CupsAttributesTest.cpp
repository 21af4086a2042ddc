// Decoding of IPP answers: page counts, sizes, computer names, media, status bits.
#include "CupsAttributes.h"

#include <gtest/gtest.h>

namespace vesk::spooler {
namespace {

struct Response
{
    ipp_t *R = ippNew();
    ~Response() { ippDelete(R); }
};

void AddJob(ipp_t *R, int Id, bool WithImpressions)
{
    ippAddSeparator(R);
    ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", Id);
    ippAddString(R, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr, "Budget 2027.pdf");
    ippAddString(R, IPP_TAG_JOB, IPP_TAG_NAME, "job-originating-user-name", nullptr, "bob");
    ippAddString(R, IPP_TAG_JOB, IPP_TAG_NAME, "job-originating-host-name", nullptr, "localhost");
    ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", IPP_JSTATE_COMPLETED);
    if (WithImpressions)
        ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-impressions", 4);
    ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-impressions-completed", 6);
    ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-k-octets", 2);
    ippAddInteger(R, IPP_TAG_JOB, IPP_TAG_INTEGER, "time-at-creation", 1796792875);
}

TEST(spooler_ipp, JobGroupsDecodeWithPagesSizeAndComputer)
{
    Response Resp;
    ippAddString(Resp.R, IPP_TAG_OPERATION, IPP_TAG_CHARSET, "attributes-charset", nullptr,
                 "utf-8");
    AddJob(Resp.R, 11, false);
    ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_KEYWORD, "media", nullptr, "iso_a4_210x297mm");
    AddJob(Resp.R, 12, true);
    auto Jobs = JobsFromResponse(Resp.R);
    ASSERT_EQ(Jobs.size(), 2u);
    const JobEntry &A = Jobs[0].Entry;
    EXPECT_EQ(A.JobId, 11u);
    EXPECT_EQ(A.Document, "Budget 2027.pdf");
    EXPECT_EQ(A.UserName, "bob");
    EXPECT_EQ(A.MachineName, "\\\\localhost");
    EXPECT_EQ(A.TotalPages, 6u); // counted by the filters
    EXPECT_EQ(A.PagesPrinted, 6u);
    EXPECT_EQ(A.Size, 2048u);
    EXPECT_EQ(A.Status, JobStatus::Printed | JobStatus::Complete);
    ASSERT_TRUE(A.Devmode.has_value());
    EXPECT_EQ(A.Devmode->Media, "iso_a4_210x297mm");
    EXPECT_EQ(A.Submitted, LocalSystemTime(1796792875));
    EXPECT_EQ(Jobs[1].Entry.TotalPages, 4u); // the total the client sent wins
    EXPECT_FALSE(Jobs[1].Entry.Devmode.has_value());
}

TEST(spooler_ipp, MediaCollectionGivesThePaperBySize)
{
    Response Resp;
    ippAddSeparator(Resp.R);
    ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 3);
    ipp_t *Size = ippNew();
    ippAddInteger(Size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", 21590);
    ippAddInteger(Size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", 27940);
    ipp_t *Col = ippNew();
    ippAddCollection(Col, IPP_TAG_ZERO, "media-size", Size);
    ippAddCollection(Resp.R, IPP_TAG_JOB, "media-col", Col);
    ippDelete(Size);
    ippDelete(Col);
    auto Jobs = JobsFromResponse(Resp.R);
    ASSERT_EQ(Jobs.size(), 1u);
    ASSERT_TRUE(Jobs[0].Entry.Devmode.has_value());
    EXPECT_EQ(Jobs[0].Entry.Devmode->Media, "na_letter_8.5x11in");
    EXPECT_FALSE(Jobs[0].Entry.MachineName.has_value());
}

TEST(spooler_ipp, HugeSizesClampInsteadOfWrapping)
{
    Response Resp;
    ippAddSeparator(Resp.R);
    ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 1);
    ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-k-octets", 8 * 1024 * 1024);
    auto Jobs = JobsFromResponse(Resp.R);
    ASSERT_EQ(Jobs.size(), 1u);
    EXPECT_EQ(Jobs[0].Entry.Size, UINT32_MAX);
}

TEST(spooler_ipp, PrinterStateAndReasonsToStatusBits)
{
    EXPECT_EQ(PrinterStatusBits(IPP_PSTATE_IDLE, {"none"}), 0u);
    EXPECT_EQ(PrinterStatusBits(IPP_PSTATE_PROCESSING, {}), PrinterStatus::Printing);
    EXPECT_EQ(PrinterStatusBits(IPP_PSTATE_STOPPED, {"paused"}), PrinterStatus::Paused);
    EXPECT_EQ(PrinterStatusBits(IPP_PSTATE_IDLE, {"media-empty-error", "toner-low-report"}),
              PrinterStatus::PaperOut | PrinterStatus::Error | PrinterStatus::TonerLow);
    EXPECT_EQ(PrinterStatusBits(IPP_PSTATE_IDLE, {"media-jam-warning", "door-open"}),
              PrinterStatus::PaperJam | PrinterStatus::DoorOpen);
    EXPECT_EQ(JobStatusBits(IPP_JSTATE_HELD), JobStatus::Paused);
    EXPECT_EQ(JobStatusBits(IPP_JSTATE_CANCELED), JobStatus::Deleted);
    EXPECT_EQ(JobStatusBits(IPP_JSTATE_PENDING), 0u);
}

TEST(spooler_ipp, PrinterAnswerGivesNameCountAndServer)
{
    Response Resp;
    ippAddString(Resp.R, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, "Laser");
    ippAddInteger(Resp.R, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_STOPPED);
    const char *Reasons[] = {"paused", "offline-report"};
    ippAddStrings(Resp.R, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "printer-state-reasons", 2, nullptr,
                  Reasons);
    ippAddInteger(Resp.R, IPP_TAG_PRINTER, IPP_TAG_INTEGER, "queued-job-count", 3);
    ippAddBoolean(Resp.R, IPP_TAG_PRINTER, "printer-is-shared", 0);
    IppPrinter P = PrinterFromResponse(Resp.R, "\\\\cups1");
    EXPECT_EQ(P.State.PrinterName, "Laser");
    EXPECT_EQ(P.State.ServerName, "\\\\cups1");
    EXPECT_FALSE(P.State.ShareName.has_value());
    EXPECT_EQ(P.State.JobCount, 3u);
    EXPECT_EQ(P.State.Status, PrinterStatus::Paused | PrinterStatus::Offline);
}

// State, print-color-mode, sides and the completed counts of a job, and the printer's defaults
// filling what the job leaves open.
TEST(spooler_ipp, JobStateColourSidesAndPagesDecode)
{
    const struct
    {
        const char *name;
        int state;
        const char *colorMode, *sides; // nullptr: not reported
        int impressionsCompleted;      // -1: not reported
        int sheetsCompleted;
        uint32_t status, pagesPrinted;
        int16_t color, duplex;
    } cases[] = {
        {"completed", IPP_JSTATE_COMPLETED, "color", "two-sided-short-edge", 6, 3,
         JobStatus::Printed | JobStatus::Complete, 6, DevColor::Color, DevDuplex::Horizontal},
        {"cancelled", IPP_JSTATE_CANCELED, "monochrome", "one-sided", 2, 2, JobStatus::Deleted, 2,
         DevColor::Monochrome, DevDuplex::Simplex},
        {"aborted, sheets only", IPP_JSTATE_ABORTED, "process-bi-level", "two-sided-long-edge", -1,
         4, JobStatus::Error, 4, DevColor::Monochrome, DevDuplex::Vertical},
        // auto tells nothing, nor does a missing sides: the printer's defaults stand in.
        {"defaults", IPP_JSTATE_COMPLETED, "auto", nullptr, 1, 1,
         JobStatus::Printed | JobStatus::Complete, 1, DevColor::Monochrome, DevDuplex::Simplex},
    };
    const JobDefaults Defaults{std::nullopt, DevColor::Monochrome, DevDuplex::Simplex};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Response Resp;
        ippAddSeparator(Resp.R);
        ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 5);
        ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state", c.state);
        if (c.colorMode)
            ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_KEYWORD, "print-color-mode", nullptr,
                         c.colorMode);
        if (c.sides)
            ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_KEYWORD, "sides", nullptr, c.sides);
        if (c.impressionsCompleted >= 0)
            ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-impressions-completed",
                          c.impressionsCompleted);
        ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-media-sheets-completed",
                      c.sheetsCompleted);
        auto Jobs = JobsFromResponse(Resp.R);
        ASSERT_EQ(Jobs.size(), 1u);
        JobEntry &J = Jobs[0].Entry;
        ApplyJobDefaults(J, Defaults);
        EXPECT_EQ(J.Status, c.status);
        EXPECT_EQ(J.PagesPrinted, c.pagesPrinted);
        ASSERT_TRUE(J.Devmode.has_value());
        EXPECT_EQ(J.Devmode->Media, "");
        EXPECT_EQ(J.Devmode->Color, c.color);
        EXPECT_EQ(J.Devmode->Duplex, c.duplex);
    }
}

TEST(spooler_ipp, SambasSpoolerPrefixAloneIsRemovedFromTheDocumentName)
{
    const struct
    {
        const char *jobName, *document;
    } cases[] = {
        {"smbprn.00000001 Remote Downlevel Document report.pdf",
         "Remote Downlevel Document report.pdf"},
        {"smbprn.00000042 Budget 2027 (draft).xlsx", "Budget 2027 (draft).xlsx"},
        {"smbprn.00000001  two spaces", " two spaces"},
        {"smbprn.00000001 ", ""},
        {"smbprn.0000001 seven digits", "smbprn.0000001 seven digits"},
        {"smbprn.000000012 nine digits", "smbprn.000000012 nine digits"},
        {"smbprn.0000000a letter", "smbprn.0000000a letter"},
        {"SMBPRN.00000001 upper case", "SMBPRN.00000001 upper case"},
        {"report smbprn.00000001 x", "report smbprn.00000001 x"},
        {"smbprn.00000001", "smbprn.00000001"},
    };
    for (const auto &c : cases) {
        Response Resp;
        ippAddSeparator(Resp.R);
        ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 1);
        ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr, c.jobName);
        const auto Jobs = JobsFromResponse(Resp.R);
        ASSERT_EQ(Jobs.size(), 1u);
        EXPECT_EQ(Jobs[0].Entry.Document, std::optional<std::string>(c.document)) << c.jobName;
    }
}

TEST(spooler_ipp, AClassJobNamesItsClassAndTheMemberThatPrintedIt)
{
    Response Resp;
    ippAddSeparator(Resp.R);
    ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 3);
    ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_URI, "job-printer-uri", nullptr,
                 "ipp://localhost:631/classes/cls");
    ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_URI, "job-printer-uri-actual", nullptr,
                 "ipp://server/printers/p2");
    ippAddSeparator(Resp.R);
    ippAddInteger(Resp.R, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 4);
    ippAddString(Resp.R, IPP_TAG_JOB, IPP_TAG_URI, "job-printer-uri", nullptr,
                 "ipp://localhost:631/printers/p2");
    const auto Jobs = JobsFromResponse(Resp.R);
    ASSERT_EQ(Jobs.size(), 2u);
    EXPECT_EQ(Jobs[0].Queue, std::optional<std::string>("cls"));
    EXPECT_EQ(Jobs[0].PrintedOn, std::optional<std::string>("p2"));
    EXPECT_EQ(Jobs[1].Queue, std::optional<std::string>("p2"));
    EXPECT_FALSE(Jobs[1].PrintedOn);
}

} // namespace
} // namespace vesk::spooler
