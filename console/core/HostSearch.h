// The computer directory search: statement text from the six boxes.
#pragma once

#include "SearchStatement.h"

#include <QString>

namespace vesk {

struct HostCriteria
{
    QString host;
    QString dept;
    QString em;
    QString ip;
    QString tel;
    QString net;
};

// The statement that shows every computer (reset and start-up).
QString HostAllStatement();

// "select * from tHost " followed by the filter. The conditions are collected as
// " AND <column> like '%text%'" in the order computer, department, employee, IP, telephone,
// workgroup; a non-empty filter becomes " where " + the collected text from its fifth
// character on, so two blanks stand on each side of "where". No condition: no filter.
SearchStatement HostSearch(const HostCriteria &criteria);

} // namespace vesk
