// The reassignment dialog's state and rules without widgets: two departments side by side with
// their computers, and the moves between them.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vesk {

class TdmMain;

// Left: the destination department (Ds) and its computers (DstList); right: the source
// department (Src) and its computers (SrcList). Window thread only.
class ComputerAdjust
{
public:
    explicit ComputerAdjust(TdmMain &dm);

    // Reads the departments and both lists for `current` (on the left; on the right the one
    // listed before it, or the second for the first). False: fewer than two departments, or
    // `current` is not one of them (shown), or a database error (shown).
    bool Prepare(const QString &current);

    const QStringList &Departments() const { return departments_; }
    int DsIndex() const { return dsIndex_; }
    int SrcIndex() const { return srcIndex_; }
    const QStringList &DstList() const { return dstList_; }
    const QStringList &SrcList() const { return srcList_; }

    // Choosing a department on one side: refused (the selection goes back, false) when the other
    // side shows it; otherwise that side's list is read again.
    bool SelectDs(int index);
    bool SelectSrc(int index);

    // Moves the computers at the selected rows of SrcList into the left department (Include) or of
    // DstList into the right one (Exclude). Rows are visited from the last to the first, so the
    // other list gains them in reverse order. All updates of a move are one transaction; on an
    // error nothing moves (shown) and -1 is returned. Otherwise the row to select in the list
    // moved from (-1 when it is empty).
    int Include(const std::vector<int> &rows);
    int Exclude(const std::vector<int> &rows);

    bool IncludeEnabled() const { return !srcList_.isEmpty(); }
    bool ExcludeEnabled() const { return !dstList_.isEmpty(); }
    // A move has been written: the opener rebuilds its tree.
    bool Changed() const { return changed_; }

private:
    bool fill(const QString &dept, QStringList &list);
    int move(QStringList &from, QStringList &to, const QString &dept, std::vector<int> rows);

    TdmMain &dm_;
    QStringList departments_;
    int dsIndex_ = -1;
    int srcIndex_ = -1;
    QStringList dstList_;
    QStringList srcList_;
    bool changed_ = false;
};

} // namespace vesk
