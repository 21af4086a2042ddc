// Budgets against spending: the month's cost per department from the kept totals, summed over
// each department's subtree (the department tree's rules, read from tDept alone).
#include "BudgetBook.h"

#include "Database.h"
#include "Money.h"
#include "Totals.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <functional>

namespace vesk {

namespace {

QString key(const QString &name)
{
    return name.toCaseFolded();
}

// A department of the tree with its depth and its subtree's names, folded.
struct Dept
{
    QString name;
    int level = 0;
    QStringList subtree;
};

// The departments in tree order from tDept alone (the web view's role reads no computers or
// printers): top-level ones (SuperName "-1") in table order, each followed by those below it.
// Names are matched ignoring letter case; a department met again (a loop, a repeated name) is
// not descended into twice.
std::optional<std::vector<Dept>> loadDepts(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!execStatement(q, QStringLiteral("select Name, SuperName from tDept"), error))
        return std::nullopt;
    QHash<QString, QStringList> below;
    QStringList top;
    while (q.next()) {
        const QString name = q.value(0).toString(), super = q.value(1).toString();
        if (super == u"-1")
            top << name;
        else
            below[key(super)] << name;
    }
    std::vector<Dept> out;
    QSet<QString> seen;
    const std::function<void(const QString &, int)> walk = [&](const QString &name, int level) {
        if (seen.contains(key(name)))
            return;
        seen.insert(key(name));
        const size_t at = out.size();
        out.push_back(Dept{name, level, {key(name)}});
        for (const QString &child : below.value(key(name)))
            walk(child, level + 1);
        for (size_t i = at + 1; i < out.size() && out[i].level > level; ++i)
            if (out[i].level == level + 1)
                out[at].subtree += out[i].subtree;
    };
    for (const QString &name : top)
        walk(name, 0);
    return out;
}

// The department's name as the table has it: exactly, else in any letter case.
std::optional<QString> storedDept(const QSqlDatabase &db, const QString &dept, QString *error)
{
    const auto depts = loadDepts(db, error);
    if (!depts)
        return std::nullopt;
    for (const Dept &d : *depts)
        if (d.name == dept)
            return d.name;
    for (const Dept &d : *depts)
        if (key(d.name) == key(dept))
            return d.name;
    if (error)
        *error = QStringLiteral("no department: ") + dept;
    return std::nullopt;
}

qint64 roundedQuotient(qint64 numerator, qint64 denominator)
{
    return (numerator + denominator / 2) / denominator; // both non-negative
}

} // namespace

QString ShareText(const std::optional<qint64> &shareBp)
{
    if (!shareBp)
        return {};
    return QStringLiteral("%1.%2 %")
        .arg(*shareBp / 100)
        .arg(*shareBp % 100, 2, 10, QLatin1Char('0'));
}

qint64 MonthForecast(qint64 spent, const QDate &month, const QDate &today)
{
    const QDate first(month.year(), month.month(), 1);
    if (today < first)
        return 0;
    if (today >= first.addMonths(1) || spent <= 0)
        return spent;
    return roundedQuotient(spent * first.daysInMonth(), today.day());
}

bool BudgetBook::setBudget(const QString &dept, qint64 amount, QString *error)
{
    const std::optional<QString> name = storedDept(db_, dept, error);
    if (!name)
        return false;
    QSqlQuery q(db_);
    if (!beginWrite(db_, error))
        return false;
    // A delete and an insert: the same on both engines, one row per department by its index.
    if (!runStatement(q, QStringLiteral("delete from tBudget where DeptName = ?"), {*name},
                      error) ||
        !runStatement(q, QStringLiteral("insert into tBudget (DeptName, Amount) values (?, ?)"),
                      {*name, amount}, error)) {
        q.finish();
        rollbackWrite(db_);
        return false;
    }
    q.finish();
    return commitWrite(db_, error);
}

bool BudgetBook::clearBudget(const QString &dept, QString *error)
{
    QSqlQuery q(db_);
    return runStatement(q, QStringLiteral("delete from tBudget where DeptName = ?"), {dept}, error);
}

std::optional<std::vector<BudgetLine>> BudgetBook::month(const QDate &month, const QDate &today,
                                                         QString *error) const
{
    const auto depts = loadDepts(db_, error);
    if (!depts)
        return std::nullopt;
    QSqlQuery q(db_);
    QHash<QString, qint64> budgets;
    if (!execStatement(q, QStringLiteral("select DeptName, Amount from tBudget"), error))
        return std::nullopt;
    while (q.next())
        budgets.insert(key(q.value(0).toString()), q.value(1).toLongLong());

    const QDate first(month.year(), month.month(), 1);
    TotalsSearch search;
    search.from = QDateTime(first, QTime(0, 0));
    search.to = QDateTime(first.addMonths(1), QTime(0, 0));
    QHash<QString, qint64> cost;
    if (!execStatement(q, TotalsGroupStatement(engineOf(db_), TotalsDim::Dept, search, 0), error))
        return std::nullopt;
    while (q.next())
        if (!q.value(0).isNull())
            cost[key(q.value(0).toString())] += q.value(3).toLongLong();
    q.finish();

    std::vector<BudgetLine> lines;
    for (const Dept &d : *depts) {
        BudgetLine l;
        l.dept = d.name;
        l.level = d.level;
        for (const QString &n : d.subtree)
            l.spent += cost.value(n);
        l.forecast = MonthForecast(l.spent, first, today);
        if (const auto b = budgets.constFind(key(l.dept)); b != budgets.cend()) {
            l.budget = *b;
            if (*b > 0)
                l.shareBp = qint64((WideInt(std::max<qint64>(l.spent, 0)) * 10000 + *b / 2) / *b);
            l.over = l.spent > *b;
        }
        lines.push_back(l);
    }
    return lines;
}

} // namespace vesk
