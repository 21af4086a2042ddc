// A search of a console view: the statement to run and the WHERE clause kept for print and export.
#pragma once

#include <QString>

namespace vesk {

struct SearchStatement
{
    QString statement;
    QString filter; // empty, or beginning with " where "
};

} // namespace vesk
