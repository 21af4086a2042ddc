// The column display settings kept in tShowSetting: saving the grids' layout and editing rows.
#pragma once

#include "ReportTables.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

namespace vesk {

// SavePrinterDataColumns / SaveHostColumns: for every field in the grid's left-to-right order
// (moved columns at their new place), "update tShowSetting set Findex=<i>,FName=<label>" for that
// field. Rows are never inserted: a field without a row stays without one. Stops at the first
// failing statement with the database's text; the statements before it stay written.
bool SaveShowColumns(QSqlDatabase db, ReportTable table, const QStringList &fieldOrder,
                     const std::function<QString(const QString &field)> &label,
                     QString *error = nullptr);

// The statement the settings window opens: print records in the database's own order, computers
// by Findex.
QString ShowSettingStatement(ReportTable table);

// An IsVisible value that may be stored: 0 or 1 (an empty value reads as 0).
bool ValidIsVisible(const QVariant &value);

// One listed row of the settings window.
struct ShowSettingRow
{
    QString tableName;
    QString fieldName;
    QString fname;
    QVariant width;
    QVariant isVisible;
};

// The rows of the settings window with the rule for storing an edited row: one row at a time is
// in edit; it is stored when the administrator leaves it or confirms, unless IsVisible is not 0
// or 1. Plain class; the window's model shows it. Used on one thread.
class ShowSettingEditor
{
public:
    enum Column
    {
        ColFName,
        ColFWidth,
        ColIsVisible,
        ColumnCount
    };
    enum class PostResult
    {
        Nothing, // no row in edit
        Stored,
        Refused, // IsVisible neither 0 nor 1: the row stays in edit with the entered value
        Failed   // database error: the row stays in edit
    };

    // Reads the rows of `statement` from `db`. False with the database's text.
    bool open(QSqlDatabase db, const QString &statement, QString *error = nullptr);

    int rowCount() const { return static_cast<int>(rows_.size()); }
    // The row as shown: with the pending values when it is the row in edit.
    const ShowSettingRow &row(int i) const;
    // The row in edit, -1 when none.
    int editingRow() const { return editing_; }

    // Changes FWidth or IsVisible of a row (FName is read-only). Puts the row in edit; a row
    // may only be edited while no other one is (the caller posts first).
    bool setValue(int row, Column column, const QVariant &value);
    // Stores the row in edit.
    PostResult post(QString *error = nullptr);
    // Forgets the pending edit (closing the window without OK, or after a refused OK).
    void cancel();

private:
    QSqlDatabase db_;
    std::vector<ShowSettingRow> rows_;
    int editing_ = -1;
    ShowSettingRow pending_;
};

} // namespace vesk
