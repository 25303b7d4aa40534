// What a host does for its session as a whole: the claim on its owner name, the
// identity of processes named in locks, and the removal of what hosts that ended
// mid-write left behind.
#include "host/store_host.h"

#include "core/store_paths.h"
#include "host/store_mutex.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcStoreHost)

QString StoreHost::processStart(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!stat.open(QIODevice::ReadOnly) || !boot.open(QIODevice::ReadOnly))
        return QString();
    // The command name in parentheses may hold blanks: count fields after it.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const QByteArray ticks = fields.value(19); // the 22nd field, starttime
    if (ticks.isEmpty())
        return QString();
    return QString::fromLatin1(boot.readAll().trimmed() + ':' + ticks);
}

void StoreHost::claimOwner() {
    // An open file lock, which the system releases however the process ends: no
    // pid can outlive it. One file per owner name, named by its hash.
    const QString folder = store + '/' + lockFolder;
    if (!isValidOwner(ownerName) || !QFileInfo(store).isDir() || !QDir().mkpath(folder))
        return;
    const QByteArray hash =
        QCryptographicHash::hash(ownerName.toUtf8(), QCryptographicHash::Sha256);
    const QString name = folder + "/.owner-" + QString::fromLatin1(hash.toHex());
    // Read-only: the claim works also on a file another user made.
    ownerClaim = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (ownerClaim >= 0 && ::flock(ownerClaim, LOCK_EX | LOCK_NB) != 0) {
        ownerTaken = errno == EWOULDBLOCK;
        ::close(ownerClaim);
        ownerClaim = -1;
    }
}

void StoreHost::removeLeftovers() {
    // Every write into the store happens under the store's mutex, so while this
    // host holds it, any temporary file is older than every running write.
    const QString folder = store + '/' + lockFolder;
    if (!QFileInfo(folder).isDir())
        return; // no host ever wrote here
    StoreMutex mutex(folder);
    if (!mutex.ok)
        return;
    QDirIterator it(store, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        // Lock drafts of older hosts were named .draft-XXXXXX.
        const bool draft = name.startsWith(".draft-") && it.fileInfo().path() == folder;
        if ((StorePaths::isTemporaryName(name) || draft) && QFile::remove(path))
            qCWarning(lcStoreHost, "removed '%s', left by a write that did not end",
                      qPrintable(path.mid(store.size() + 1)));
    }
}
