// The console's data grid: a table view over a standing dataset that keeps its column layout.
#pragma once

#include <QHash>
#include <QStringList>
#include <QTableView>

namespace vesk {

class TDataset;

// Titles shown, columns resized and moved by their titles, the selection visible without focus,
// rows fetched lazily as the view scrolls. The column order and widths belong to the dataset's
// fields, so they survive every search, reset and sort (which reopen the dataset).
// Window thread only.
class RecordGrid : public QTableView
{
    Q_OBJECT

public:
    explicit RecordGrid(const TDataset &dataset, QWidget *parent = nullptr);

    // Call after setModel: from then on the layout is kept across reopenings.
    void keepLayout();
    // The dataset's field names in the grid's current left-to-right order.
    QStringList fieldOrder() const;
    // The field name of a model column; empty when there is none.
    QString fieldOf(int column) const;
    // The current row, or the first when none is chosen yet; -1 when the grid is empty.
    int currentRow() const;
    // Makes `row` current, fetching rows until it exists; the last row when there are fewer.
    void goToRow(int row);

Q_SIGNALS:
    // Ctrl+Delete on the grid.
    void deleteKeyPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void remember();
    void restore();
    int defaultWidth(const QString &field, int column) const;

    const TDataset &dataset_;
    QStringList order_;         // remembered field order
    QHash<QString, int> width_; // remembered widths, by lower-cased field name
};

} // namespace vesk
