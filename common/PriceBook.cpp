// The price list's reads and writes, and the recost.
#include "PriceBook.h"

#include "Database.h"
#include "Schema.h"
#include "Totals.h"

#include <QMap>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace vesk {

namespace {

std::optional<qint64> optionalValue(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toLongLong();
}

QVariant bindable(const std::optional<qint64> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::LongLong));
}

// A part's column of tPrice.
QLatin1String priceColumn(PricePart part)
{
    switch (part) {
    case PricePart::Mono:
        return QLatin1String("MonoPrice");
    case PricePart::Colour:
        return QLatin1String("ColourPrice");
    case PricePart::DuplexFactor:
        break;
    }
    return QLatin1String("DuplexFactor");
}

// Runs `write` inside a write transaction; rolled back when it fails.
template <typename Write> bool inTransaction(QSqlDatabase &db, QString *error, Write write)
{
    if (!beginWrite(db, error))
        return false;
    if (write() && commitWrite(db, error))
        return true;
    rollbackWrite(db);
    return false;
}

// Refuses a printer that tPrinter does not list; always false.
bool refuseUnknown(const QString &name, QString *error, bool *unknownPrinter)
{
    if (unknownPrinter)
        *unknownPrinter = true;
    if (error)
        *error = QStringLiteral("no printer: ") + name;
    return false;
}

} // namespace

std::optional<PriceList> ReadPriceList(const QSqlDatabase &db, QString *error)
{
    PriceList list;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!runStatement(q,
                      QStringLiteral("select PrinterName, MonoPrice, ColourPrice, DuplexFactor "
                                     "from tPrice"),
                      {}, error))
        return std::nullopt;
    while (q.next()) {
        const PrinterPrices p{optionalValue(q.value(1)), optionalValue(q.value(2)),
                              optionalValue(q.value(3))};
        const QString printer = q.value(0).toString();
        if (printer.isEmpty())
            list.defaults = p;
        else
            list.printers.insert(printer.toLower(), p);
    }
    if (!runStatement(q, QStringLiteral("select Paper, Factor from tPaperFactor order by Paper"),
                      {}, error))
        return std::nullopt;
    while (q.next())
        list.papers.push_back({q.value(0).toString(), q.value(1).toLongLong()});
    return list;
}

std::optional<QString> ListedPrinterName(const QSqlDatabase &db, const QString &name,
                                         QString *error)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return QString();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!runStatement(q, QStringLiteral("select Name from tPrinter where Name = ?"), {wanted},
                      error))
        return std::nullopt;
    // Of several spellings, the one given.
    QString stored;
    while (q.next() && stored != wanted)
        stored = q.value(0).toString();
    return stored;
}

bool SetPrinterPrices(QSqlDatabase &db, const QString &name, const PrinterPrices &prices,
                      QString *error, bool *unknownPrinter)
{
    return inTransaction(db, error, [&] {
        // The default's row: an empty name, never NULL.
        QString printer = QStringLiteral("");
        if (!name.isEmpty()) {
            const std::optional<QString> listed = ListedPrinterName(db, name, error);
            if (!listed)
                return false;
            if (listed->isEmpty())
                return refuseUnknown(name, error, unknownPrinter);
            printer = *listed;
        }
        QSqlQuery q(db);
        if (!runStatement(q, QStringLiteral("select count(*) from tPrice where PrinterName = ?"),
                          {printer}, error) ||
            !q.next())
            return false;
        const bool exists = q.value(0).toLongLong() > 0;
        q.finish();
        if (!exists &&
            !runStatement(q, QStringLiteral("insert into tPrice (PrinterName) values (?)"),
                          {printer}, error))
            return false;
        const std::pair<PricePart, std::optional<qint64>> parts[] = {
            {PricePart::Mono, prices.mono},
            {PricePart::Colour, prices.colour},
            {PricePart::DuplexFactor, prices.duplexFactor}};
        for (const auto &[part, value] : parts) {
            if (value &&
                !runStatement(q,
                              QStringLiteral("update tPrice set %1 = ? where PrinterName = ?")
                                  .arg(priceColumn(part)),
                              {bindable(value), printer}, error))
                return false;
        }
        return true;
    });
}

bool ClearPrinterPrices(QSqlDatabase &db, const QString &name, const std::vector<PricePart> &parts,
                        QString *error, bool *unknownPrinter)
{
    return inTransaction(db, error, [&] {
        QSqlQuery q(db);
        QString printer = name.isEmpty() ? QStringLiteral("") : name;
        if (!name.isEmpty()) {
            const std::optional<QString> listed = ListedPrinterName(db, name, error);
            if (!listed)
                return false;
            if (!listed->isEmpty()) {
                printer = *listed;
            } else {
                // A removed printer's prices stay in the list until cleared.
                if (!runStatement(q,
                                  QStringLiteral("select count(*) from tPrice where "
                                                 "PrinterName = ?"),
                                  {printer}, error) ||
                    !q.next())
                    return false;
                const bool priced = q.value(0).toLongLong() > 0;
                q.finish();
                if (!priced)
                    return refuseUnknown(name, error, unknownPrinter);
            }
        }
        for (const PricePart part : parts) {
            if (!runStatement(q,
                              QStringLiteral("update tPrice set %1 = null where PrinterName = ?")
                                  .arg(priceColumn(part)),
                              {printer}, error))
                return false;
        }
        return runStatement(q,
                            QStringLiteral("delete from tPrice where PrinterName = ? and "
                                           "MonoPrice is null and ColourPrice is null and "
                                           "DuplexFactor is null"),
                            {printer}, error);
    });
}

std::optional<qint64> ParsePricePart(PricePart part, const QString &text, const Currency &currency,
                                     AmountProblem *problem)
{
    return part == PricePart::DuplexFactor ? ParseFactor(text, problem)
                                           : ParsePrice(text, currency, problem);
}

QString PricePartText(PricePart part, const PrinterPrices &own, const Currency &currency)
{
    switch (part) {
    case PricePart::Mono:
        return own.mono ? PriceText(*own.mono, currency) : QString();
    case PricePart::Colour:
        return own.colour ? PriceText(*own.colour, currency) : QString();
    case PricePart::DuplexFactor:
        return own.duplexFactor ? FactorText(*own.duplexFactor) : QString();
    }
    return {};
}

PrinterPrices WithPricePart(PricePart part, qint64 value)
{
    PrinterPrices p;
    (part == PricePart::Mono     ? p.mono
     : part == PricePart::Colour ? p.colour
                                 : p.duplexFactor) = value;
    return p;
}

QString PricePartRefusalKey(PricePart part)
{
    return part == PricePart::DuplexFactor ? QStringLiteral("RSBadFactor")
                                           : QStringLiteral("RSBadPrice");
}

bool SetPaperFactor(QSqlDatabase &db, const QString &paper, qint64 factor, QString *error)
{
    return inTransaction(db, error, [&] {
        QSqlQuery q(db);
        return runStatement(q, QStringLiteral("delete from tPaperFactor where Paper = ?"), {paper},
                            error) &&
               runStatement(
                   q, QStringLiteral("insert into tPaperFactor (Paper, Factor) values (?, ?)"),
                   {paper, factor}, error);
    });
}

std::optional<std::vector<RecostChange>> RecostRecords(QSqlDatabase &db, const QString &filter,
                                                       QString *error)
{
    std::optional<std::vector<RecostChange>> result;
    const bool ok = inTransaction(db, error, [&] {
        const std::optional<PriceList> prices = ReadPriceList(db, error);
        if (!prices)
            return false;
        const QString key = pagingKey(db, QStringLiteral("tPrinterData"));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!runStatement(
                q,
                translateStatement(db, QStringLiteral("select %1, PrinterName, PageSize, "
                                                      "TotalPageCount, JobOutcome, PagesPrinted, "
                                                      "ColorPrint, Duplex, Cost from tPrinterData")
                                               .arg(key) +
                                           filter),
                {}, error))
            return false;
        // Read whole before the first write: SQLite's reader must not see its own updates.
        std::vector<std::pair<QVariant, std::optional<qint64>>> updates;
        QMap<QString, RecostChange> byPrinter;
        while (q.next()) {
            const CostedJob job = CostedJobOf(q.value(1), q.value(2), q.value(3), q.value(4),
                                              q.value(5), q.value(6), q.value(7));
            const std::optional<qint64> before = optionalValue(q.value(8));
            const std::optional<qint64> after = JobCost(*prices, job);
            if (before == after)
                continue;
            updates.emplace_back(q.value(0), after);
            RecostChange &c = byPrinter[job.printer];
            c.printer = job.printer;
            ++c.records;
            c.before += before.value_or(0);
            c.after += after.value_or(0);
        }
        q.finish();
        if (!prepareStatement(
                q, QStringLiteral("update tPrinterData set Cost = ? where %1 = ?").arg(key), error))
            return false;
        for (const auto &[row, cost] : updates) {
            q.addBindValue(bindable(cost));
            q.addBindValue(row);
            if (!execPrepared(q, error))
                return false;
        }
        q.finish();
        if (!FoldTotals(db, error))
            return false;
        result.emplace(byPrinter.begin(), byPrinter.end());
        return true;
    });
    return ok ? result : std::nullopt;
}

} // namespace vesk
