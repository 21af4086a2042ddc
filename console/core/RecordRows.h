// Single rows of a table without a key, addressed by the values they hold.
#pragma once

#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <optional>

namespace vesk {

// tPrinterData has no key column; a grid row is found again by all of its values (exactly,
// letter case included). Of several identical rows exactly one is touched. Table and field
// names are the caller's constants or the result's own column names, never user text.

// Deletes one row equal to `row`. False with the database's text; a row no longer there is
// an error too, so a failure is never reported as done.
bool deleteRowByValues(QSqlDatabase db, const QString &table, const QSqlRecord &row,
                       QString *error = nullptr);

// Stores `value` in `field` of one row equal to `row`. False as above.
bool updateRowByValues(QSqlDatabase db, const QString &table, const QSqlRecord &row,
                       const QString &field, const QVariant &value, QString *error = nullptr);

// The value a print-record cell may take from an edit: whole numbers for the counts, a date
// that CDate reads for PrintTime (stored in its normal form), text for the rest. nullopt when
// the value does not fit its column.
std::optional<QVariant> printerDataCellValue(const QString &field, const QVariant &value);

// The record shown in full: one line per field, "label:value" and CR LF.
QString recordDetails(const QStringList &labels, const QStringList &values);

} // namespace vesk
