// The check every printer row passes before it is stored, whoever stores it.
#pragma once

#include <QString>
#include <QVariant>

namespace vesk {

class TdmMain;

// The columns of a printer row that the check reads.
struct TPrinterRow
{
    QString Name;
    QString HostName;
    QVariant IsMonitor; // as entered: a number, a text, or null
};

// Reads IsMonitor as a whole number the way the grid stores it: null reads as 0, a text that
// is not a decimal integer gives false.
bool ReadIsMonitor(const QVariant &value, int *out);

// aqryPrinterBeforePost: IsMonitor must be 0 or 1 ("RSIsMonitor"); unless host information
// collection is writing, the host must be a computer the database knows ("RSComputeNotExist").
// Shows its message through the data module and returns false when the row must not be stored.
// Database errors of the host lookup leave as VeskError.
class PrinterListRules
{
public:
    explicit PrinterListRules(TdmMain &dm) : dm_(dm) {}

    bool aqryPrinterBeforePost(const TPrinterRow &row);

    // A computer is known when tHost lists it or a stored printer already names it (printers
    // the agent added on its own computer before any network search).
    bool HostKnown(const QString &hostName);

private:
    TdmMain &dm_;
};

} // namespace vesk
