// The work of OnRecPrinterData: a handed-over job becomes a listed record (probe, tHost lookup).
#pragma once

#include "JobCost.h"
#include "JobRecords.h"
#include "ListedRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

class HostProbe;
class TdmMain;

// Employee and department of a computer found in tHost.
struct HostMatch
{
    QString EmName;
    QString DeptName;
};

// A job as the host probe left it: the machine name upper-cased after its backslashes, the
// computer's addresses and the time of intake. Network work only; no database, no catalogue.
struct ProbedJob
{
    TPrinterJob Job;
    QString Mac;
    QString Ip;
    QDateTime TakenAt;
};

// The probe (ProbeJob) may run on any one thread at a time; the rest runs on the window thread.
// Runs on the window thread while the sender waits; it copies everything it keeps, so the
// hand-over record may be cleared as soon as OnRecPrinterData returns. The computer is looked up
// in the data module's aqryHost, which holds tHost as it was when the agent started.
class RecordIntake
{
public:
    // `clock` gives the intake time (local); the current time when empty.
    RecordIntake(TdmMain &dm, HostProbe &probe, std::function<QDateTime()> clock = {});

    // One row per valid job record of the hand-over (the first Count), in order, each with a
    // new Id. The caller journals the rows and appends them to its list.
    std::vector<ListedRecord> OnRecPrinterData(const TPrinterInfo &info);

    // The row of one job printed on `printerName` (absent gives an empty caption): ProbeJob,
    // then TakeProbed, on the calling thread.
    ListedRecord TakeJob(const std::optional<std::string> &printerName, const TPrinterJob &job);

    // Probes the submitting computer (up to seconds for a silent one) and notes the time.
    ProbedJob ProbeJob(const TPrinterJob &job);
    // The row of a probed job: paper name, tHost look-up, catalogue texts, and its cost at the
    // prices stored now (the last prices read where the database cannot be read; none before).
    ListedRecord TakeProbed(const std::optional<std::string> &printerName, const ProbedJob &probed);

    // tHost row by MAC, else by IP, else by computer name (its leading backslashes ignored),
    // letter case ignored; empty texts are not looked up. std::nullopt when none matches.
    std::optional<HostMatch> FindHost(const QString &mac, const QString &ip,
                                      const QString &machineName);

private:
    QString costCell(const ListedRecord &row);

    TdmMain &dm_;
    std::optional<PriceList> prices_;
    HostProbe &probe_;
    std::function<QDateTime()> clock_;
};

// Column captions of the record list: the display labels of aqryPrinterData's fields.
QStringList PrinterDataCaptions(const TdmMain &dm);

// The cells as the list shows them: the coded columns as their catalogue texts and the cost as
// an amount of `currency` ([Cost] Currency), as the console shows them (as stored without
// `lang`).
QStringList ShownCells(const ListedRecord &row, const LangLookup &lang,
                       const Currency &currency = {});

// The details window's text: per column "caption:cell" followed by CR LF, one line per column.
QString DetailsText(const QStringList &captions, const ListedRecord &row,
                    const LangLookup &lang = {}, const Currency &currency = {});

} // namespace vesk
