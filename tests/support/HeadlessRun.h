// Runs one of the product's programs as it runs on a server without a display.
#pragma once

#include <QString>
#include <QStringList>

namespace vesk::test {

// `program` with `args`, with no display, platform or runtime folder in its environment; its exit
// status (-1 when it crashed or ran past a minute), standard output and error in `out`/`err`.
int RunHeadless(const QString &program, const QStringList &args, QString *out = nullptr,
                QString *err = nullptr);

} // namespace vesk::test
