// The department rules without windows: the tree, drops, generated names, deletion, renames with
// their carry-over, properties, log blocks and reassignment, on a real SQLite file.
#include "ComputerAdjust.h"
#include "DeptFixture.h"
#include "DeptOperations.h"
#include "DeptTree.h"
#include "HostOperations.h"
#include "LogDateTime.h"
#include "MessageFlags.h"

namespace vesk::test {
namespace {

using DeptRules = DeptFixture;

QStringList treeLines(TdmMain &dm, const std::optional<QString> &parent = {})
{
    return DeptTreeLines(LoadDeptTree(dm.acntVesk.database(), parent));
}

TEST_F(DeptRules, TreeHoldsComputersBeforeSubDepartmentsAndMatchesNamesInAnyCase)
{
    addOrganisation();
    // Two rows of one name, one under the other, must not make the tree endless.
    exec(u"insert into tDept (Name, SuperName) values ('Twin', '-1'), ('Twin', 'Twin')"_qs);
    EXPECT_EQ(treeLines(*dm),
              (QStringList{"Default Department", SalesDept, "\tPC'1", "\t\tP1", "\t\tP2", "\tPC2",
                           "\t" + LabDept, "\t\tLAB1", "Twin", "\tTwin"}));
    EXPECT_EQ(treeLines(*dm, SalesDept), (QStringList{LabDept, "\tLAB1"}));
}

TEST(DeptDragRules, AcceptOnlyDepartmentTargetsOutsideTheDraggedSubtree)
{
    const DeptNode printer{"P", NodeKind::Printer, {}};
    const DeptNode computer{"C", NodeKind::Computer, {printer}};
    const DeptNode b{"B", NodeKind::Department, {computer}};
    const DeptNode a{"A", NodeKind::Department, {b}};
    const DeptNode otherB{"B", NodeKind::Department, {}};
    const DeptNode lowerB{"b", NodeKind::Department, {}};
    const struct
    {
        const DeptNode &dragged, &target;
        bool accepted;
    } cases[] = {
        {a, b, false},        // onto its own descendant
        {b, a, true},         // back under its parent
        {b, otherB, false},   // onto a department of the same name elsewhere
        {a, lowerB, true},    // names compare with letter case
        {computer, a, true},  // a computer onto a department
        {printer, a, false},  // printers are not dragged
        {a, computer, false}, // only departments receive drops
        {a, otherB, false},   // a descendant by name
    };
    for (const auto &c : cases)
        EXPECT_EQ(CanDropOn(c.dragged, c.target), c.accepted)
            << c.dragged.text.toStdString() << " onto " << c.target.text.toStdString();
}

TEST_F(DeptRules, GeneratedNameIsTheFirstThatNoRowCarries)
{
    exec(u"insert into tDept (Name, SuperName) values ('New Department1', 'nowhere'), "
         "('NEW DEPARTMENT2', 'nowhere')"_qs);
    EXPECT_EQ(DeptOperations(*dm).GetNewDeptName(), u"New Department3"_qs);
}

TEST_F(DeptRules, DeleteReattachesDirectChildrenInOneTransaction)
{
    addOrganisation();
    exec(u"insert into tWebAccount (Name, PasswordHash, DeptName, IsAdmin, Disabled) values "
         "('head', 'h', 'Sales & Marketing''s', 0, 0), ('lab', 'h', 'R&D [Lab]', 0, 0)"_qs);
    DeptOperations ops(*dm);
    // Top-level: to the default department; the children keep their order.
    const std::optional<NodePath> target = ops.DeleteDept(LoadDeptTree(ops.database()), {1});
    ASSERT_TRUE(target);
    EXPECT_EQ(*target, (NodePath{0}));
    EXPECT_EQ(treeLines(*dm), (QStringList{"Default Department", "\tPC'1", "\t\tP1", "\t\tP2",
                                           "\tPC2", "\t" + LabDept, "\t\tLAB1"}));
    // Nested: to the parent.
    ASSERT_TRUE(ops.DeleteDept(LoadDeptTree(ops.database()), {0, 2}));
    EXPECT_EQ(rows(u"select HostName, DeptName from tHost where HostName='LAB1'"_qs),
              QStringList{"LAB1|Default Department"});
    EXPECT_EQ(count(u"select count(*) from tDept"_qs), 1);
    EXPECT_EQ(boxes.shown.size(), 2u); // the two questions
    // The departments' web accounts do not follow the computers: they are disabled.
    EXPECT_EQ(rows(u"select Name, coalesce(DeptName, '-'), Disabled from tWebAccount "
                   "order by Name"_qs),
              (QStringList{"head|-|1", "lab|-|1"}));
}

// Another console or `vesk dept add` may have added children since the tree was read.
TEST_F(DeptRules, DeleteReattachesTheChildrenTheDatabaseHoldsShownOrNot)
{
    addOrganisation();
    const struct
    {
        QString dept;
        const char *addedMeanwhile;
        const char *check;
        QString receiver;
    } cases[] = {
        {LabDept, "insert into tHost (HostName, DeptName) values ('LATE', 'R&D [Lab]')",
         "select DeptName from tHost where HostName in ('LATE', 'LAB1')", SalesDept},
        {SalesDept, "insert into tDept (Name, SuperName) values ('Team', 'Sales & Marketing''s')",
         "select SuperName from tDept where Name='Team' union all "
         "select DeptName from tHost where HostName in ('PC2', 'LATE')",
         u"Default Department"_qs},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dept.toStdString());
        DeptOperations ops(*dm);
        const DeptForest shown = LoadDeptTree(ops.database());
        exec(QString::fromLatin1(c.addedMeanwhile));
        boxes.answer(IDOK);
        ASSERT_TRUE(ops.DeleteDept(shown, findNode(shown, NodeKind::Department, c.dept).value()));
        const QStringList receivers = rows(QString::fromLatin1(c.check));
        EXPECT_EQ(receivers.size(), receivers.count(c.receiver))
            << receivers.join(u'/').toStdString();
    }
}

// Two rows of one name, or a row changed elsewhere between reading and saving: the save changes
// the row it read or nothing.
TEST_F(DeptRules, PropertiesSaveOnlyTheRowTheyRead)
{
    addOrganisation();
    exec(u"insert into tDept (Name, SuperName) values ('Twin', '-1'), ('Twin', '-1')"_qs);
    const struct
    {
        const char *name;
        bool dept;
        QString read;
        const char *meanwhile;
        bool saved;
    } cases[] = {
        {"two departments of one name", true, u"Twin"_qs, "", true},
        {"a second computer of the name since", false, u"PC2"_qs,
         "insert into tHost (HostName) values ('PC2')", true},
        {"the computer renamed since", false, u"LAB1"_qs,
         "update tHost set HostName='LAB7' where HostName='LAB1'", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DeptOperations ops(*dm);
        HostOperations hosts(*dm);
        bool saved = false;
        if (c.dept) {
            std::optional<DeptRecord> r = ops.ReadDept(c.read);
            ASSERT_TRUE(r);
            r->Manager = u"Ann"_qs;
            saved = ops.SaveDept(c.read, *r);
        } else {
            std::optional<HostRecord> r = hosts.ReadHost(c.read);
            ASSERT_TRUE(r);
            if (*c.meanwhile)
                exec(QString::fromLatin1(c.meanwhile));
            r->EmName = u"Ann"_qs;
            saved = hosts.SaveHost(c.read, *r);
        }
        EXPECT_EQ(saved, c.saved);
        EXPECT_EQ(count(u"select count(*) from tDept where Manager='Ann'"_qs) +
                      count(u"select count(*) from tHost where EmName='Ann'"_qs),
                  c.saved ? 1 : 0);
        exec(u"update tDept set Manager=null"_qs);
        exec(u"update tHost set EmName=null"_qs);
    }
}

TEST_F(DeptRules, ComputerPropertiesRefuseAnEmptyName)
{
    addOrganisation();
    const QStringList before = rows(u"select * from tHost"_qs) + rows(u"select * from tPrinter"_qs);
    for (const QString &name : {QString(), u"   "_qs}) {
        HostOperations ops(*dm);
        std::optional<HostRecord> r = ops.ReadHost(u"PC2"_qs);
        ASSERT_TRUE(r);
        r->HostName = name;
        boxes.shown.clear();
        EXPECT_FALSE(ops.SaveHost(u"PC2"_qs, *r));
        EXPECT_EQ(boxTexts(), QStringList{lang("RSHostNameInvalid")});
        EXPECT_EQ(rows(u"select * from tHost"_qs) + rows(u"select * from tPrinter"_qs), before);
    }
}

TEST_F(DeptRules, DeleteRefusesWithoutChangingAnything)
{
    addOrganisation();
    const struct
    {
        const char *name;
        DeptForest forest;
        int answer; // to the question, 0 when none is asked
        QString box;
        const char *setup;
    } cases[] = {
        {"default in any case",
         {{"DEFAULT department", NodeKind::Department, {}}},
         0,
         "The default department cannot be edited or deleted.",
         ""},
        {"cancelled", {}, IDCANCEL, "", ""},
        {"failing half-way",
         {},
         IDOK,
         "boom",
         "create trigger fail after update on tHost begin select raise(abort, 'boom'); end"},
        {"no default department",
         {},
         IDOK,
         lang("RSNoDefaultDept"),
         "delete from tDept where Name='Default Department'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (*c.setup)
            exec(QString::fromLatin1(c.setup));
        const QStringList before =
            rows(u"select * from tDept"_qs) + rows(u"select * from tHost"_qs);
        boxes.shown.clear();
        if (c.answer)
            boxes.answer(c.answer);
        DeptOperations ops(*dm);
        const DeptForest forest = c.forest.empty() ? LoadDeptTree(ops.database()) : c.forest;
        const NodePath path = c.forest.empty()
                                  ? findNode(forest, NodeKind::Department, SalesDept).value()
                                  : NodePath{0};
        EXPECT_FALSE(ops.DeleteDept(forest, path));
        if (!c.box.isEmpty()) {
            EXPECT_TRUE(boxTexts().join(u'/').contains(c.box))
                << boxTexts().join(u'/').toStdString();
        }
        EXPECT_EQ(rows(u"select * from tDept"_qs) + rows(u"select * from tHost"_qs), before);
    }
}

// The in-place rename and the properties window carry a new name over alike.
class DeptRename : public DeptFixture, public ::testing::WithParamInterface<bool>
{
protected:
    bool rename(const QString &from, const QString &to)
    {
        DeptOperations ops(*dm);
        if (GetParam())
            return ops.RenameDept(from, to);
        std::optional<DeptRecord> r = ops.ReadDept(from);
        if (!r)
            return false;
        const QString old = r->Name;
        r->Name = to;
        r->Manager = u"O'Brien"_qs;
        return ops.SaveDept(old, *r);
    }
};

TEST_P(DeptRename, CarriesTheNameOverInSixTables)
{
    addOrganisation();
    exec(u"insert into tWebAccount (Name, PasswordHash, DeptName, IsAdmin, Disabled) values "
         "('head', 'h', 'Sales & Marketing''s', 0, 0)"_qs);
    const QString corner = u"Lab's Corner [2]"_qs;
    ASSERT_TRUE(rename(SalesDept, corner)) << boxTexts().join(u'/').toStdString();
    EXPECT_EQ(count(u"select count(*) from tDept where Name='Lab''s Corner [2]'"_qs), 1);
    EXPECT_EQ(count(u"select count(*) from tDept where SuperName='Lab''s Corner [2]'"_qs), 1);
    EXPECT_EQ(count(u"select count(*) from tHost where DeptName='Lab''s Corner [2]'"_qs), 2);
    EXPECT_EQ(count(u"select count(*) from tPrinter where DeptName='Lab''s Corner [2]'"_qs), 1);
    EXPECT_EQ(count(u"select count(*) from tPrinterData where DeptName='Lab''s Corner [2]'"_qs), 1);
    EXPECT_EQ(count(u"select count(*) from tWebAccount where DeptName='Lab''s Corner [2]'"_qs), 1);
    if (!GetParam()) {
        EXPECT_EQ(rows(u"select Manager from tDept where Name='Lab''s Corner [2]'"_qs),
                  QStringList{"O'Brien"});
    }
}

TEST_P(DeptRename, IsAllOrNothingAndRefusesTakenOrUnusableNames)
{
    addOrganisation();
    const QString all = u"select Name, SuperName from tDept union all select DeptName, '' from "
                        "tHost union all select DeptName, '' from tPrinterData"_qs;
    const QStringList before = rows(all);
    exec(u"create trigger fail after update on tPrinterData begin select raise(abort, 'boom'); "
         "end"_qs);
    const struct
    {
        QString to;
        QString box;
    } cases[] = {
        {u"Elsewhere"_qs, u"boom"_qs},
        {u"r&d [LAB]"_qs, u"Another department is already called r&d [LAB]."_qs},
        {u"default DEPARTMENT"_qs, u"Another department is already called default DEPARTMENT."_qs},
        {u"  "_qs, lang("RSDeptNameInvalid")},
        {u"-1"_qs, lang("RSDeptNameInvalid")},
    };
    for (const auto &c : cases) {
        boxes.shown.clear();
        EXPECT_FALSE(rename(SalesDept, c.to)) << c.to.toStdString();
        EXPECT_TRUE(boxTexts().join(u'/').contains(c.box)) << boxTexts().join(u'/').toStdString();
        EXPECT_EQ(rows(all), before);
    }
    boxes.shown.clear();
    EXPECT_FALSE(rename(u"Default Department"_qs, u"Other"_qs));
    EXPECT_EQ(boxTexts(), QStringList{lang("RSDefaultDeptNo")});
    // A change of letter case only is the department's own name.
    exec(u"drop trigger fail"_qs);
    EXPECT_TRUE(rename(SalesDept, SalesDept.toUpper()));
}

INSTANTIATE_TEST_SUITE_P(InPlaceAndProperties, DeptRename, ::testing::Bool(), [](const auto &info) {
    return std::string(info.param ? "InPlace" : "Properties");
});

TEST_F(DeptRules, ComputerPropertiesCarryTheNameIntoPrintersOnly)
{
    addOrganisation();
    HostOperations ops(*dm);
    std::optional<HostRecord> r = ops.ReadHost(u"pc'1"_qs);
    ASSERT_TRUE(r);
    r->HostName = u"pc2"_qs;
    EXPECT_FALSE(ops.SaveHost(u"PC'1"_qs, *r));
    EXPECT_EQ(boxTexts(), QStringList{"Another computer is already called pc2."});
    r->HostName = u"PC'9"_qs;
    r->IP = u"10.0.0.9"_qs;
    ASSERT_TRUE(ops.SaveHost(u"PC'1"_qs, *r));
    EXPECT_EQ(rows(u"select Name, HostName from tPrinter order by Name"_qs),
              (QStringList{"P1|PC'9", "P2|PC'9"}));
    EXPECT_EQ(count(u"select count(*) from tPrinterData where hostName='PC''1'"_qs), 1);
    EXPECT_EQ(rows(u"select IP, DeptName from tHost where HostName='PC''9'"_qs),
              QStringList{"10.0.0.9|Sales & Marketing's"});
    // Two rows of one name, or none: the warning, and no window.
    exec(u"insert into tHost (HostName) values ('LAB1')"_qs);
    boxes.shown.clear();
    EXPECT_FALSE(ops.ReadHost(u"LAB1"_qs));
    EXPECT_FALSE(ops.ReadHost(u"Nobody"_qs));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, lang("RSExistSameCompute"));
    EXPECT_EQ(boxes.shown[0].style & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(DeptRules, LogBlocksAreByteForByte)
{
    addOrganisation();
    exec(u"update tDept set Manager='Ann', tel='1', Fax='2' where Name='R&D [Lab]'"_qs);
    exec(u"update tHost set IP='10.0.0.1', MAC='00-11', tNetGroup='WG', EmName='Eve', Tel='3', "
         "Fax='4', Email='e@x', Memo='m' where HostName='LAB1'"_qs);
    const QDateTime when(QDate(2026, 3, 1), QTime(9, 5, 7));
    const QString stars(47, u'*');
    DeptOperations ops(*dm);
    EXPECT_EQ(ops.DeptLogBlock(LabDept, when),
              LogDateTime(when) + stars +
                  "\r\nName:R&D [Lab]\r\nManager:Ann\r\nPhone:1\r\nFax:2"
                  "\r\nNotes:\r\n" +
                  stars + "\r\n");
    EXPECT_EQ(HostOperations(*dm).HostLogBlock(u"lab1"_qs, when),
              LogDateTime(when) + stars +
                  "\r\nComputer:LAB1\r\nIP:10.0.0.1\r\nMAC:00-11\r\nWorkgroup:WG\r\nEmployee:Eve"
                  "\r\nDepartment:R&D [Lab]\r\nPhone:3\r\nFax:4\r\nE-mail:e@x\r\nNotes:m\r\n" +
                  stars + "\r\n");
    EXPECT_FALSE(ops.DeptLogBlock(u"Nobody"_qs, when));
    EXPECT_EQ(HostOperations(*dm).ModifyComputeLine(u"PC'9"_qs, when),
              "Update computer PC'9:succeeded:" + LogDateTime(when));
}

TEST_F(DeptRules, ReassignmentPairsDepartmentsAndMovesInReverseOrder)
{
    addOrganisation();
    exec(u"insert into tHost (HostName, DeptName) values ('A', 'R&D [Lab]'), "
         "('B', 'R&D [Lab]'), ('C', 'R&D [Lab]')"_qs);
    // Departments are listed in the order the query returns them.
    ComputerAdjust probe(*dm);
    ASSERT_TRUE(probe.Prepare(LabDept));
    const QStringList names = probe.Departments();
    ASSERT_EQ(names.size(), 3);
    {
        ComputerAdjust first(*dm);
        ASSERT_TRUE(first.Prepare(names[0]));
        EXPECT_EQ(first.SrcIndex(), 1); // the second one
    }
    ComputerAdjust adjust(*dm);
    ASSERT_TRUE(adjust.Prepare(names[2]));
    EXPECT_EQ(adjust.SrcIndex(), 1); // the one before
    // The right side cannot show the left side's department.
    EXPECT_FALSE(adjust.SelectSrc(2));
    EXPECT_EQ(adjust.SrcIndex(), 1);
    ASSERT_TRUE(adjust.Prepare(LabDept));
    // A, B and C from the left into the right department: appended as C, B, A.
    ASSERT_TRUE(adjust.SelectSrc(static_cast<int>(names.indexOf(u"Default Department"_qs))));
    EXPECT_EQ(adjust.DstList(), (QStringList{"LAB1", "A", "B", "C"}));
    EXPECT_EQ(adjust.Exclude({1, 2, 3}), 0);
    EXPECT_EQ(adjust.SrcList(), (QStringList{"C", "B", "A"}));
    EXPECT_EQ(adjust.DstList(), QStringList{"LAB1"});
    EXPECT_EQ(count(u"select count(*) from tHost where DeptName='Default Department'"_qs), 3);
    EXPECT_TRUE(adjust.Changed());
    EXPECT_EQ(adjust.Exclude({0}), -1); // the left list is empty now
    EXPECT_FALSE(adjust.ExcludeEnabled());
    // Fewer than two departments: no dialog.
    exec(u"delete from tDept where Name<>'Default Department'"_qs);
    EXPECT_FALSE(ComputerAdjust(*dm).Prepare(u"Default Department"_qs));
}

} // namespace
} // namespace vesk::test
