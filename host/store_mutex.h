#pragma once

#include "host/store_host.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Serialises the lock table and uploads between every host on the store, so
// that checking for a conflicting lock and acting on the answer is one step.
// The system releases it when its process ends, however it ends.
class StoreHost::StoreMutex {
public:
    explicit StoreMutex(const QString& lockDir) {
        if (!QDir().mkpath(lockDir))
            return;
        // Read-only: a lock needs no more, and so the mutex another user made serves too.
        fd = ::open(QFile::encodeName(lockDir + "/.mutex").constData(),
                    O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
    }
    ~StoreMutex() {
        if (fd >= 0)
            ::close(fd); // also unlocks
    }
    StoreMutex(const StoreMutex&) = delete;
    StoreMutex& operator=(const StoreMutex&) = delete;
    bool ok = false;

private:
    int fd = -1;
};
