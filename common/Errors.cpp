// Conversions that report bad input as exceptions, the way the settings routines expect.
#include "Errors.h"

namespace vesk {

int StrToInt(const QString &text)
{
    bool ok = false;
    const QString t = text.trimmed();
    // Blanks inside or a sign with nothing after it are refused, as the historical routine did.
    const int value = t.isEmpty() || t.contains(u' ') ? 0 : t.toInt(&ok, 10);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

} // namespace vesk
