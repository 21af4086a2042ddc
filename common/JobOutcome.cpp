// Job outcome, colour and two-sided codes: their texts and filter clauses.
#include "JobOutcome.h"

#include <QHash>

namespace vesk {

namespace {

bool sameField(const QString &field, const char *name)
{
    return field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

bool IsCodedPrinterDataField(const QString &field)
{
    return sameField(field, JobOutcomeField) || sameField(field, ColorPrintField) ||
           sameField(field, DuplexField);
}

bool IsCostPrinterDataField(const QString &field)
{
    return sameField(field, CostField);
}

QString PrinterDataCellText(const QString &field, const QVariant &value, const LangLookup &lang,
                            const Currency &currency)
{
    if (lang && IsCostPrinterDataField(field)) {
        bool ok = false;
        const qint64 minor = value.toString().toLongLong(&ok);
        return ok ? FormatMoney(minor, currency, MoneyLocale(QString())) : value.toString();
    }
    if (!lang || !IsCodedPrinterDataField(field))
        return value.toString();
    if (value.isNull() || value.toString().isEmpty())
        return QString();
    bool ok = false;
    const int code = value.toString().toInt(&ok);
    if (!ok)
        return value.toString();
    if (sameField(field, JobOutcomeField)) {
        switch (code) {
        case static_cast<int>(JobOutcome::Printed):
            return lang(QStringLiteral("RSJobPrinted"));
        case static_cast<int>(JobOutcome::Cancelled):
            return lang(QStringLiteral("RSJobCancelled"));
        case static_cast<int>(JobOutcome::Aborted):
            return lang(QStringLiteral("RSJobAborted"));
        default:
            return value.toString();
        }
    }
    if (code == 0 || code == 1)
        return lang(code == 1 ? QStringLiteral("RSYES") : QStringLiteral("RSNO"));
    return value.toString();
}

const QStringList &CodedTextKeys()
{
    static const QStringList keys{QStringLiteral("RSJobPrinted"), QStringLiteral("RSJobCancelled"),
                                  QStringLiteral("RSJobAborted"), QStringLiteral("RSYES"),
                                  QStringLiteral("RSNO")};
    return keys;
}

LangLookup CodedTextLookup(const LangLookup &lang)
{
    QHash<QString, QString> texts;
    for (const QString &key : CodedTextKeys())
        texts.insert(key, lang ? lang(key) : QString());
    return [texts](const QString &key) { return texts.value(key); };
}

QString JobFilterClause(const JobFilter &filter)
{
    QString clause;
    const auto add = [&clause](const char *field, int code) {
        clause += QStringLiteral(" AND ") + QLatin1String(field) + u'=' + QString::number(code);
    };
    if (filter.outcome)
        add(JobOutcomeField, static_cast<int>(*filter.outcome));
    if (filter.color)
        add(ColorPrintField, *filter.color ? 1 : 0);
    if (filter.duplex)
        add(DuplexField, *filter.duplex ? 1 : 0);
    return clause;
}

std::optional<JobOutcome> JobOutcomeFromWord(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == u"printed")
        return JobOutcome::Printed;
    if (w == u"cancelled" || w == u"canceled")
        return JobOutcome::Cancelled;
    if (w == u"aborted")
        return JobOutcome::Aborted;
    return std::nullopt;
}

std::optional<bool> YesNoFromWord(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == u"yes")
        return true;
    if (w == u"no")
        return false;
    return std::nullopt;
}

} // namespace vesk
