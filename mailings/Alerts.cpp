#include "Alerts.h"

#include "BudgetBook.h"
#include "MailLog.h"
#include "PaperStock.h"
#include "Statement.h"

namespace vesk {

namespace {

bool mailable(const WebAccount &a)
{
    return !a.disabled && !a.email.isEmpty();
}

// Sends `m` (composed for each recipient) unless `key` is recorded for that recipient.
template <typename Compose>
void alertOnce(const QSqlDatabase &db, MailOutlet &outlet, const WebAccount &a, MailKey key,
               Compose compose)
{
    key.account = a.name;
    QString error;
    const std::optional<bool> sent = WasMailed(db, key, &error);
    if (!sent) {
        outlet.Fail(key, error);
        return;
    }
    if (!*sent)
        outlet.Deliver(db, key, compose());
}

bool budgetAlerts(const QSqlDatabase &db, const std::vector<WebAccount> &accounts,
                  const AlertContext &c, MailOutlet &outlet)
{
    QString error;
    const std::optional<std::vector<BudgetLine>> lines =
        BudgetBook(db).month(c.today, c.today, &error);
    if (!lines) {
        outlet.Fail({QString(), QStringLiteral("budget"), QString(), QString()}, error);
        return false;
    }
    const QDate month(c.today.year(), c.today.month(), 1);
    const QString period = month.toString(QStringLiteral("yyyy-MM"));
    for (const BudgetLine &l : *lines) {
        if (!l.budget)
            continue;
        const qint64 share = l.shareBp.value_or(l.over ? 10000 : 0);
        if (share < 8000)
            continue;
        const bool full = share >= 10000;
        for (const WebAccount &a : accounts) {
            if (!mailable(a) || !(a.admin || a.dept.compare(l.dept, Qt::CaseInsensitive) == 0))
                continue;
            const LangLookup &lang = AccountLang(a, c.english, c.chinese);
            const QLocale locale = MoneyLocale(a.lang);
            const auto compose = [&] {
                MailMessage m;
                m.to = a.email;
                m.subject = lang(QStringLiteral("RSMailBudgetSubject"))
                                .arg(l.dept, full ? QStringLiteral("100") : QStringLiteral("80"),
                                     MonthTitle(month, lang));
                m.text =
                    lang(QStringLiteral("RSMailBudgetText"))
                        .arg(l.dept, FormatMoney(l.spent, c.currency, locale),
                             FormatMoney(*l.budget, c.currency, locale), MonthTitle(month, lang),
                             WholePercent(share), FormatMoney(l.forecast, c.currency, locale)) +
                    QStringLiteral("\n\n") + lang(QStringLiteral("RSMailFooter")) + u'\n';
                return m;
            };
            const MailKey at80{QString(), QStringLiteral("budget80"), period, l.dept};
            if (!full) {
                alertOnce(db, outlet, a, at80, compose);
                continue;
            }
            // Past 100 % at once: one message says so, and the 80 % one is not sent after it.
            const int before = int(outlet.Failures().size());
            alertOnce(db, outlet, a, {QString(), QStringLiteral("budget100"), period, l.dept},
                      compose);
            if (outlet.dryRun() || int(outlet.Failures().size()) != before)
                continue;
            MailKey own = at80;
            own.account = a.name;
            const std::optional<bool> told = WasMailed(db, own, &error);
            if (told && !*told && !RecordMailed(db, own, &error))
                outlet.Fail(own, error);
        }
    }
    return true;
}

bool paperAlerts(const QSqlDatabase &db, const std::vector<WebAccount> &accounts,
                 const AlertContext &c, MailOutlet &outlet)
{
    QString error;
    const std::optional<std::vector<StockLine>> stock = PaperStock(db).stock(&error);
    if (!stock) {
        outlet.Fail({QString(), QStringLiteral("paper"), QString(), QString()}, error);
        return false;
    }
    for (const StockLine &l : *stock) {
        const QString item = l.printer + QStringLiteral(" / ") + l.paper;
        if (!l.below) {
            if (!outlet.dryRun() && !ForgetMailed(db, QStringLiteral("paper"), item, &error))
                outlet.Fail({QString(), QStringLiteral("paper"), QString(), item}, error);
            continue;
        }
        for (const WebAccount &a : accounts) {
            if (!mailable(a) || !a.admin)
                continue;
            const LangLookup &lang = AccountLang(a, c.english, c.chinese);
            alertOnce(db, outlet, a, {QString(), QStringLiteral("paper"), QString(), item}, [&] {
                MailMessage m;
                m.to = a.email;
                m.subject = lang(QStringLiteral("RSMailPaperSubject")).arg(l.paper, l.printer);
                m.text = lang(QStringLiteral("RSMailPaperText"))
                             .arg(l.paper, l.printer, GroupedNumber(l.left),
                                  GroupedNumber(l.minimum.value_or(0))) +
                         QStringLiteral("\n\n") + lang(QStringLiteral("RSMailFooter")) + u'\n';
                return m;
            });
        }
    }
    return true;
}

} // namespace

bool SendAlerts(const QSqlDatabase &db, const std::vector<WebAccount> &accounts,
                const AlertContext &context, MailOutlet &outlet)
{
    const bool budgets = budgetAlerts(db, accounts, context, outlet);
    return paperAlerts(db, accounts, context, outlet) && budgets;
}

} // namespace vesk
