// Job records and notification decoding: texts, array growth, tracked list, paper sizes.
#include "JobRecords.h"
#include "PaperSize.h"

#include <gtest/gtest.h>

#include <cctype>

namespace vesk {
namespace {

namespace N = spooler::Notify;

spooler::NotifyEntry JobText(uint32_t Id, uint16_t Field, OptText Text)
{
    spooler::NotifyEntry E;
    E.Type = N::JobType;
    E.Field = Field;
    E.Id = Id;
    E.Text = std::move(Text);
    return E;
}

spooler::NotifyEntry JobValue(uint32_t Id, uint16_t Field, uint32_t Value)
{
    spooler::NotifyEntry E;
    E.Type = N::JobType;
    E.Field = Field;
    E.Id = Id;
    E.Value = Value;
    return E;
}

spooler::JobEntry Entry(uint32_t Id)
{
    spooler::JobEntry J;
    J.JobId = Id;
    J.Document = "doc" + std::to_string(Id);
    J.UserName = "bob";
    J.MachineName = "\\\\pc7";
    J.TotalPages = 3;
    J.Size = 2048;
    return J;
}

TEST(spooler_records, ReleasingAJobDropsAllFourTexts)
{
    TPrinterJob Job;
    ASSERT_TRUE(ConvertJobEntry(Job, Entry(4)));
    Job.StatusText = "printing";
    ReleaseJob(Job);
    EXPECT_FALSE(Job.Document || Job.UserName || Job.MachineName || Job.StatusText);
    EXPECT_EQ(Job.JobId, 0u);
    EXPECT_EQ(Job.TotalPages, 0u);
}

TEST(spooler_records, AbsentTextEmptiesAnExistingField)
{
    TJobList List;
    ApplyJobEntry(List, JobText(7, N::JobDocument, "Budget.pdf"));
    ASSERT_EQ(List.front().Job.Document, "Budget.pdf");
    EXPECT_TRUE(ApplyJobEntry(List, JobText(7, N::JobDocument, std::nullopt)));
    EXPECT_FALSE(List.front().Job.Document.has_value());
    // An empty text is a value, not an absence.
    ApplyJobEntry(List, JobText(7, N::JobUserName, ""));
    EXPECT_EQ(List.front().Job.UserName, std::optional<std::string>(""));
    EXPECT_EQ(List.size(), 1u);
}

TEST(spooler_records, UnknownIdWithUnknownFieldStillCreatesTheNode)
{
    TJobList List;
    EXPECT_FALSE(ApplyJobEntry(List, JobValue(99, 42, 5)));
    ASSERT_EQ(List.size(), 1u);
    const TPrinterJob &Job = List.front().Job;
    EXPECT_EQ(Job.JobId, 99u);
    EXPECT_FALSE(Job.Document || Job.UserName || Job.MachineName || Job.StatusText);
    EXPECT_EQ(Job.TotalPages, 0u);
    EXPECT_EQ(Job.PaperSize, 0);
}

TEST(spooler_records, TrackedListKeepsFirstSightOrder)
{
    TJobList List;
    for (uint32_t Id : {5u, 3u, 9u, 3u, 5u})
        ApplyJobEntry(List, JobValue(Id, N::JobTotalPages, Id));
    std::vector<uint32_t> Ids;
    for (const auto &Node : List)
        Ids.push_back(Node.Job.JobId);
    EXPECT_EQ(Ids, (std::vector<uint32_t>{5, 3, 9}));
    List.erase(FindTrackedJob(List, 3));
    EXPECT_EQ(List.front().Job.JobId, 5u);
    EXPECT_EQ(List.back().Job.JobId, 9u);
    EXPECT_EQ(FindTrackedJob(List, 3), List.end());
}

TEST(spooler_records, PrinterEntriesGoToThePrinterAndJobEntriesNeverDo)
{
    TJobList List;
    TPrinterInfo Info;
    spooler::NotifyInfo Notify;
    spooler::NotifyEntry Status;
    Status.Type = N::PrinterType;
    Status.Field = N::PrinterStatusField;
    Status.Value = spooler::PrinterStatus::Paused;
    spooler::NotifyEntry Name = Status;
    Name.Field = N::PrinterPrinterName;
    Name.Text = "Laser";
    spooler::NotifyEntry Jobs = Status;
    Jobs.Field = N::PrinterCJobs;
    Jobs.Value = 2;
    Notify.Entries = {Status, Name, JobValue(1, N::JobStatusField, 0x10), Jobs};
    DecodeNotifyInfo(List, Info, Notify);
    EXPECT_EQ(Info.Status, spooler::PrinterStatus::Paused);
    EXPECT_EQ(Info.PrinterName, "Laser");
    EXPECT_EQ(Info.JobCount, 2u);
    ASSERT_EQ(List.size(), 1u);
    EXPECT_EQ(List.front().Job.Status, 0x10u);
}

TEST(spooler_records, ArrayGrowsByOneAndClearingLeavesNone)
{
    TPrinterInfo Info;
    for (uint32_t I = 1; I <= 4; ++I) {
        ASSERT_TRUE(AppendJob(Info, Entry(I)));
        EXPECT_EQ(Info.Capacity(), I);
        EXPECT_EQ(Info.Count, static_cast<int32_t>(I));
    }
    EXPECT_TRUE(FindJob(Info, 3));
    EXPECT_FALSE(FindJob(Info, 5));
    EXPECT_EQ(Info.Jobs[2].Document, "doc3");
    ClearJobs(Info);
    EXPECT_EQ(Info.Count, 0);
    EXPECT_EQ(Info.Capacity(), 0u);
    EXPECT_FALSE(FindJob(Info, 3));
}

TEST(spooler_records, FindJobLooksOnlyAtValidRecords)
{
    TPrinterInfo Info;
    AppendJob(Info, Entry(1));
    AppendJob(Info, Entry(2));
    Info.Count = 1; // the second record is allocated but not valid
    EXPECT_FALSE(FindJob(Info, 2));
}

TEST(spooler_records, ConvertJobEntryPaperSizeFromDeviceMode)
{
    TPrinterJob Job;
    spooler::JobEntry E = Entry(1);
    ASSERT_TRUE(ConvertJobEntry(Job, E));
    EXPECT_EQ(Job.PaperSize, 0); // no device mode
    EXPECT_EQ(Job.BytesPrinted, 0u);
    EXPECT_FALSE(Job.StatusText.has_value());
    EXPECT_EQ(Job.TotalBytes, 2048u);
    E.Devmode = spooler::DevMode{"iso_a4_210x297mm"};
    ASSERT_TRUE(ConvertJobEntry(Job, E));
    EXPECT_EQ(Job.PaperSize, 9);
    E.Devmode = spooler::DevMode{"no-such-paper"};
    ASSERT_TRUE(ConvertJobEntry(Job, E));
    EXPECT_EQ(Job.PaperSize, 0);
}

TEST(spooler_records, DevModeEntryWithoutDeviceModeKeepsThePaper)
{
    TJobList List;
    spooler::NotifyEntry Dev = JobValue(2, N::JobDevMode, 0);
    Dev.Devmode = spooler::DevMode{"A4"};
    EXPECT_TRUE(ApplyJobEntry(List, Dev));
    EXPECT_EQ(List.front().Job.PaperSize, 9);
    Dev.Devmode.reset();
    EXPECT_FALSE(ApplyJobEntry(List, Dev));
    EXPECT_EQ(List.front().Job.PaperSize, 9);
}

struct MediaCase
{
    const char *Media;
    int32_t Code;
};

class spooler_papersize : public ::testing::TestWithParam<MediaCase>
{
};

TEST_P(spooler_papersize, MapsMediaToCode)
{
    EXPECT_EQ(PaperSizeFromMedia(GetParam().Media), GetParam().Code) << GetParam().Media;
}

INSTANTIATE_TEST_SUITE_P(
    Names, spooler_papersize,
    ::testing::Values(MediaCase{"iso_a4_210x297mm", 9}, MediaCase{"A4", 9}, MediaCase{"a4", 9},
                      MediaCase{"A4.Borderless", 9}, MediaCase{"na_letter_8.5x11in", 1},
                      MediaCase{"Letter", 1}, MediaCase{"na_legal_8.5x14in", 5},
                      MediaCase{"Legal", 5}, MediaCase{"iso_a3_297x420mm", 8}, MediaCase{"A3", 8},
                      MediaCase{"iso_a5_148x210mm", 11}, MediaCase{"A5", 11}, MediaCase{"B4", 12},
                      MediaCase{"B5", 13}, MediaCase{"jis_b5_182x257mm", 13},
                      MediaCase{"na_executive_7.25x10.5in", 7}, MediaCase{"Executive", 7},
                      MediaCase{"Tabloid", 3}, MediaCase{"na_ledger_11x17in", 3},
                      MediaCase{"Ledger", 4}, MediaCase{"na_invoice_5.5x8.5in", 6},
                      MediaCase{"na_number-10_4.125x9.5in", 20}, MediaCase{"Env10", 20},
                      MediaCase{"iso_dl_110x220mm", 27}, MediaCase{"iso_c5_162x229mm", 28},
                      MediaCase{"iso_c4_229x324mm", 30}, MediaCase{"iso_c6_114x162mm", 31},
                      MediaCase{"iso_b6_125x176mm", 35}, MediaCase{"na_monarch_3.875x7.5in", 37},
                      MediaCase{"custom_foo_210x297mm", 9}, MediaCase{"iso_a6_105x148mm", 0},
                      MediaCase{"", 0}, MediaCase{"nonsense", 0}),
    [](const ::testing::TestParamInfo<MediaCase> &Info) {
        std::string Name = std::to_string(Info.index) + "_";
        for (const char *C = Info.param.Media; *C != '\0'; ++C)
            Name += std::isalnum(static_cast<unsigned char>(*C)) ? *C : '_';
        return Name;
    });

} // namespace
} // namespace vesk
