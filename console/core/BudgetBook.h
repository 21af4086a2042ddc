// Monthly budgets per department and what each department spent against its budget: a
// department spends what its records and those of every department below it cost.
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace vesk {

// One department in a month. Money in minor units of the configured currency.
struct BudgetLine
{
    QString dept;
    int level = 0;                 // depth in the department tree, 0 at the top
    std::optional<qint64> budget;  // the monthly amount; none where no budget is set
    qint64 spent = 0;              // the month's cost so far, sub-departments included
    qint64 forecast = 0;           // spent so far / days passed x days in the month
    std::optional<qint64> shareBp; // spent / budget in hundredths of a percent (none without a
                                   // budget, or with a budget of 0)
    bool over = false;             // spent beyond the budget
};

// The share as a text: "45.25 %" (no grouping, a dot); empty for none.
QString ShareText(const std::optional<qint64> &shareBp);

// The forecast for `month` as seen on `today`: a past month's is what it spent, the current
// month's spent / days passed (today counted) x days in the month, rounded half up; a month not
// yet begun spent nothing.
qint64 MonthForecast(qint64 spent, const QDate &month, const QDate &today);

// The budgets of tBudget and the spending read from the kept totals. On the connection's thread;
// database failures give false or nullopt with the database's text.
class BudgetBook
{
public:
    explicit BudgetBook(QSqlDatabase db) : db_(std::move(db)) {}

    // Sets (or replaces) the department's monthly amount. The name is stored as the department
    // table has it; an unknown department is refused with `error` "no department".
    bool setBudget(const QString &dept, qint64 amount, QString *error = nullptr);
    // Removes a department's budget.
    bool clearBudget(const QString &dept, QString *error = nullptr);

    // Every department in tree order with its figures for the month holding `month`, as seen on
    // `today` (for the forecast).
    std::optional<std::vector<BudgetLine>> month(const QDate &month, const QDate &today,
                                                 QString *error = nullptr) const;

private:
    QSqlDatabase db_;
};

} // namespace vesk
