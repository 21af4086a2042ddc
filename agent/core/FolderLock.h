// One agent per application folder: a lock file that a second agent of the same folder finds
// taken, so two agents never share one journal.
#pragma once

#include <QString>

#include <string>

namespace vesk {

// Held from Acquire until the object goes; the kernel drops it when the process ends, killed or
// not, so a crashed agent never blocks the next start.
class FolderLock
{
public:
    static constexpr const char *FileName = "Veskagent.lock";
    // The program's exit status when another agent holds the folder.
    static constexpr int HeldElsewhereExit = 3;

    explicit FolderLock(const QString &appDir);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // False when another process holds the lock (HeldElsewhere) or the lock file cannot be made
    // (OpenError: the errno of that, so the folder's real fault can be told).
    bool Acquire();
    bool Held() const { return fd_ >= 0; }
    bool HeldElsewhere() const { return openError_ == 0 && fd_ < 0; }
    int OpenError() const { return openError_; }
    const QString &Path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    int openError_ = 0;
};

// The folder of the agent's journal and lock: [Agent] StateFolder of the application folder's
// Config.ini (a relative path is taken from the application folder), else the application folder
// itself. An installed agent keeps them with its database in /var/lib/vesk while its programs
// and settings stay in /opt/vesk. With a trailing separator.
QString AgentStateFolder(const QString &appDir);

// What marks this folder's agent where it leaves traces outside the folder (its CUPS
// subscription): the host and the folder's absolute path, hashed; at most 63 bytes.
std::string FolderTag(const QString &appDir);

} // namespace vesk
