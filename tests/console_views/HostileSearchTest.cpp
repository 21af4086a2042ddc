// Hostile texts stored in the print history and the computer directory and typed into every
// search box of both panes: each finds its own row, no statement fails, no row changes.
#include "HostView.h"
#include "HostileTexts.h"
#include "PrinterDataView.h"
#include "ViewsFixture.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace vesk;
using namespace vesk::test;

namespace {

class HostileSearch : public ViewsFixture
{
protected:
    HostileSearch()
    {
        int i = 0;
        for (const auto &h : HostileTexts()) {
            const QString tag = QString::number(i++);
            addPrint({h.text, tag, h.text, 1, "2024-03-01 10:00:00", h.text, h.text});
            addHost(h.text, h.text, h.text, h.text, tag, h.text);
        }
    }

    // What the box finds, after each search checked that nothing was shown and nothing changed.
    QStringList found(QLineEdit *box, const QString &text, QAbstractButton *search,
                      const TDataset &ds, const char *tagField)
    {
        const QString before = snapshot();
        box->setText(text);
        search->click();
        box->clear();
        EXPECT_TRUE(boxes.shown.empty()) << box->objectName().toStdString();
        boxes.shown.clear();
        EXPECT_EQ(snapshot(), before);
        return column(ds, QString::fromLatin1(tagField));
    }

    // Every stored value of both tables, in order.
    QString snapshot()
    {
        QString all;
        for (const char *table : {"tPrinterData", "tHost"}) {
            QSqlQuery q(dm.acntVesk.database());
            EXPECT_TRUE(q.exec(QStringLiteral("select * from ") + QLatin1String(table)));
            while (q.next())
                for (int c = 0; c < q.record().count(); ++c)
                    all += q.value(c).toString() + u'\x1f';
        }
        return all;
    }
};

} // namespace

TEST_F(HostileSearch, EveryBoxOfBothPanesFindsItsOwnRow)
{
    PrinterDataView prints(dm);
    HostView hosts(dm);
    prints.dtpBegin->setDate(QDate(2024, 3, 1));
    prints.dtpEnd->setDate(QDate(2024, 3, 2));
    int i = 0;
    for (const auto &h : HostileTexts()) {
        SCOPED_TRACE(h.label);
        const QString tag = QString::number(i++);
        for (QLineEdit *box : {prints.edtHost, prints.edtDept, prints.edtPrinter, prints.edtEm})
            EXPECT_TRUE(found(box, h.text, prints.btnSearch, *dm.aqryPrinterData, "documentName")
                            .contains(tag))
                << box->objectName().toStdString();
        for (QLineEdit *box :
             {hosts.edtHhost, hosts.edtHDept, hosts.edtHIP, hosts.edtHem, hosts.edtHNet})
            EXPECT_TRUE(found(box, h.text, hosts.btnHSearch, *dm.aqryHost, "Tel").contains(tag))
                << box->objectName().toStdString();
    }
}
