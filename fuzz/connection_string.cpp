// [Connection] Constr: any text, as UTF-8, to the engine and the SQLite file it names.
#include "ConnectionString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto cs = vesk::ConnectionString::parse(text);
    (void)cs.engine();
    (void)cs.sqliteFile(QStringLiteral("/srv/vesk"));
    (void)cs.value(QStringLiteral("Host"));
    return 0;
}
