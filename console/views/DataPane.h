// The common ground of the console's data panes: grid, statement in force, sort mark, errors.
#pragma once

#include "SortState.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QPushButton;

namespace vesk {

class RecordGrid;
class TDataset;
class TdmMain;

// A pane of the console's work area: a RecordGrid over one of the data module's standing
// datasets above a search panel. Searches, resets and title clicks replace or re-run the
// statement in the database; the header shows the order the database was asked for. Failures
// go to the data module's message box. The panes keep their own component and handler names
// and call into this class. Window thread only.
class DataPane : public QWidget
{
    Q_OBJECT

public:
    ~DataPane() override;

    // The fields in the grid's left-to-right order (moved columns at their new place).
    QStringList fieldOrder() const;
    ViewStatement &statement() { return statement_; }

protected:
    // Creates the grid over `dataset` as the pane's first child, named `gridName`.
    DataPane(TdmMain &dm, TDataset &dataset, const char *gridName, QWidget *parent);

    template <class W> static W *named(W *w, const char *name)
    {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    }
    RecordGrid *grid() const { return grid_; }
    // The search panel below the grid, with its fixed height.
    QWidget *searchPanel(const char *name, int height);
    // Grid above, search panel below, no margins between them.
    void layOut(QWidget *panel);
    // The search panel's grid layout with the panes' margins and spacing.
    static QGridLayout *panelLayout(QWidget *panel);
    // The narrow "..." button that opens the column settings.
    static QPushButton *settingButton(QWidget *panel, const char *name);
    // Grouped printing, column settings and export side by side.
    static QHBoxLayout *commandRow(QPushButton *print, QPushButton *setting, QPushButton *exporter);
    // A caption from the catalogue.
    QString langText(const char *key) const;

    // Replaces the statement in force (search or reset); a failure is shown.
    void runStatement(const QString &statement);
    // Sorts by the field of a model column, descending and ascending in turn, the first page read
    // on a worker thread while the grid shows it is busy (Esc cancels, the order in force stays).
    void sortByColumn(int column);
    void showError(const QString &error);

    TdmMain &dm_;

private:
    void showSortMark();

    ViewStatement statement_;
    RecordGrid *grid_;
};

} // namespace vesk
