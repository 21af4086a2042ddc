// Driving the printer list grid from a test; shared by the SQLite and PostgreSQL suites.
#pragma once

#include "ComputerMForm.h"
#include "PrinterListView.h"

#include <QCoreApplication>
#include <QTableView>

#include <gtest/gtest.h>

namespace vesk::test {

// `Fixture` provides showWindow() and count(statement).
template <class Fixture> class PrinterListAccess : public Fixture
{
protected:
    // The window on the printer list view.
    TPrinterListView &open()
    {
        TComputerMFrm &w = this->showWindow();
        w.ShowView(QStringLiteral("PrinterList"));
        view = w.plPrinterList;
        printers = view->Printers();
        EXPECT_NE(printers, nullptr);
        return *view;
    }

    void setCell(int row, int column, const QVariant &value)
    {
        ASSERT_TRUE(printers->setData(printers->index(row, column), value));
    }
    QVariant cell(int row, int column) const
    {
        return printers->data(printers->index(row, column), Qt::EditRole);
    }
    int rowOf(const QString &name) const
    {
        for (int r = 0; r < printers->rowCount(); ++r) {
            if (cell(r, printers->NameColumn()).toString() == name)
                return r;
        }
        return -1;
    }
    QString currentName() const
    {
        return cell(view->DBGrid1->currentIndex().row(), printers->NameColumn()).toString();
    }
    void select(int row)
    {
        view->DBGrid1->setCurrentIndex(view->DBGrid1->model()->index(row, printers->NameColumn()));
        QCoreApplication::processEvents();
    }
    int stored(const QString &condition)
    {
        return this->count(QStringLiteral("select count(*) from tPrinter where ") + condition);
    }

    TPrinterListView *view = nullptr;
    TPrinterTable *printers = nullptr;
};

} // namespace vesk::test
