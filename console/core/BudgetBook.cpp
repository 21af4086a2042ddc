// Budgets against spending: the month's cost per department from the kept totals, summed over
// each department's subtree of the department tree.
#include "BudgetBook.h"

#include "Database.h"
#include "DeptTree.h"
#include "Errors.h"
#include "Money.h"
#include "Totals.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace vesk {

namespace {

QString key(const QString &name)
{
    return name.toCaseFolded();
}

// The department's own name and those of every department below it, folded.
void subtreeNames(const DeptNode &node, QStringList &names)
{
    names << key(node.text);
    for (const DeptNode &child : node.children)
        if (child.kind == NodeKind::Department)
            subtreeNames(child, names);
}

// Departments in tree order (a department, then the departments below it) with their depth.
void flatten(const DeptForest &forest, int level, std::vector<const DeptNode *> &nodes,
             std::vector<int> &levels)
{
    for (const DeptNode &n : forest) {
        if (n.kind != NodeKind::Department)
            continue;
        nodes.push_back(&n);
        levels.push_back(level);
        flatten(n.children, level + 1, nodes, levels);
    }
}

// The department's name as the tree has it: exactly, else in any letter case.
std::optional<QString> storedDept(const QSqlDatabase &db, const QString &dept, QString *error)
{
    try {
        const DeptForest forest = LoadDeptTree(db);
        if (const auto path = findNode(forest, NodeKind::Department, dept, true))
            return nodeAt(forest, *path)->text;
        if (error)
            *error = QStringLiteral("no department: ") + dept;
    } catch (const VeskError &e) {
        if (error)
            *error = e.message();
    }
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
    DeptForest forest;
    try {
        forest = LoadDeptTree(db_);
    } catch (const VeskError &e) {
        if (error)
            *error = e.message();
        return std::nullopt;
    }
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

    std::vector<const DeptNode *> nodes;
    std::vector<int> levels;
    flatten(forest, 0, nodes, levels);
    std::vector<BudgetLine> lines;
    for (size_t i = 0; i < nodes.size(); ++i) {
        BudgetLine l;
        l.dept = nodes[i]->text;
        l.level = levels[i];
        QStringList names;
        subtreeNames(*nodes[i], names);
        names.removeDuplicates();
        for (const QString &n : names)
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
