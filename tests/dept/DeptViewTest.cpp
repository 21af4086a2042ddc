// The department view as real widgets: built at the console's first show, menus, drops, in-place
// rename, deletion, properties, logs and the reassignment dialog, with hostile names.
#include "ComputerAjustForm.h"
#include "ComputerMForm.h"
#include "DeptFixture.h"
#include "DeptMForm.h"
#include "DeptTreeView.h"
#include "HostMForm.h"
#include "NetworkPane.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace vesk::test {
namespace {

// Runs a step while its box is open, as the box's own event loop would.
class LoopingPresenter : public ScriptedPresenter
{
public:
    int present(const QString &title, const QString &text, unsigned style) override
    {
        if (whileOpen)
            whileOpen();
        return ScriptedPresenter::present(title, text, style);
    }
    std::function<void()> whileOpen;
};

class DeptView : public DeptFixture
{
protected:
    void SetUp() override
    {
        addOrganisation();
        window = std::make_unique<TComputerMFrm>(*dm);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->ShowView(u"deptTree"_qs);
        tree = window->DeptTree;
        tree->Log = [this](const QString &text) { log << text; };
        tree->Clock = [] { return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7)); };
    }
    void TearDown() override { window.reset(); }

    QStringList lines() const { return DeptTreeLines(tree->forest()); }
    QTreeWidgetItem *node(const QString &text) const
    {
        std::optional<NodePath> path = findNode(tree->forest(), NodeKind::Department, text);
        if (!path)
            path = findNode(tree->forest(), NodeKind::Computer, text);
        return path ? tree->itemAtPath(*path) : nullptr;
    }
    void select(const QString &text) { tree->setCurrentItem(node(text)); }

    std::unique_ptr<TComputerMFrm> window;
    TDeptTreeView *tree = nullptr;
    QStringList log;
};

TEST_F(DeptView, IsBuiltAtFirstShowWithMenusForDepartmentsAndComputersOnly)
{
    EXPECT_EQ(lines(), (QStringList{"Default Department", SalesDept, "\tPC'1", "\t\tP1", "\t\tP2",
                                    "\tPC2", "\t" + LabDept, "\t\tLAB1"}));
    EXPECT_TRUE(node(SalesDept)->isExpanded());
    select(SalesDept);
    EXPECT_EQ(tree->DeptTreeMouseUp({10, 10}), tree->pmDeptTree);
    EXPECT_EQ(tree->MenuComputerAdjust->text(), lang("RSComputerAjust"));
    tree->pmDeptTree->hide();
    select(u"PC2"_qs);
    EXPECT_EQ(tree->DeptTreeMouseUp({10, 10}), tree->pmDeptTreeComputer);
    EXPECT_FALSE(tree->MenuAddprinter->isVisible());
    tree->pmDeptTreeComputer->hide();
    tree->setCurrentItem(node(u"PC'1"_qs)->child(0)); // a printer
    EXPECT_EQ(tree->DeptTreeMouseUp({10, 10}), nullptr);
}

TEST_F(DeptView, DropsWriteFirstAndMoveTheNodeOnlyWhenWritten)
{
    select(LabDept);
    EXPECT_FALSE(tree->DeptTreeDragOver(node(u"LAB1"_qs)));
    tree->DeptTreeDragDrop(node(u"Default Department"_qs));
    select(u"PC'1"_qs);
    tree->DeptTreeDragDrop(node(LabDept));
    EXPECT_EQ(lines(), (QStringList{"Default Department", "\t" + LabDept, "\t\tLAB1", "\t\tPC'1",
                                    "\t\t\tP1", "\t\t\tP2", SalesDept, "\tPC2"}));
    EXPECT_EQ(rows(u"select SuperName from tDept where Name='R&D [Lab]'"_qs),
              QStringList{"Default Department"});
    EXPECT_EQ(rows(u"select DeptName from tHost where HostName='PC''1'"_qs), QStringList{LabDept});
    // Onto its own descendant: refused. A failing update: the node stays, the error is shown.
    select(u"Default Department"_qs);
    EXPECT_FALSE(tree->DeptTreeDragOver(node(LabDept)));
    exec(u"create trigger fail after update on tHost begin select raise(abort, 'boom'); end"_qs);
    select(u"PC2"_qs);
    tree->DeptTreeDragDrop(node(LabDept));
    EXPECT_EQ(lines().mid(6), (QStringList{SalesDept, "\tPC2"}));
    EXPECT_TRUE(boxTexts().join(u'/').contains(u"boom"_qs));
}

TEST_F(DeptView, InPlaceRenameCarriesOverOrKeepsTheOldText)
{
    EXPECT_FALSE(tree->DeptTreeEditing(node(u"Default Department"_qs)));
    EXPECT_FALSE(tree->DeptTreeEditing(node(u"PC2"_qs)));
    // Through the real editor: F2, type, Enter.
    select(SalesDept);
    tree->editItem(node(SalesDept));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(u"Lab's Corner"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor commits from the event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return node(u"Lab's Corner"_qs) != nullptr; }));
    EXPECT_EQ(node(u"Lab's Corner"_qs)->childCount(), 3);
    EXPECT_EQ(count(u"select count(*) from tHost where DeptName='Lab''s Corner'"_qs), 2);
    // A name another department has: refused with the message, the node keeps its text.
    EXPECT_FALSE(tree->DeptTreeEdited(node(LabDept), u"LAB'S CORNER"_qs));
    EXPECT_EQ(boxTexts(), QStringList{"Another department is already called LAB'S CORNER."});
    EXPECT_NE(node(LabDept), nullptr);
}

TEST_F(DeptView, DeletingADepartmentMovesItsChildrenInOrder)
{
    select(SalesDept);
    boxes.answer(IDOK);
    tree->MenuDelDeptClick();
    EXPECT_EQ(lines(), (QStringList{"Default Department", "\tPC'1", "\t\tP1", "\t\tP2", "\tPC2",
                                    "\t" + LabDept, "\t\tLAB1"}));
    // The view and the database agree.
    tree->RebuildDeptTree();
    EXPECT_EQ(lines().size(), 7);
    select(u"Default Department"_qs);
    tree->MenuDelDeptClick();
    EXPECT_EQ(boxTexts().last(), lang("RSDefaultDeptNo"));
}

TEST_F(DeptView, PropertiesLogsAndComputerDeletion)
{
    select(SalesDept);
    tree->ShowModal = [](QDialog &d) {
        auto &f = dynamic_cast<TDeptMFrm &>(d);
        f.edtName->setText(u"Lab's Corner"_qs);
        f.edtManager->setText(u"O'Brien"_qs);
        return int(QDialog::Accepted);
    };
    tree->MenuFormClick();
    EXPECT_EQ(tree->currentItem()->text(0), u"Lab's Corner"_qs);
    EXPECT_EQ(rows(u"select Name, Manager from tDept where SuperName='-1' and Name<>"
                   "'Default Department'"_qs),
              QStringList{"Lab's Corner|O'Brien"});
    tree->MenuLogDeptClick();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains(u"\r\nManager:O'Brien\r\n"_qs));

    select(u"PC'1"_qs);
    tree->ShowModal = [](QDialog &d) {
        dynamic_cast<THostMFrm &>(d).edtName->setText(u"PC'9"_qs);
        return int(QDialog::Accepted);
    };
    tree->MenuIComputeFomClick();
    EXPECT_EQ(tree->currentItem()->text(0), u"PC'9"_qs);
    EXPECT_TRUE(log.last().startsWith(u"Update computer PC'9:succeeded:"_qs));
    boxes.answer(IDCANCEL);
    tree->MenudeleteComputerClick();
    EXPECT_NE(node(u"PC'9"_qs), nullptr);
    boxes.answer(IDOK);
    tree->MenudeleteComputerClick();
    EXPECT_EQ(node(u"PC'9"_qs), nullptr);
    EXPECT_EQ(count(u"select count(*) from tHost where HostName='PC''9'"_qs), 0);
    EXPECT_EQ(count(u"select count(*) from tPrinter where HostName='PC''9'"_qs), 2);
    EXPECT_TRUE(log.last().startsWith(u"Delete computer PC'9:succeeded:"_qs));
}

TEST_F(DeptView, ReassignmentRebuildsTheTreeOnlyAfterAMove)
{
    select(LabDept);
    tree->ShowModal = [](QDialog &d) {
        auto &f = dynamic_cast<TComputerAdjustFrm &>(d);
        EXPECT_EQ(f.DsCombox->currentText(), LabDept);
        f.SrcCombox->setCurrentIndex(f.SrcCombox->findText(SalesDept));
        // Choosing the left side's department on the right is undone.
        f.SrcCombox->setCurrentIndex(f.DsCombox->currentIndex());
        EXPECT_EQ(f.SrcCombox->currentText(), SalesDept);
        EXPECT_EQ(f.SrcList->count(), 2);
        f.SrcList->item(0)->setSelected(true);
        f.SrcList->item(1)->setSelected(true);
        f.IncludeBtn->click();
        EXPECT_EQ(f.DstList->count(), 3);
        EXPECT_FALSE(f.IncludeBtn->isEnabled());
        return int(QDialog::Accepted);
    };
    QTreeWidgetItem *before = node(LabDept);
    tree->MenuComputerAdjustClick();
    EXPECT_NE(node(LabDept), before); // rebuilt
    // Computers in the order of their rows.
    EXPECT_EQ(lines(), (QStringList{"Default Department", SalesDept, "\t" + LabDept, "\t\tPC'1",
                                    "\t\t\tP1", "\t\t\tP2", "\t\tPC2", "\t\tLAB1"}));
}

// The end of a host collection rebuilds the tree through a queued call, which runs inside the
// nested loop of a command's question or window: the command then works on the rebuilt tree.
TEST_F(DeptView, CommandsSurviveATreeRebuiltWhileTheirQuestionOrWindowIsOpen)
{
    const auto rebuildWhileOpen = [this] {
        QMetaObject::invokeMethod(
            window->NetworkPane.get(),
            [this] {
                TreeNodes nodes;
                QString error;
                window->NetworkPane->RebuildDeptTree(nodes, &error);
            },
            Qt::QueuedConnection);
        QCoreApplication::processEvents();
    };
    LoopingPresenter questions;
    questions.whileOpen = rebuildWhileOpen;
    dm->setMessagePresenter(&questions);
    const struct
    {
        const char *name;
        QString selected;
        void (TDeptTreeView::*command)();
        QString newName; // typed into the properties window
        QString gone, shown;
    } cases[] = {
        {"delete computer", u"PC2"_qs, &TDeptTreeView::MenudeleteComputerClick, {}, u"PC2"_qs, {}},
        {"delete department", LabDept, &TDeptTreeView::MenuDelDeptClick, {}, LabDept, u"LAB1"_qs},
        {"department properties", SalesDept, &TDeptTreeView::MenuFormClick, u"Lab's Corner"_qs,
         SalesDept, u"Lab's Corner"_qs},
        {"computer properties", u"PC'1"_qs, &TDeptTreeView::MenuIComputeFomClick, u"PC'9"_qs,
         u"PC'1"_qs, u"PC'9"_qs},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        select(c.selected);
        tree->ShowModal = [&](QDialog &d) {
            rebuildWhileOpen();
            if (auto *dept = dynamic_cast<TDeptMFrm *>(&d))
                dept->edtName->setText(c.newName);
            if (auto *host = dynamic_cast<THostMFrm *>(&d))
                host->edtName->setText(c.newName);
            return int(QDialog::Accepted);
        };
        (tree->*c.command)();
        EXPECT_EQ(node(c.gone), nullptr);
        if (!c.shown.isEmpty()) {
            EXPECT_NE(node(c.shown), nullptr);
        }
        // The view and the database agree.
        EXPECT_EQ(lines(), DeptTreeLines(LoadDeptTree(dm->acntVesk.database())));
    }
    dm->setMessagePresenter(&boxes);
}

} // namespace
} // namespace vesk::test
