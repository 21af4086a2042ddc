// Parsing of a subcommand's arguments.
#include "ArgList.h"

namespace vesk::cli {

namespace {

// The index of "--" or the size: options are looked for before it only.
qsizetype optionsEnd(const QStringList &args)
{
    const qsizetype i = args.indexOf(QStringLiteral("--"));
    return i < 0 ? args.size() : i;
}

} // namespace

bool ArgList::takeFlag(const QString &flag)
{
    const qsizetype end = optionsEnd(args_);
    for (qsizetype i = 0; i < end; ++i) {
        if (args_.at(i) == flag) {
            args_.removeAt(i);
            return true;
        }
    }
    return false;
}

std::optional<QString> ArgList::takeOption(const QString &option)
{
    const qsizetype end = optionsEnd(args_);
    const QString prefix = option + u'=';
    for (qsizetype i = 0; i < end; ++i) {
        const QString &a = args_.at(i);
        if (a.startsWith(prefix)) {
            const QString value = a.mid(prefix.size());
            args_.removeAt(i);
            return value;
        }
        if (a == option) {
            if (i + 1 >= end) {
                error_ = option + QStringLiteral(" needs a value");
                args_.removeAt(i);
                return std::nullopt;
            }
            const QString value = args_.at(i + 1);
            args_.remove(i, 2);
            return value;
        }
    }
    return std::nullopt;
}

QStringList ArgList::positional()
{
    QStringList out;
    bool options = true;
    for (const QString &a : args_) {
        if (options && a == u"--") {
            options = false;
            continue;
        }
        if (options && a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            if (error_.isEmpty())
                error_ = QStringLiteral("unknown option ") + a;
            continue;
        }
        out << a;
    }
    return out;
}

} // namespace vesk::cli
