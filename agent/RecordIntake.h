// The work of OnRecPrinterData: a handed-over job becomes a listed record (probe, tHost lookup).
#pragma once

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
struct TPrinterInfo;
struct TPrinterJob;

// Employee and department of a computer found in tHost.
struct HostMatch
{
    QString EmName;
    QString DeptName;
};

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

    // The row of one job printed on `printerName` (absent gives an empty caption).
    ListedRecord TakeJob(const std::optional<std::string> &printerName, const TPrinterJob &job);

    // tHost row by MAC, else by IP, else by computer name (its leading backslashes ignored),
    // letter case ignored; empty texts are not looked up. std::nullopt when none matches.
    std::optional<HostMatch> FindHost(const QString &mac, const QString &ip,
                                      const QString &machineName);

private:
    TdmMain &dm_;
    HostProbe &probe_;
    std::function<QDateTime()> clock_;
};

// Column captions of the record list: the display labels of aqryPrinterData's twelve fields.
QStringList PrinterDataCaptions(const TdmMain &dm);

// The details window's text: per column "caption:cell" followed by CR LF, twelve lines.
QString DetailsText(const QStringList &captions, const ListedRecord &row);

} // namespace vesk
