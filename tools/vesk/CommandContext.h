// What a subcommand works with: the application folder's data module, opened as the console
// opens it, the answer to questions, and UTF-8 output and error streams.
#pragma once

#include "ArgList.h"
#include "CommandRegistry.h"
#include "DeptTree.h"
#include "MainDM.h"
#include "MessagePresenter.h"
#include "SearchStatement.h"

#include <QString>
#include <QTextStream>

#include <memory>
#include <optional>
#include <vector>

namespace vesk::cli {

// Message boxes of the shared routines become lines on standard error. A question is answered
// OK only when the command line says --yes; otherwise it is refused and the refusal said.
class CommandPresenter : public MessagePresenter
{
public:
    CommandPresenter(QTextStream &err, bool yes, QString refusal)
        : err_(err), yes_(yes), refusal_(std::move(refusal))
    {}
    int present(const QString &title, const QString &text, unsigned style) override;
    void setRefusal(const QString &refusal) { refusal_ = refusal; }

private:
    QTextStream &err_;
    bool yes_;
    QString refusal_;
};

class CommandContext
{
public:
    // `appDir` empty: the folder of the running program.
    CommandContext(const QString &appDir, bool yes);
    ~CommandContext();

    // Config.ini, connection, language file: the console's settings routine. False (with the
    // reason on standard error) when the folder cannot be used.
    bool open();
    // Config.ini and the language file only, for a command that opens its databases itself;
    // [Connection] Constr is left in the connection's ConnectionString, unopened.
    bool openCatalogue();

    TdmMain &dm() { return *dm_; }
    QString lang(const QString &key) const { return dm_->GetLangString(key); }
    bool yes() const { return yes_; }

    QTextStream &out() { return out_; }
    QTextStream &err() { return err_; }

    // A refused or failed operation: the text on standard error, exit status 1.
    int fail(const QString &text);
    // A catalogue text with its "%s" filled, for fail().
    QString langFilled(const QString &key, const QString &value) const;

private:
    QTextStream out_;
    QTextStream err_;
    bool yes_;
    std::unique_ptr<TdmMain> dm_;
    std::unique_ptr<CommandPresenter> presenter_;
};

// Helpers of the subcommands.

// The positional arguments when there are between `min` and `max` of them and no unknown option;
// otherwise the usage error is said and nothing returned.
std::optional<QStringList> takePositional(CommandContext &c, ArgList &args, int min, int max);
// The department tree as the console shows it; a database error is said.
std::optional<DeptForest> loadTree(CommandContext &c);
// The department of that name in the tree (exact letter case first, then any); a missing one is
// said.
const DeptNode *findDept(CommandContext &c, const DeptForest &forest, const QString &name);
// The print history search of the console from --from, --to, --computer, --printer, --dept and
// --employee, as its WHERE clause. Without any of them the whole table (empty), as after the
// console's reset; --from defaults to the earliest date, --to to today. A bad date is said in
// `problem` and nothing returned.
std::optional<QString> historyFilter(ArgList &args, QString *problem);
// The same search whole: its filter and, where the totals hold its conditions, its totals form.
std::optional<SearchStatement> historySearch(ArgList &args, QString *problem);
// Rows as CSV as every CSV the command writes: each field as text (never a formula), lines ending
// in CR LF; the first row, the headings, in the configured language.
QString csvRows(const std::vector<QStringList> &rows);
// A log block as the console's log shows it: one output line per line of the block.
void printBlock(CommandContext &c, const QString &block);

} // namespace vesk::cli
