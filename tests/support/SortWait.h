// Waiting for a title click's sort, which reads its first page on a worker thread.
#pragma once

#include "Dataset.h"
#include "PagedQueryModel.h"

#include <QTest>

namespace vesk::test {

// Handles events until the dataset's background read has ended (its rows shown, or not).
inline bool waitForSort(const TDataset &ds)
{
    return QTest::qWaitFor([&] { return !ds.model()->readingInBackground(); }, 60000);
}

} // namespace vesk::test
