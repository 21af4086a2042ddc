// TreeFile: the tree file format.
#include "TreeFile.h"

#include "CodePage.h"

#include <QFile>
#include <QSaveFile>

namespace vesk {

QByteArray TreeFileBytes(const TreeNodes &tree, int charset)
{
    QByteArray bytes;
    tree.ForEach([&](const TreeNode &node) {
        bytes.append(node.Level(), '\t');
        bytes.append(encodeCodePage(node.Text, charset));
        bytes.append("\r\n");
    });
    return bytes;
}

QStringList TreeFileLines(const TreeNodes &tree)
{
    QStringList lines;
    tree.ForEach([&](const TreeNode &node) { lines << QString(node.Level(), u'\t') + node.Text; });
    return lines;
}

bool WriteTreeFile(const QString &fileName, const TreeNodes &tree, int charset, QString *error)
{
    // Written beside and renamed over the old file, so a failed write keeps the last tree.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(TreeFileBytes(tree, charset)) < 0 ||
        !file.commit()) {
        if (error)
            *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

bool ParseTreeFile(const QByteArray &bytes, int charset, TreeNodes &tree, QString *error)
{
    tree.Clear();
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray text = zero < 0 ? bytes : bytes.left(zero);
    TreeNode *previous = nullptr;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const QByteArray line = text.mid(pos, end - pos);
        pos = end + 1; // past the CR or LF (or the end of the text)
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;

        int level = 0;
        while (level < line.size() && (line[level] == '\t' || line[level] == ' '))
            ++level;
        const QString item = decodeCodePage(line.mid(level), charset);
        if (previous == nullptr) {
            previous = tree.Add(item);
        } else if (previous->Level() == level) {
            previous = tree.AddChild(previous->Parent(), item);
        } else if (previous->Level() == level - 1) {
            previous = previous->AddChild(item);
        } else if (previous->Level() > level) {
            TreeNode *ancestor = previous->Parent();
            while (ancestor->Level() > level)
                ancestor = ancestor->Parent();
            previous = tree.AddChild(ancestor->Parent(), item);
        } else {
            if (error)
                *error = QString::fromLatin1(InvalidLevelText)
                             .replace(QStringLiteral("%d"), QString::number(level)) +
                         u'"' + item + u'"';
            return false;
        }
    }
    return true;
}

bool ReadTreeFile(const QString &fileName, int charset, TreeNodes &tree, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tree.Clear();
        if (error)
            *error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return ParseTreeFile(file.readAll(), charset, tree, error);
}

} // namespace vesk
