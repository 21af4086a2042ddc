// The target of a written report or export: links followed, an unwritable file refused.
#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vesk {

std::optional<QString> OutputFile(const QString &fileName, QString *error)
{
    const auto fail = [error](int code, const QString &path) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(code)) + QStringLiteral(": ") + path;
        return std::nullopt;
    };
    QString path = QFileInfo(fileName).absoluteFilePath();
    // A link to a link is followed as the kernel follows it, up to its own limit.
    for (int hops = 0; QFileInfo(path).isSymLink(); ++hops) {
        if (hops == 40)
            return fail(ELOOP, fileName);
        path = QFileInfo(path).symLinkTarget();
    }
    // Opening for writing asks the kernel with the process's own rights; a check by
    // permission bits or access() would judge root's rights or the real user's instead.
    // No truncation: the file is replaced only when the new one is complete.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    else if (errno != ENOENT)
        return fail(errno, path);
    return path;
}

bool OpenOutputFile(const QString &fileName, QSaveFile &file, QString *error)
{
    const std::optional<QString> target = OutputFile(fileName, error);
    if (!target)
        return false;
    file.setFileName(*target);
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace vesk
