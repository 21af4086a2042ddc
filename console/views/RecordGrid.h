// The console's data grid: a table view over a standing dataset that keeps its column layout.
#pragma once

#include <QHash>
#include <QStringList>
#include <QTableView>
#include <QTimer>

class QFrame;
class QLabel;
class QPushButton;

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

    // While a sort reads in the background: a busy cursor at once and, should it last, a panel
    // over the rows with `text` and a cancel button. Esc or the button emits cancelRequested.
    void setBusy(bool on, const QString &text = {}, const QString &cancelText = {});
    bool busy() const { return busy_; }
    QFrame *busyPanel() const { return pnlBusy_; }

    // A sort shorter than this shows no panel, so quick ones do not flicker.
    static constexpr int BusyPanelDelayMs = 200;

Q_SIGNALS:
    // Ctrl+Delete on the grid.
    void deleteKeyPressed();
    // Esc or the busy panel's cancel button while busy.
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void remember();
    void restore();
    void fitTitles(Qt::Orientation orientation, int first, int last);
    int defaultWidth(const QString &field, int column) const;
    void placeBusyPanel();

    const TDataset &dataset_;
    QStringList order_;         // remembered field order
    QHash<QString, int> width_; // remembered widths, by lower-cased field name
    bool busy_ = false;
    QTimer busyDelay_;
    QFrame *pnlBusy_;
    QLabel *lblBusy_;
    QPushButton *btnCancelSort_;
};

} // namespace vesk
