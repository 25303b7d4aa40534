#pragma once

// Makes a folder refuse new files and renames, or a file refuse to be replaced,
// for the life of the object, so that tests can make a write fail. For root the
// folder or file is made immutable. Permissions stop ordinary users, who cannot
// set that flag: for a file, its whole folder is then made read-only.
// blocked() is false where neither works.
//
// An empty target stands for a full disk: every write of this process past the
// first few bytes of a file fails (EFBIG), while files can still be made and
// renamed. That works for every user; keep the object alive only around the
// operation under test.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

class WriteBlocker {
public:
    explicit WriteBlocker(const QString& target) : path(QFile::encodeName(target)) {
        if (target.isEmpty()) {
            getrlimit(RLIMIT_FSIZE, &savedLimit);
            rlimit limit = savedLimit;
            limit.rlim_cur = 4;
            savedHandler = std::signal(SIGXFSZ, SIG_IGN);
            mode = setrlimit(RLIMIT_FSIZE, &limit) == 0 ? FullDisk : None;
            return;
        }
        if (geteuid() != 0) {
            const QFileInfo info(target);
            const QString folder = info.isDir() ? target : info.absolutePath();
            path = QFile::encodeName(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            mode = Permissions;
            return;
        }
        const int fd = open(path.constData(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            if (ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0)
                mode = Immutable;
        }
        if (fd >= 0)
            close(fd);
    }
    ~WriteBlocker() {
        if (path.isEmpty()) {
            setrlimit(RLIMIT_FSIZE, &savedLimit);
            std::signal(SIGXFSZ, savedHandler);
        } else if (mode == Permissions) {
            QFile::setPermissions(QFile::decodeName(path),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else if (mode == Immutable) {
            const int fd = open(path.constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                close(fd);
        }
    }
    WriteBlocker(const WriteBlocker&) = delete;
    WriteBlocker& operator=(const WriteBlocker&) = delete;

    bool blocked() const { return mode != None; }

private:
    enum Mode { None, Permissions, Immutable, FullDisk };
    QByteArray path;
    Mode mode = None;
    rlimit savedLimit = {};
    void (*savedHandler)(int) = SIG_DFL;
};
