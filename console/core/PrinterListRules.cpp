// The printer row check: monitoring flag and host.
#include "PrinterListRules.h"

#include "MainDM.h"
#include "MessageFlags.h"

namespace vesk {

bool ReadIsMonitor(const QVariant &value, int *out)
{
    if (value.isNull()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok, 10);
    if (ok)
        *out = n;
    return ok;
}

bool PrinterListRules::HostKnown(const QString &hostName)
{
    return dm_.RecordExists(QStringLiteral("tprinter"), QStringLiteral("HostName"), hostName) ||
           dm_.RecordExists(QStringLiteral("thost"), QStringLiteral("HostName"), hostName);
}

bool PrinterListRules::aqryPrinterBeforePost(const TPrinterRow &row)
{
    int isMonitor = 0;
    if (!ReadIsMonitor(row.IsMonitor, &isMonitor) || (isMonitor != 0 && isMonitor != 1)) {
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSIsMonitor")), MB_ICONEXCLAMATION);
        return false;
    }
    // Host information collection stores the printers it has just found on their computers.
    if (dm_.HostInfoRunning)
        return true;
    if (!HostKnown(row.HostName)) {
        dm_.ShowMsg(
            TdmMain::FillMsg(dm_.GetLangString(QStringLiteral("RSComputeNotExist")), row.HostName),
            MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

} // namespace vesk
