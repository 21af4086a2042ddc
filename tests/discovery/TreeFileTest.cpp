// Tree files: the bytes written, the reading rules and their error, code pages.
#include "TreeFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// The tree as "level:text" lines, for comparing.
QStringList Shape(const TreeNodes &tree)
{
    QStringList lines;
    tree.ForEach(
        [&](const TreeNode &n) { lines << QStringLiteral("%1:%2").arg(n.Level()).arg(n.Text); });
    return lines;
}

} // namespace

TEST(TreeFile, WritesTabLevelsAndCrLf)
{
    TreeNodes tree;
    TreeNode *r = tree.Add(QStringLiteral("R"), 0);
    r->AddChild(QStringLiteral("G"), 1)->AddChild(QStringLiteral("\\\\C"), 2);
    EXPECT_EQ(TreeFileBytes(tree, 0), QByteArray("R\r\n\tG\r\n\t\t\\\\C\r\n"));
    EXPECT_EQ(TreeFileBytes(TreeNodes(), 0), QByteArray());
}

TEST(TreeFile, ReadsByTheLevelRules)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QStringList shape;
        QString error;
    };
    const Case cases[] = {
        {"five lines",
         "A\r\n\tB\r\n\t\tC\r\n\tD\r\nE\r\n",
         {"0:A", "1:B", "2:C", "1:D", "0:E"},
         {}},
        {"any line end, zero byte ends",
         "A\n\tB\r\tC\r\n\t\tD\r\nX\0Y",
         {"0:A", "1:B", "1:C", "2:D", "0:X"},
         {}},
        {"first line is top-level", "\t\tA\r\n\tB\r\n", {"0:A", "1:B"}, {}},
        {"blanks count as levels", "A\r\n B\r\n", {"0:A", "1:B"}, {}},
        {"two blanks after level 0",
         "A\r\n  B\r\nC\r\n",
         {"0:A"},
         QStringLiteral("Invalid level (2) for item \"B\"")},
        {"empty file", "", {}, {}},
    };
    for (const Case &c : cases) {
        TreeNodes tree;
        tree.Add(QStringLiteral("old"));
        QString error;
        EXPECT_EQ(ParseTreeFile(c.bytes, 0, tree, &error), c.error.isEmpty()) << c.name;
        EXPECT_EQ(Shape(tree), c.shape) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
}

TEST(TreeFile, RoundTripsInTheConfiguredCodePage)
{
    TreeNodes tree;
    TreeNode *root = tree.Add(QStringLiteral("网络"));
    TreeNode *group = root->AddChild(QStringLiteral("财务部"));
    group->AddChild(QStringLiteral("\\\\PC1"))->AddChild(QStringLiteral("\\\\PC1\\激光"));
    root->AddChild(QStringLiteral("LAB"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("NetDate.dat"));
    QString error;
    ASSERT_TRUE(WriteTreeFile(file, tree, 134, &error)) << error.toStdString();
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    // GBK, no byte-order mark: 网络 is CD F8 C2 E7.
    EXPECT_TRUE(bytes.startsWith("\xCD\xF8\xC2\xE7\r\n\t")) << bytes.toHex().constData();

    TreeNodes back;
    ASSERT_TRUE(ReadTreeFile(file, 134, back, &error));
    EXPECT_EQ(Shape(back), Shape(tree));
    EXPECT_FALSE(ReadTreeFile(dir.filePath(QStringLiteral("missing.dat")), 134, back, &error));
}
