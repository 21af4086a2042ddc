// The journal of taken-in rows: every listed row stays in a file in the application folder until
// a save has committed it, so a killed agent or an unreachable database loses no print record.
//
// Exactly once. Each row carries a unique id. The save inserts, in one transaction, the row into
// tPrinterData and its id into the marker table tSavedRecord, and skips rows whose id is already
// there. Only after the commit is the journal rewritten without the saved rows (a temporary file
// renamed over the old one), and only ids that are then provably gone from the journal file have
// their markers deleted. A crash between the commit and the rewrite therefore leaves rows in the
// journal whose markers say "already stored": they are listed again at the next start and the
// next save skips them, so no row is written twice; a crash before the commit leaves rows without
// markers, which the next save writes. A marker only lives between a commit and the rewrite that
// follows it, so the marker table stays near empty.
//
// Job marks. The journal also keeps, per monitored printer, the point its monitor resumes from
// (see PrinterMonThread.cpp): every job up to UpTo was handed over, except the Open ids. A row
// carries its job id and the point after it, written in the same line as the row, so the row and
// the mark become durable together; a rewrite writes the marks after the rows. The journal
// admits a job only above the mark or among its open ids, so a job that was handed over once is
// never listed again, whatever a restarted or stopped monitor reports twice.
//
// File format: one JSON object per line, appended, flushed and fsync'ed per line:
// {"id": ..., "cells": [12 texts], "job": N, "upTo": N, "open": [ids]} for a row (the last three
// only with a mark; the cells appended since, such as "outcome", each under its own key when not
// empty, so journals of either version read in both) and {"mark": printer, "upTo": N, "open":
// [ids]} for a printer's point. A torn last line (a crash during an append) is dropped when the
// file is read, and the file is then rewritten whole so later appends start on a clean line.
#pragma once

#include "ListedRecord.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace vesk {

class RecordJournal
{
public:
    static constexpr const char *FileName = "RecordJournal.dat";

    // Reads the journal of the application folder `appDir` (a missing file is an empty journal).
    explicit RecordJournal(const QString &appDir);
    virtual ~RecordJournal();
    RecordJournal(const RecordJournal &) = delete;
    RecordJournal &operator=(const RecordJournal &) = delete;

    QString filePath() const { return path_; }

    // Rows taken in and not yet known to be saved, in order of intake. At start-up these are the
    // rows an earlier run left behind: list them again (they are journaled already).
    const std::vector<ListedRecord> &Pending() const { return pending_; }

    // Appends one row durably (flush and fsync), and with it the printer's new mark. False with
    // lastError() when it could not be written; the row is still kept in Pending() for this run.
    bool Append(const ListedRecord &row);

    // False when the row's job was handed over before (at or below its printer's mark and not
    // open there): such a row must not be listed. Rows without a job id are always admitted.
    bool Admits(const ListedRecord &row) const;

    // The printer's resume point; none for a printer never monitored from this folder.
    std::optional<spooler::ResumePoint> Mark(const QString &printer) const;
    // Replaces the printer's point durably (nothing is written when it is the same).
    bool SetMark(const QString &printer, const spooler::ResumePoint &point);

    // Called after a committed save with the ids it stored: forgets them and rewrites the file
    // atomically. Returns the ids that are now gone from the file (including ones an earlier
    // failed rewrite left behind); empty when the rewrite failed.
    virtual QStringList RemoveSaved(const QStringList &ids);

    QString lastError() const { return error_; }

protected:
    // Writes Pending() as the whole file (temporary file, fsync, rename).
    bool rewrite();

private:
    void load();

    QString path_;
    bool appendLine(const QByteArray &line);

    std::vector<ListedRecord> pending_;
    std::map<QString, spooler::ResumePoint> marks_;
    QStringList stale_; // saved ids still in the file because a rewrite failed
    bool torn_ = false; // the file may miss rows or end in a torn line
    QString error_;
};

} // namespace vesk
