// The arguments of one subcommand: options with and without values, then the positional ones.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::cli {

// Options may stand anywhere among the positional arguments; "--" ends the options, so a name
// that begins with "--" can still be given.
class ArgList
{
public:
    explicit ArgList(QStringList args) : args_(std::move(args)) {}

    // Removes "--flag" wherever it stands; true when it was there.
    bool takeFlag(const QString &flag);
    // Removes "--option VALUE" (or "--option=VALUE") and returns VALUE; a missing value is a
    // usage error remembered in error().
    std::optional<QString> takeOption(const QString &option);
    // What is left once every known option has been taken: the positional arguments. An unknown
    // "--option" left over is a usage error.
    QStringList positional();

    // The arguments not taken yet, options included, in their order.
    const QStringList &remaining() const { return args_; }
    const QString &error() const { return error_; }

private:
    QStringList args_;
    QString error_;
};

} // namespace vesk::cli
