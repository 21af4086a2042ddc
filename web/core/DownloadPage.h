// The downloads of a search: history.csv, history.xlsx and the grouped report.pdf, made in a
// temporary folder and handed to the server as an open file.
#pragma once

#include "WebPage.h"

#include <QSqlDatabase>

namespace vesk::web {

// The file is the one the path names after /download/.
Response DownloadPage(const Request &r, const QSqlDatabase &db, const PageContext &c);

} // namespace vesk::web
