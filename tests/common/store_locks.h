#pragma once

// Lock files as other hosts leave them in a store.

#include "common/file_access.h"
#include "host/store_host.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QString>

// A lock file as another host writes it; older hosts wrote no start time.
inline void forgeLock(const QString& store, const QString& path, const QString& owner,
                      const QString& machine, qint64 pid, const QString& started = {}) {
    const QByteArray name =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    writeFile(store + '/' + StoreHost::lockFolder + '/' + name,
              QStringLiteral("path=%1\nowner=%2\nmachine=%3\npid=%4\n%5")
                  .arg(path, owner, machine)
                  .arg(pid)
                  .arg(started.isEmpty() ? QString() : "started=" + started + '\n')
                  .toUtf8());
}

// The id of a process that has ended.
inline qint64 deadProcessId() {
    QProcess process;
    process.start("true", QStringList());
    if (!process.waitForStarted())
        return -1;
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}
