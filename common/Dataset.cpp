// Standing datasets over paged reads.
#include "Dataset.h"

#include <QSqlRecord>

namespace vesk {

TDataset::TDataset(QString name, QString connectionName, QString statement,
                   std::vector<FieldDef> fields)
    : SQL(std::move(statement)), name_(std::move(name)), connectionName_(std::move(connectionName)),
      fields_(std::move(fields)), model_(std::make_unique<PagedQueryModel>())
{
    labels_.reserve(fields_.size());
    for (const FieldDef &f : fields_)
        labels_.push_back(f.name);
    QObject::connect(model_.get(), &PagedQueryModel::backgroundReadEnded, model_.get(),
                     [this](PagedQueryModel::ReadEnd end) {
                         if (end != PagedQueryModel::ReadEnd::Read)
                             return;
                         active_ = true;
                         applyHeaders();
                     });
}

int TDataset::displayWidth(const QString &field) const
{
    for (const FieldDef &f : fields_) {
        if (f.name.compare(field, Qt::CaseInsensitive) == 0)
            return f.displayWidth;
    }
    return 0;
}

QString TDataset::displayLabel(const QString &field) const
{
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return labels_[i];
    }
    return field;
}

void TDataset::setDisplayLabel(const QString &field, const QString &label)
{
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(field, Qt::CaseInsensitive) == 0)
            labels_[i] = label;
    }
    if (active_)
        applyHeaders();
}

bool TDataset::Open(QString *error)
{
    if (!model_->setQuery(connectionName_, SQL, error)) {
        active_ = false;
        return false;
    }
    active_ = true;
    applyHeaders();
    return true;
}

void TDataset::OpenInBackground()
{
    model_->setQueryInBackground(connectionName_, SQL);
}

void TDataset::Close()
{
    model_->clear();
    active_ = false;
}

int TDataset::columnOf(const QString &field) const
{
    const QSqlRecord rec = model_->record();
    for (int i = 0; i < rec.count(); ++i) {
        if (rec.fieldName(i).compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TDataset::applyHeaders()
{
    for (size_t i = 0; i < fields_.size(); ++i) {
        const int col = columnOf(fields_[i].name);
        if (col >= 0)
            model_->setHeaderData(col, Qt::Horizontal, labels_[i]);
    }
}

} // namespace vesk
