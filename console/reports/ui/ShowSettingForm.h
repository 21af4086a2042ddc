// TShowSettingFrm: the column display settings window behind the views' "..." buttons.
#pragma once

#include "LumoBackForm.h"
#include "ShowSettings.h"

#include <QAbstractTableModel>

class QPushButton;
class QTableView;

namespace vesk {

class TdmMain;

// The rows of the settings window as the grid shows them: FName read-only, FWidth and IsVisible
// editable, IsVisible centred. Window thread only.
class ShowSettingModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ShowSettingModel(ShowSettingEditor &editor, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setLabels(const QStringList &labels);
    // Reads the editor's rows from `statement`.
    bool open(QSqlDatabase db, const QString &statement, QString *error = nullptr);
    // Shows a row again after its edit was stored or forgotten.
    void rowChanged(int row);

private:
    ShowSettingEditor &editor_;
    QStringList labels_;
};

// Shown modally over the statement its opener gives; an edited row is stored when the
// administrator leaves it or presses OK, unless its IsVisible is not 0 or 1. Closing with the
// frame's close picture forgets a pending edit. Window thread only.
class TShowSettingFrm : public TLumoBackFrm
{
    Q_OBJECT

public:
    TShowSettingFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TShowSettingFrm() override;

    // Reads the rows of `statement` (aqryShowSetting's statement). False with the database's
    // text.
    bool open(const QString &statement, QString *error = nullptr);

    ShowSettingEditor aqryShowSetting;
    ShowSettingModel *ds;
    QTableView *dbGrid;
    QPushButton *BtnOk;

    // Stores the row in edit, then closes with OK whatever the check said.
    void BtnOkClick();

protected:
    void FormShow() override;
    void FormClose() override;

private:
    // aqryShowSettingBeforePost: false (after the message) when the row may not be stored.
    bool postRow();
    void currentRowChanged(int current, int previous);

    TdmMain &dm_;
    bool returning_ = false; // putting the cursor back on a refused row
};

} // namespace vesk
