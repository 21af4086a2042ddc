// tShowSetting: the grids' layout written back, and the settings window's edits stored.
#include "ShowSettings.h"

#include "Database.h"
#include "SqlText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vesk {

bool SaveShowColumns(QSqlDatabase db, ReportTable table, const QStringList &fieldOrder,
                     const std::function<QString(const QString &field)> &label, QString *error)
{
    const QString where = QStringLiteral(" where tableName='") + ReportTableName(table) +
                          QStringLiteral("' and FieldName=");
    QSqlQuery q(db);
    for (int i = 0; i < fieldOrder.size(); ++i) {
        const QString &field = fieldOrder.at(i);
        const QString statement = QStringLiteral("update tShowSetting set Findex=") +
                                  QString::number(i) + QStringLiteral(",FName=") +
                                  QuotedStr(label(field)) + where + QuotedStr(field);
        if (!q.exec(translateStatement(db, statement))) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

QString ShowSettingStatement(ReportTable table)
{
    if (table == ReportTable::PrinterData)
        return QStringLiteral("select * from tShowSetting where tableName='tPrinterData'");
    return QStringLiteral("select * from tShowSetting where tableName='tHost' order by Findex");
}

bool ValidIsVisible(const QVariant &value)
{
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && (v == 0 || v == 1);
}

bool ShowSettingEditor::open(QSqlDatabase db, const QString &statement, QString *error)
{
    db_ = db;
    rows_.clear();
    editing_ = -1;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(translateStatement(db, statement))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    const QSqlRecord r = q.record();
    const int table = r.indexOf(QStringLiteral("tableName"));
    const int field = r.indexOf(QStringLiteral("FieldName"));
    const int fname = r.indexOf(QStringLiteral("FName"));
    const int width = r.indexOf(QStringLiteral("FWidth"));
    const int visible = r.indexOf(QStringLiteral("IsVisible"));
    while (q.next()) {
        rows_.push_back({q.value(table).toString(), q.value(field).toString(),
                         q.value(fname).toString(), q.value(width), q.value(visible)});
    }
    return true;
}

const ShowSettingRow &ShowSettingEditor::row(int i) const
{
    return i == editing_ ? pending_ : rows_.at(static_cast<size_t>(i));
}

bool ShowSettingEditor::setValue(int row, Column column, const QVariant &value)
{
    if (row < 0 || row >= rowCount() || column == ColFName)
        return false;
    if (editing_ >= 0 && editing_ != row)
        return false;
    if (column == ColFWidth && !value.toString().trimmed().isEmpty()) {
        bool ok = false;
        value.toString().trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    if (editing_ < 0) {
        editing_ = row;
        pending_ = rows_.at(static_cast<size_t>(row));
    }
    (column == ColFWidth ? pending_.width : pending_.isVisible) = value;
    return true;
}

ShowSettingEditor::PostResult ShowSettingEditor::post(QString *error)
{
    if (editing_ < 0)
        return PostResult::Nothing;
    if (!ValidIsVisible(pending_.isVisible))
        return PostResult::Refused;
    const auto number = [](const QVariant &v) {
        const QString text = v.toString().trimmed();
        return text.isEmpty() ? QVariant(0) : QVariant(text.toInt());
    };
    const QString width = pending_.width.toString().trimmed();
    QSqlQuery q(db_);
    q.prepare(translateStatement(db_, QStringLiteral("update tShowSetting set FWidth=:w, "
                                                     "IsVisible=:v where tableName=:t and "
                                                     "FieldName=:f")));
    q.bindValue(QStringLiteral(":w"), width.isEmpty() ? QVariant() : QVariant(width.toInt()));
    q.bindValue(QStringLiteral(":v"), number(pending_.isVisible));
    q.bindValue(QStringLiteral(":t"), pending_.tableName);
    q.bindValue(QStringLiteral(":f"), pending_.fieldName);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return PostResult::Failed;
    }
    pending_.isVisible = number(pending_.isVisible);
    rows_.at(static_cast<size_t>(editing_)) = pending_;
    editing_ = -1;
    return PostResult::Stored;
}

void ShowSettingEditor::cancel()
{
    editing_ = -1;
}

} // namespace vesk
