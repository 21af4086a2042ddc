// Errors that leave a routine for its caller's standard error box.
#pragma once

#include <QString>

#include <stdexcept>

namespace vesk {

class VeskError : public std::runtime_error
{
public:
    explicit VeskError(const QString &message)
        : std::runtime_error(message.toStdString()), message_(message)
    {}
    const QString &message() const { return message_; }

private:
    QString message_;
};

// The conversion of a text that should have held a decimal integer.
class EConvertError : public VeskError
{
public:
    using VeskError::VeskError;
};

// Decimal integer conversion with the historical message "'%s' is not a valid integer value".
int StrToInt(const QString &text);

} // namespace vesk
