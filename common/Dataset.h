// A standing dataset of the data module: its statement, declared fields and a paged model.
#pragma once

#include "PagedQueryModel.h"

#include <QString>

#include <memory>
#include <vector>

namespace vesk {

struct FieldDef
{
    QString name;
    int displayWidth = 0; // characters; 0 where none is declared
};

// A thin class over a PagedQueryModel: opening a million-row table reads one page, and no
// statement stays open afterwards. Owned by the data module and used on the window thread only.
class TDataset
{
public:
    TDataset(QString name, QString connectionName, QString statement, std::vector<FieldDef> fields);
    // Its model's signals reach it by address.
    TDataset(const TDataset &) = delete;
    TDataset &operator=(const TDataset &) = delete;

    const QString &name() const { return name_; }
    // The statement in force; views replace it for their searches and sorts.
    QString SQL;

    // Declared fields in order; empty when every column is reachable.
    const std::vector<FieldDef> &Fields() const { return fields_; }
    int displayWidth(const QString &field) const;
    QString displayLabel(const QString &field) const; // the field's name until a label is set
    void setDisplayLabel(const QString &field, const QString &label);

    // Runs SQL on the data module's connection. Returns false with the database's text.
    bool Open(QString *error = nullptr);
    // Reads SQL's first page on a worker thread; the rows in force stay until it is there (the
    // model's backgroundReadEnded tells how it ended). Active from then on when it was read.
    void OpenInBackground();
    void Close();
    bool Active() const { return active_; }
    // The model the grids show; headers carry the display labels. Valid for the dataset's life.
    PagedQueryModel *model() const { return model_.get(); }
    // Column of a field in the open result (letter case ignored), -1 when absent.
    int columnOf(const QString &field) const;

private:
    void applyHeaders();

    QString name_;
    QString connectionName_;
    std::vector<FieldDef> fields_;
    std::vector<QString> labels_;
    std::unique_ptr<PagedQueryModel> model_;
    bool active_ = false;
};

} // namespace vesk
