// The application folder's lock: flock on a file of its own (the journal itself is replaced by
// renames, which would take a lock on it along).
#include "FolderLock.h"

#include "IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vesk {

FolderLock::FolderLock(const QString &appDir)
    : path_(QDir(appDir).filePath(QString::fromLatin1(FileName)))
{}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FolderLock::Acquire()
{
    if (fd_ >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        openError_ = errno;
        return false;
    }
    openError_ = 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

QString AgentStateFolder(const QString &appDir)
{
    const QString configured =
        IniFile::config(QDir(appDir).filePath(QStringLiteral("Config.ini")))
            .readString(QStringLiteral("Agent"), QStringLiteral("StateFolder"));
    QString folder = QDir::cleanPath(QDir(appDir).filePath(configured));
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

std::string FolderTag(const QString &appDir)
{
    const QString where = QSysInfo::machineHostName() + u':' + QDir(appDir).absolutePath();
    const QByteArray hash = QCryptographicHash::hash(where.toUtf8(), QCryptographicHash::Sha1);
    return "Veskagent " + hash.toHex().left(32).toStdString();
}

} // namespace vesk
