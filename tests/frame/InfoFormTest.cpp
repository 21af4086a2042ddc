// The information window: both programs' layouts, its caption and the agent's double-click.
#include "FrameEvents.h"
#include "LumoInfoForm.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// A data module whose catalogue knows the information caption.
struct CatalogueFixture
{
    explicit CatalogueFixture(TdmMain::Program program) : dm(program, dir.path())
    {
        const QString file = dir.filePath(QStringLiteral("English.ini"));
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write("[Lang]\r\nRSInformation=Details\r\n");
        f.close();
        dm.OpenIniFile(file);
        TLumoFrm::SetDataModule(&dm);
    }
    ~CatalogueFixture() { TLumoFrm::SetDataModule(nullptr); }

    QTemporaryDir dir;
    TdmMain dm;
};

const QString Record = QStringLiteral("Printer:HP 1\r\nDocument:a.txt\r\nComputer:\\\\PC1\r\n");

} // namespace

TEST(InfoForm, ConsoleLayoutAndCaption)
{
    CatalogueFixture cat(TdmMain::Program::Console);
    TLumoInfoFrm frm;
    EXPECT_EQ(frm.program(), TdmMain::Program::Console);
    frm.SetInfo(Record);
    ASSERT_TRUE(showAndWait(&frm));
    EXPECT_EQ(frm.size(), QSize(530, 373));
    EXPECT_EQ(frm.lblInfo->geometry(), QRect(80, 56, 393, 313));
    EXPECT_EQ(frm.lblCaption->text(), QStringLiteral("Details"));
    EXPECT_EQ(frm.lblInfo->text(),
              QStringLiteral("Printer:HP 1\nDocument:a.txt\nComputer:\\\\PC1\n"));
    // A dialog's frame: logo, caption and close only.
    EXPECT_FALSE(frm.ImgMaxSize->isVisible());
    EXPECT_FALSE(frm.ImgMinSize->isVisible());
    EXPECT_EQ(frm.ImgClose->pos(), QPoint(530 - 26, 6));

    // In the console a double-click on the text does nothing.
    doubleClick(frm.lblInfo, {20, 20});
    QCoreApplication::processEvents();
    EXPECT_TRUE(frm.isVisible());
}

TEST(InfoForm, AgentLayoutClosesOnDoubleClick)
{
    CatalogueFixture cat(TdmMain::Program::Agent);
    QWidget owner;
    auto *frm = new TLumoInfoFrm(&owner); // created, shown modally and freed by the caller
    EXPECT_EQ(frm->program(), TdmMain::Program::Agent);
    EXPECT_EQ(frm->size(), QSize(494, 320));
    EXPECT_EQ(frm->lblInfo->geometry(), QRect(56, 32, 393, 353));
    frm->SetInfo(Record);
    QString caption;
    QTimer::singleShot(0, frm, [&] {
        caption = frm->lblCaption->text();
        doubleClick(frm->lblInfo, {10, 10});
    });
    EXPECT_EQ(frm->exec(), QDialog::Rejected);
    EXPECT_EQ(caption, QStringLiteral("Details"));
    delete frm;
}

TEST(InfoForm, ExplicitLayoutAndNoCatalogue)
{
    TLumoInfoFrm console;
    EXPECT_EQ(console.program(), TdmMain::Program::Console); // without a data module
    TLumoInfoFrm agent(TdmMain::Program::Agent);
    ASSERT_TRUE(showAndWait(&agent));
    EXPECT_EQ(agent.size(), QSize(494, 320));
    EXPECT_TRUE(agent.lblCaption->text().isEmpty()); // a missing text is the empty text
    // The record's own text is shown as it is, even when it looks like markup.
    agent.SetInfo(QStringLiteral("Document:<b>report</b>\r\n"));
    EXPECT_EQ(agent.lblInfo->textFormat(), Qt::PlainText);
    const QImage img = agent.grab().toImage();
    EXPECT_EQ(img.size(), QSize(494, 320));
}
