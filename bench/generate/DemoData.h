// Demo and benchmark data: departments, computers, printers and years of print records.
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace vesk {

struct DemoOptions
{
    qint64 records = 300;    // print records
    int hosts = 40;          // computers
    quint32 seed = 20240301; // the same seed gives the same database
    QDate firstDay;          // default: three years before lastDay
    QDate lastDay;           // default: today
    // Catalogue lookup for "RSUnkown" (records from unknown computers); "Unknown" without one.
    std::function<QString(const QString &key)> lang;
    // Called now and then with the records written so far.
    std::function<void(qint64 written)> progress;
};

// Adds the rows to a database made with the product's schema, in one write transaction.
// Records are appended in chronological order, as the agents store them. False with the
// database's text.
bool fillDemoDatabase(QSqlDatabase &db, const DemoOptions &options, QString *error = nullptr);

// Makes `copies` records of every print record in the database (on the server), for a large
// history without the generator's hours. Each copy keeps its record's day, computer, printer and
// pages; its document gets a new number of the same kind and its time a new time of day, drawn
// as the generator draws them, so the shares of days and computers stay as generated and the
// density grows `copies` times. The rows are written again in time order (the paging key
// numbered anew), the indexes built once they are in. False with the database's text.
bool multiplyPrintRecords(QSqlDatabase &db, int copies, QString *error = nullptr);

} // namespace vesk
