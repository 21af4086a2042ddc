// A handed-over job becomes a listed record: probe the computer, find it in tHost, fill the
// cells.
#include "RecordIntake.h"

#include "CDate.h"
#include "Dataset.h"
#include "HostProbe.h"
#include "JobRecords.h"
#include "MainDM.h"
#include "PaperSizeName.h"
#include "PriceBook.h"

namespace vesk {

namespace {

QString text(const std::optional<std::string> &value)
{
    return value ? QString::fromUtf8(value->data(), static_cast<qsizetype>(value->size()))
                 : QString();
}

// The spooler gives "\\PC1"; tHost holds the computer's network name without the backslashes.
QString bareName(const QString &machineName)
{
    qsizetype i = 0;
    while (i < machineName.size() && machineName.at(i) == u'\\')
        ++i;
    return machineName.mid(i);
}

// A peer that answers node status without an address (Samba) gives zeros when the neighbour table
// has no entry either: that names no computer, and stored rows holding zeros are not a match.
bool isZeroMac(const QString &mac)
{
    return mac == QLatin1String("00-00-00-00-00-00");
}

} // namespace

RecordIntake::RecordIntake(TdmMain &dm, HostProbe &probe, std::function<QDateTime()> clock)
    : dm_(dm), probe_(probe), clock_(std::move(clock))
{}

std::vector<ListedRecord> RecordIntake::OnRecPrinterData(const TPrinterInfo &info)
{
    std::vector<ListedRecord> rows;
    const auto count =
        std::min<size_t>(info.Count > 0 ? static_cast<size_t>(info.Count) : 0, info.Jobs.size());
    for (size_t i = 0; i < count; ++i) {
        rows.push_back(TakeJob(info.PrinterName, info.Jobs[i]));
        rows.back().JobId = info.Jobs[i].JobId;
        rows.back().Mark = info.Mark;
    }
    return rows;
}

ListedRecord RecordIntake::TakeJob(const std::optional<std::string> &printerName,
                                   const TPrinterJob &job)
{
    return TakeProbed(printerName, ProbeJob(job));
}

ProbedJob RecordIntake::ProbeJob(const TPrinterJob &job)
{
    // The hostName cell shows the computer as the probe names it: upper case after the
    // backslashes, and a network client that CUPS gives by address by its own name.
    ProbedJob probed{job, {}, {}, clock_ ? clock_() : QDateTime::currentDateTime()};
    std::optional<std::string> &machine = probed.Job.MachineName;
    if (machine && machine->size() >= 2) {
        const ProbedComputer computer = probe_.ComputerOf(*machine);
        probed.Mac = computer.Mac;
        probed.Ip = computer.Ip;
        if (!computer.Name.isEmpty())
            machine = machine->substr(0, 2) + computer.Name.toStdString();
    }
    return probed;
}

ListedRecord RecordIntake::TakeProbed(const std::optional<std::string> &printerName,
                                      const ProbedJob &probed)
{
    const TPrinterJob &job = probed.Job;
    ListedRecord row;
    row.Id = NewRecordId();
    auto &c = row.Cells;
    // A CUPS class's job is stored under the member that printed it, when that is monitored.
    c[colPrinterName] = job.PrinterName ? text(job.PrinterName) : text(printerName);
    if (c[colPrinterName] != text(printerName))
        row.MarkPrinter = text(printerName);
    c[coldocumentName] = text(job.Document);
    c[colhostName] = text(job.MachineName);
    c[colTotalPageCount] = QString::number(job.TotalPages);
    c[colPrintedDocumentSize] = QString::number(job.TotalBytes);
    c[colPageSize] = PaperSizeName(job.PaperSize, dm_.GetLangString(QStringLiteral("RSOther")));
    c[colPrintTime] = probed.TakenAt.toString(QLatin1String(PrintTimeFormat));
    c[colOperatorName] = text(job.UserName);
    c[colIP] = probed.Ip;
    c[colMAC] = probed.Mac;
    c[colJobOutcome] = QString::number(static_cast<int>(JobOutcomeOf(job)));
    c[colPagesPrinted] = QString::number(job.PagesPrinted);
    if (job.Color != spooler::DevColor::Unknown)
        c[colColorPrint] =
            job.Color == spooler::DevColor::Color ? QStringLiteral("1") : QStringLiteral("0");
    if (job.Duplex != spooler::DevDuplex::Unknown)
        c[colDuplex] =
            job.Duplex == spooler::DevDuplex::Simplex ? QStringLiteral("0") : QStringLiteral("1");

    if (const auto host = FindHost(probed.Mac, probed.Ip, c[colhostName])) {
        c[colEmName] = host->EmName;
        c[colDeptName] = host->DeptName;
    } else {
        c[colEmName] = c[colDeptName] = dm_.GetLangString(QStringLiteral("RSUnkown"));
    }
    c[colCost] = costCell(row);
    return row;
}

QString RecordIntake::costCell(const ListedRecord &row)
{
    // A few rows of two small tables, read for every job: a price changed a moment ago applies.
    if (std::optional<PriceList> read = ReadPriceList(dm_.acntVesk.database()))
        prices_ = std::move(read);
    if (!prices_)
        return {};
    const auto &c = row.Cells;
    const std::optional<qint64> cost =
        JobCost(*prices_,
                CostedJobOf(c[colPrinterName], c[colPageSize], c[colTotalPageCount],
                            c[colJobOutcome], c[colPagesPrinted], c[colColorPrint], c[colDuplex]));
    return cost ? QString::number(*cost) : QString();
}

std::optional<HostMatch> RecordIntake::FindHost(const QString &mac, const QString &ip,
                                                const QString &machineName)
{
    TDataset *hosts = dm_.aqryHost.get();
    if (!hosts)
        return std::nullopt;
    // LoadSettings opens it; a list without it (database gone) still gets its row.
    if (!hosts->Active() && !hosts->Open())
        return std::nullopt;
    PagedQueryModel *model = hosts->model();
    while (model->canFetchMore())
        model->fetchMore();

    const int emCol = hosts->columnOf(QStringLiteral("EmName"));
    const int deptCol = hosts->columnOf(QStringLiteral("DeptName"));
    const auto find = [&](const QString &field, const QString &value) -> std::optional<HostMatch> {
        const int col = hosts->columnOf(field);
        if (value.isEmpty() || col < 0)
            return std::nullopt;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QString cell = model->index(r, col).data().toString();
            if (cell.compare(value, Qt::CaseInsensitive) == 0)
                return HostMatch{model->index(r, emCol).data().toString(),
                                 model->index(r, deptCol).data().toString()};
        }
        return std::nullopt;
    };

    if (auto m = find(QStringLiteral("MAC"), isZeroMac(mac) ? QString() : mac))
        return m;
    if (auto m = find(QStringLiteral("IP"), ip))
        return m;
    return find(QStringLiteral("HostName"), bareName(machineName));
}

QStringList PrinterDataCaptions(const TdmMain &dm)
{
    QStringList captions;
    for (const char *field : PrinterDataFields) {
        const QString name = QString::fromLatin1(field);
        captions << (dm.aqryPrinterData ? dm.aqryPrinterData->displayLabel(name) : name);
    }
    return captions;
}

QStringList ShownCells(const ListedRecord &row, const LangLookup &lang, const Currency &currency)
{
    QStringList cells;
    for (int i = 0; i < PrinterDataColumnCount; ++i) {
        const QString &cell = row.Cells[static_cast<size_t>(i)];
        cells << (lang ? PrinterDataCellText(
                             QLatin1String(PrinterDataFields[static_cast<size_t>(i)]), cell, lang,
                             currency)
                       : cell);
    }
    return cells;
}

QString DetailsText(const QStringList &captions, const ListedRecord &row, const LangLookup &lang,
                    const Currency &currency)
{
    const QStringList cells = ShownCells(row, lang, currency);
    QString details;
    for (int i = 0; i < PrinterDataColumnCount; ++i) {
        const QString caption = i < captions.size() ? captions.at(i) : QString();
        details += caption + u':' + cells.at(i) + QStringLiteral("\r\n");
    }
    return details;
}

} // namespace vesk
