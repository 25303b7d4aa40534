#include "host/store_host.h"

#include "core/atomic_file.h"
#include "core/store_folder.h"
#include "core/store_paths.h"
#include "host/store_mutex.h"
#include "plugin/host_protocol.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSysInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcStoreHost, "tolv.host")

const QString StoreHost::lockFolder = QStringLiteral(".locks");

namespace {

QByteArray readBytes(const QString& path, QString* error) {
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, source.errorString());
        return QByteArray();
    }
    // A read that fails part-way returns what came before it: never pass that on
    // as the whole file.
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read %1: %2").arg(path, source.errorString());
        return QByteArray();
    }
    return bytes;
}

// Writes one file; the destination is replaced atomically so a failed write
// leaves the old file as it was. An unchanged file is left alone. The store keeps
// the only copy that counts, so its files reach the disk before the reply; the
// working copy is a copy of the store that the next download renews, so its
// files need not.
bool writeBytes(const QString& to, const QByteArray& bytes, QString* error,
                FileSync durability = FileSync::Synced) {
    QFile existing(to);
    if (QFileInfo(to).isFile() && existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
        return true;
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        *error = QStringLiteral("Cannot create the folder of %1").arg(to);
        return false;
    }
    QString reason;
    if (replaceFileAtomically(to, bytes, &reason, durability))
        return true;
    *error = QStringLiteral("Cannot write %1: %2").arg(to, reason);
    return false;
}

bool copyFile(const QString& from, const QString& to, QString* error,
              FileSync durability = FileSync::Synced) {
    error->clear();
    const QByteArray bytes = readBytes(from, error);
    return error->isEmpty() && writeBytes(to, bytes, error, durability);
}

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

bool processRuns(qint64 pid) {
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Names of the plain files directly inside a working copy folder, sorted.
QStringList localFiles(const QString& folder) {
    QStringList names;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        if (StorePaths::isTemporaryName(name))
            continue;
        if (StoreHost::isListableName(name))
            names.append(name);
        else
            qCWarning(lcStoreHost, "left the working file '%s' of '%s' out: its name is unsafe",
                      qPrintable(name), qPrintable(folder));
    }
    return names;
}

} // namespace

StoreHost::StoreHost(const QString& storeDir, const QString& workDir, const QString& owner,
                     QObject* parent)
    : QObject(parent), store(QDir(storeDir).absolutePath()), work(QDir(workDir).absolutePath()),
      ownerName(owner), storeFolder(store) {
    claimOwner();
    if (!ownerTaken)
        removeLeftovers();
}

StoreHost::~StoreHost() {
    shutdown();
}

void StoreHost::shutdown() {
    if (!stopped)
        detach();
    stopped = true;
    if (ownerClaim >= 0)
        ::close(ownerClaim); // also gives up the claim
    ownerClaim = -1;
    if (takenLocks.empty())
        return;
    StoreMutex mutex(store + '/' + lockFolder);
    for (const QString& path : takenLocks)
        if (lockHolder(path) == ownerName)
            QFile::remove(lockFileFor(path));
    takenLocks.clear();
}

bool StoreHost::attach(config_plugin_base* w) {
    detach();
    widget = w;
    if (!w || stopped)
        return false;
    // The host knows only the contract base class; the signal is the editor's own.
    return bool(
        connect(w, SIGNAL(command(QString, QString)), this, SLOT(execute(QString, QString))));
}

void StoreHost::detach() {
    if (widget)
        disconnect(widget, nullptr, this, nullptr);
    widget = nullptr;
    queue.clear();
}

void StoreHost::failOperation(const QString& operation, const QString& path, const QString& text) {
    failures[{operation, path}] = text;
}

void StoreHost::clearFailures() {
    failures.clear();
}

bool StoreHost::injectedFailure(const QString& operation, const QString& path,
                                QString* text) const {
    auto it = failures.find({operation, path});
    if (it == failures.end())
        it = failures.find({operation, QString()});
    if (it == failures.end())
        return false;
    *text = it->second;
    return true;
}

bool StoreHost::isSafeStorePath(const QString& path) {
    if (path.isEmpty() || path.startsWith('/') || path.contains('\\') || hasControlCharacter(path))
        return false;
    const QStringList parts = path.split('/');
    if (parts.first() == lockFolder)
        return false;
    for (const QString& part : parts)
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

bool StoreHost::isValidOwner(const QString& owner) {
    return !owner.trimmed().isEmpty() && !hasControlCharacter(owner);
}

QString StoreHost::defaultOwner() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QStringLiteral("user");
    return QStringLiteral("%1@%2:%3")
        .arg(user, QSysInfo::machineHostName())
        .arg(QCoreApplication::applicationPid());
}

bool StoreHost::isListableName(const QString& name) {
    // Also a name that would not make a store path ("..", a backslash) stays out.
    return !name.isEmpty() && name.trimmed() == name && !hasControlCharacter(name) && name != "." &&
           name != ".." && !name.contains('/') && !name.contains('\\');
}

bool StoreHost::insideStore(const QString& absolute) const {
    return storeFolder.contains(absolute);
}

bool StoreHost::throughLink(const QString& path) const {
    return StoreFolder::resolvedPath(storePath(path)) != storeFolder.real() + '/' + path;
}

bool StoreHost::readableFolder(const QString& dir, QString* error) const {
    // QDir answers an unreadable folder as an empty one: ask the system itself.
    DIR* handle = ::opendir(QFile::encodeName(storePath(dir)).constData());
    if (!handle) {
        *error = QStringLiteral("Cannot read the folder %1: %2")
                     .arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    ::closedir(handle);
    return true;
}

bool StoreHost::storeEntries(const QString& dir, bool folders, QStringList* names, QString* error,
                             QStringList* leftOut) const {
    names->clear();
    if (!QFileInfo(storePath(dir)).isDir())
        return true; // nothing there yet
    if (!readableFolder(dir, error))
        return false;
    // Hidden folders (the lock folder among them) are the store's own business.
    const QDir::Filters filter = folders ? QDir::Dirs | QDir::NoDotAndDotDot
                                         : QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QString& name : QDir(storePath(dir)).entryList(filter, QDir::Name)) {
        if (StorePaths::isTemporaryName(name)) {
            continue; // a file being written, or what a crash left of one
        } else if (!isListableName(name)) {
            qCWarning(lcStoreHost, "left '%s' out of the listing of '%s': its name is unsafe",
                      qPrintable(name), qPrintable(dir));
        } else if (!insideStore(storePath(dir + '/' + name))) {
            qCWarning(lcStoreHost,
                      "left '%s' out of the listing of '%s': it leads out of the store",
                      qPrintable(name), qPrintable(dir));
            if (leftOut)
                leftOut->append(name);
        } else {
            names->append(name);
        }
    }
    return true;
}

void StoreHost::execute(const QString& word, const QString& path) {
    if (stopped)
        return;
    received.append({word, path});
    qCDebug(lcStoreHost, "command %s '%s'", qPrintable(word), qPrintable(path));

    if (word == HostCommand::dirty || word == HostCommand::clean) {
        emit dirtyChanged(word == HostCommand::dirty);
    } else if (word == HostCommand::navigate) {
        emit navigateRequested(path);
    } else if (!isSafeStorePath(path) || !insideStore(storePath(path))) {
        // Answer with the operation the plug-in waits for, so it does not wait forever.
        static const std::map<QString, QString> operationOf = {
            {HostCommand::dir, HostOperation::dir},
            {HostCommand::downloadFile, HostOperation::download},
            {HostCommand::checkoutFile, HostOperation::lock},
            {HostCommand::checkoutDir, HostOperation::lock},
            {HostCommand::syncDirDownload, HostOperation::download},
            {HostCommand::lock, HostOperation::lock},
            {HostCommand::uploadFile, HostOperation::upload},
            {HostCommand::syncDirUpload, HostOperation::upload}};
        const auto it = operationOf.find(word);
        if (it != operationOf.end())
            send(HostReply::Fail, it->second, path,
                 QStringLiteral("Refused path outside the store: '%1'").arg(path));
        qCWarning(lcStoreHost, "refused path '%s' of command %s", qPrintable(path),
                  qPrintable(word));
    } else if (word == HostCommand::dir) {
        doDir(path);
    } else if (word == HostCommand::downloadFile) {
        doDownloadFile(path);
    } else if (word == HostCommand::checkoutFile) {
        doCheckoutFile(path);
    } else if (word == HostCommand::checkoutDir) {
        doCheckoutDir(path);
    } else if (word == HostCommand::syncDirDownload) {
        doSyncDirDownload(path);
    } else if (word == HostCommand::lock) {
        doLock(path);
    } else if (word == HostCommand::unlock) {
        doUnlock(path);
    } else if (word == HostCommand::uploadFile) {
        doUploadFile(path);
    } else if (word == HostCommand::syncDirUpload) {
        doSyncDirUpload(path);
    } else {
        qCWarning(lcStoreHost, "unknown command %s", qPrintable(word));
    }
}

void StoreHost::send(qint32 result, const QString& operation, const QString& file,
                     const QString& text) {
    HostReply reply;
    reply.result = result;
    reply.operation = operation;
    reply.file = file;
    reply.text = text;
    if (replyMode == ReplyMode::Immediate) {
        deliver(reply);
    } else {
        queue.push_back(reply);
        scheduleFlush();
    }
}

void StoreHost::deliver(const HostReply& reply) {
    if (widget)
        widget->reply(reply);
}

void StoreHost::scheduleFlush() {
    if (flushScheduled)
        return;
    flushScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushScheduled = false;
            flushReplies();
        },
        Qt::QueuedConnection);
}

int StoreHost::flushReplies() {
    int delivered = 0;
    // A delivered reply may cause new commands whose replies join the queue.
    while (!queue.empty()) {
        const HostReply reply = queue.front();
        queue.pop_front();
        deliver(reply);
        ++delivered;
    }
    if (delivered > 0)
        emit repliesDelivered();
    return delivered;
}

void StoreHost::doDir(const QString& path) {
    QString failure;
    if (injectedFailure(HostOperation::dir, path, &failure)) {
        send(HostReply::Fail, HostOperation::dir, path, failure);
        return;
    }
    if (!QFileInfo(storePath(path)).isDir()) {
        send(HostReply::Fail, HostOperation::dir, path,
             QStringLiteral("Folder not found in the store: %1").arg(path));
        return;
    }
    QStringList names;
    if (!storeEntries(path, true, &names, &failure)) {
        send(HostReply::Fail, HostOperation::dir, path, failure);
        return;
    }
    send(HostReply::Ok, HostOperation::dir, path, names.join('\n'));
}

bool StoreHost::downloadOne(const QString& path, qint32 okResult) {
    QString failure;
    const bool injected = injectedFailure(HostOperation::download, path, &failure);
    if (injected) {
        // failure says why
    } else if (!insideStore(storePath(path))) {
        failure = QStringLiteral("Refused path outside the store: '%1'").arg(path);
    } else if (!QFileInfo(storePath(path)).isFile()) {
        failure = QStringLiteral("File not found in the store: %1").arg(path);
    } else if (copyFile(storePath(path), workPath(path), &failure, FileSync::Unsynced)) {
        receivedFiles.insert(path);
        send(okResult, HostOperation::download, path);
        return true;
    }
    // Whatever the working copy still holds is not what the store holds now, so
    // it may not be uploaded over the store's file.
    receivedFiles.erase(path);
    send(HostReply::Fail, HostOperation::download, path, failure);
    return false;
}

void StoreHost::doDownloadFile(const QString& path) {
    downloadOne(path, HostReply::Ok);
}

void StoreHost::doCheckoutFile(const QString& path) {
    // Take the lock first so that the download can say whether it is read-only;
    // the lock reply still comes after it.
    QString detail;
    const LockResult lock = lockAndTell(path, &detail);
    downloadOne(path, lock == LockResult::Granted ? HostReply::Ok : HostReply::ReadOnly);
    if (lock == LockResult::Granted)
        send(HostReply::Ok, HostOperation::lock, path);
    else
        send(HostReply::Fail, HostOperation::lock, path, detail);
}

void StoreHost::doCheckoutDir(const QString& dir) {
    // An unreadable folder is not an empty one: neither lock it nor report it done.
    QStringList names;
    QStringList leftOut;
    QString failure;
    if (!storeEntries(dir, false, &names, &failure, &leftOut)) {
        send(HostReply::Fail, HostOperation::lock, dir, failure);
        send(HostReply::Fail, HostOperation::download, dir, failure);
        return;
    }
    QString detail;
    const LockResult lock = lockAndTell(dir, &detail);
    const qint32 okResult = lock == LockResult::Granted ? HostReply::Ok : HostReply::ReadOnly;

    for (const QString& name : names)
        downloadOne(dir + '/' + name, okResult);
    // The store holds these names too: the editor must not give them to new files.
    for (const QString& name : leftOut)
        send(HostReply::Fail, HostOperation::download, dir + '/' + name,
             QStringLiteral("%1 leads out of the store: left out").arg(dir + '/' + name));
    // The working copy mirrors the store, except for files this owner has locked
    // and may not have uploaded yet.
    for (const QString& name : localFiles(workPath(dir)))
        if (!names.contains(name) && lockHolder(dir + '/' + name) != ownerName)
            QFile::remove(workPath(dir + '/' + name));

    if (lock == LockResult::Granted)
        send(HostReply::Ok, HostOperation::lock, dir);
    else
        send(HostReply::Fail, HostOperation::lock, dir, detail);
    send(HostReply::Done, HostOperation::download, dir);
}

void StoreHost::doSyncDirDownload(const QString& dir) {
    QStringList names;
    QString failure;
    if (!storeEntries(dir, false, &names, &failure)) {
        send(HostReply::Fail, HostOperation::download, dir, failure);
        return;
    }
    for (const QString& name : names)
        downloadOne(dir + '/' + name, HostReply::Ok);
    send(HostReply::Done, HostOperation::download, dir);
}

void StoreHost::doLock(const QString& path) {
    QString detail;
    if (lockAndTell(path, &detail) == LockResult::Granted)
        send(HostReply::Ok, HostOperation::lock, path);
    else
        send(HostReply::Fail, HostOperation::lock, path, detail);
}

void StoreHost::doUnlock(const QString& path) {
    StoreMutex mutex(store + '/' + lockFolder);
    const QString holder = lockHolder(path);
    if (holder.isEmpty())
        return;
    if (holder != ownerName) {
        qCWarning(lcStoreHost, "not unlocking '%s': held by %s", qPrintable(path),
                  qPrintable(holder));
        return;
    }
    QFile::remove(lockFileFor(path));
    takenLocks.erase(path);
}

void StoreHost::doUploadFile(const QString& path) {
    upload(path, &StoreHost::uploadFileToStore);
}

void StoreHost::doSyncDirUpload(const QString& dir) {
    upload(dir, &StoreHost::uploadFolderToStore);
}

void StoreHost::upload(const QString& path, bool (StoreHost::*work)(const QString&, QString*)) {
    QString failure;
    bool done = false;
    {
        StoreMutex mutex(store + '/' + lockFolder);
        if (!mutex.ok)
            failure = QStringLiteral("The store is busy");
        else if (!injectedFailure(HostOperation::upload, path, &failure) &&
                 holdsLock(path, &failure))
            done = (this->*work)(path, &failure);
    }
    // The editor may open a box on the reply: other hosts must get at the store meanwhile.
    send(done ? HostReply::Done : HostReply::Fail, HostOperation::upload, path, failure);
}

bool StoreHost::uploadFileToStore(const QString& path, QString* failure) {
    // A file that is not in the working copy (its download failed, or a folder is
    // in its place) is not a request to delete it from the store.
    const QString local = workPath(path);
    if (!QFileInfo(local).isFile() && !QFileInfo::exists(storePath(path))) {
        // Neither copy exists (a file the editor locked but never wrote): the store
        // already holds what the working copy holds.
        return true;
    }
    if (throughLink(path)) {
        *failure = QStringLiteral("%1 is a link: not written through").arg(path);
        return false;
    }
    // A file this working copy received and the user then removed goes from the
    // store too, as in a folder upload.
    if (!QFileInfo::exists(local) && receivedFiles.count(path)) {
        if (!QFile::remove(storePath(path))) {
            *failure = QStringLiteral("Cannot remove %1 from the store").arg(path);
            return false;
        }
        receivedFiles.erase(path);
        return true;
    }
    if (!QFileInfo(local).isFile()) {
        *failure = QStringLiteral("There is no local copy of %1: nothing uploaded").arg(path);
        return false;
    }
    // Nor may a store file the working copy never received be overwritten.
    if (QFileInfo::exists(storePath(path)) && !receivedFiles.count(path)) {
        *failure =
            QStringLiteral("%1 was never downloaded from the store: not overwritten").arg(path);
        return false;
    }
    if (!copyFile(local, storePath(path), failure))
        return false;
    receivedFiles.insert(path);
    return true;
}

bool StoreHost::uploadFolderToStore(const QString& dir, QString* failure) {
    // A missing working folder means nothing was checked out, not that every
    // file was deleted: refuse rather than empty the store's folder.
    if (!QFileInfo(workPath(dir)).isDir()) {
        *failure = QStringLiteral("The working copy has no folder %1").arg(dir);
        return false;
    }
    QStringList inStore;
    if (!storeEntries(dir, false, &inStore, failure))
        return false;

    // Plan every change first and refuse the whole upload if any part of it is
    // not allowed, so that a refused upload leaves the store as it was. Only a
    // file whose store entry leads elsewhere (which no listing showed) is left
    // out alone: it must not keep the folder's other files from the store.
    std::vector<std::pair<QString, QByteArray>> writes;
    QStringList leftOut;
    QStringList deletes;
    const QStringList local = localFiles(workPath(dir));
    const auto refuse = [failure](const QString& text) {
        *failure = text;
        return false;
    };
    for (const QString& name : local) {
        const QString path = dir + '/' + name;
        const QByteArray bytes = readBytes(workPath(path), failure);
        if (!failure->isEmpty())
            return false;
        if (!insideStore(storePath(path))) {
            leftOut.append(QStringLiteral("Refused path outside the store: '%1'").arg(path));
            continue;
        }
        if (throughLink(path)) {
            leftOut.append(QStringLiteral("%1 is a link: not written through").arg(path));
            continue;
        }
        if (QFileInfo::exists(storePath(path)) && !receivedFiles.count(path))
            return refuse(QStringLiteral("%1 was never downloaded from the store: not overwritten")
                              .arg(path));
        if (!holdsLock(path, failure))
            return false;
        writes.emplace_back(path, bytes);
    }
    // Only files that this working copy received and the user then removed are
    // deleted; a file it never had (a failed download) stays.
    for (const QString& name : inStore) {
        const QString path = dir + '/' + name;
        if (local.contains(name) || !receivedFiles.count(path))
            continue;
        if (!holdsLock(path, failure))
            return false;
        deletes.append(path);
    }

    for (const auto& [path, bytes] : writes) {
        if (!writeBytes(storePath(path), bytes, failure))
            return false;
        receivedFiles.insert(path);
    }
    for (const QString& path : deletes) {
        if (!QFile::remove(storePath(path)))
            return refuse(QStringLiteral("Cannot remove %1 from the store").arg(path));
        receivedFiles.erase(path);
    }
    return leftOut.isEmpty() || refuse(leftOut.join('\n'));
}

QString StoreHost::lockFileFor(const QString& path) const {
    // A hash keeps the name short whatever the path's length; the path is inside.
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256);
    return store + '/' + lockFolder + '/' + QString::fromLatin1(hash.toHex());
}

std::optional<StoreHost::LockEntry> StoreHost::readLock(const QString& lockFile) {
    QFile file(lockFile);
    if (!file.exists())
        return std::nullopt;
    LockEntry entry;
    entry.file = lockFile;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            const int equals = line.indexOf('=');
            if (equals < 0)
                continue;
            const QByteArray key = line.left(equals);
            const QString value = QString::fromUtf8(line.mid(equals + 1));
            if (key == "path")
                entry.path = value;
            else if (key == "owner")
                entry.owner = value;
            else if (key == "machine")
                entry.machine = value;
            else if (key == "pid")
                entry.pid = value.toLongLong();
            else if (key == "started")
                entry.started = value;
        }
    }
    // A lock file left empty by an interrupted writer, or unreadable, still counts as held.
    if (entry.owner.isEmpty())
        entry.owner = QStringLiteral("(unknown owner)");
    return entry;
}

std::vector<StoreHost::LockEntry> StoreHost::readLocks() const {
    std::vector<LockEntry> entries;
    const QDir folder(store + '/' + lockFolder);
    // Names starting with a dot (the mutex) are not locks.
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
        if (const auto entry = readLock(folder.filePath(name)))
            entries.push_back(*entry);
    return entries;
}

QString StoreHost::lockHolder(const QString& path) const {
    const auto entry = readLock(lockFileFor(path));
    return entry ? entry->owner : QString();
}

bool StoreHost::isStale(const LockEntry& entry) const {
    // Only a process on this machine can be seen to be gone. A process that runs
    // under the pid but started at another time (after a reboot) is another one.
    if (entry.pid <= 0 || entry.machine != QSysInfo::machineHostName())
        return false;
    if (!processRuns(entry.pid))
        return true;
    const QString started = processStart(entry.pid);
    return !entry.started.isEmpty() && !started.isEmpty() && started != entry.started;
}

QString StoreHost::conflictingOwner(const QString& path) {
    for (const LockEntry& entry : readLocks()) {
        if (entry.owner == ownerName)
            continue;
        // A lock file that does not say its path still locks the path of its name.
        const bool related =
            entry.file == lockFileFor(path) ||
            (!entry.path.isEmpty() && (entry.path == path || path.startsWith(entry.path + '/') ||
                                       entry.path.startsWith(path + '/')));
        if (!related)
            continue;
        if (isStale(entry)) {
            qCWarning(lcStoreHost,
                      "taking over the lock of '%s' held by %s: its process %lld on this "
                      "machine no longer runs",
                      qPrintable(entry.path), qPrintable(entry.owner), entry.pid);
            QFile::remove(entry.file);
            continue;
        }
        return entry.owner;
    }
    return QString();
}

bool StoreHost::writeLock(const QString& path, QString* detail) {
    // Written whole under a temporary name first, then linked to its own name: a
    // lock is never seen half written, and of two writers only one can link.
    const QByteArray bytes = QStringLiteral("path=%1\nowner=%2\nmachine=%3\npid=%4\nstarted=%5\n")
                                 .arg(path, ownerName, QSysInfo::machineHostName())
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(processStart(QCoreApplication::applicationPid()))
                                 .toUtf8();
    const QString lockFile = lockFileFor(path);
    QString reason;
    const QString draft = writeTemporaryFile(lockFile, bytes, &reason);
    if (draft.isEmpty()) {
        *detail = QStringLiteral("Cannot lock %1: %2").arg(path, reason);
        return false;
    }
    const bool linked =
        ::link(QFile::encodeName(draft).constData(), QFile::encodeName(lockFile).constData()) == 0;
    const int linkError = errno;
    QFile::remove(draft);
    if (!linked)
        *detail = QStringLiteral("Cannot lock %1: %2")
                      .arg(path, QString::fromLocal8Bit(strerror(linkError)));
    return linked;
}

StoreHost::LockResult StoreHost::lockAndTell(const QString& path, QString* detail) {
    const LockResult result = takeLock(path, detail);
    emit lockAnswered(path, result == LockResult::Granted ? QString() : *detail);
    return result;
}

StoreHost::LockResult StoreHost::takeLock(const QString& path, QString* detail) {
    if (injectedFailure(HostOperation::lock, path, detail))
        return LockResult::HeldByOther;
    if (!isValidOwner(ownerName)) {
        *detail = QStringLiteral("Refused the owner '%1': an owner needs a name").arg(ownerName);
        return LockResult::Error;
    }
    if (ownerTaken) {
        *detail = QStringLiteral("Refused the owner '%1': another running host on this store "
                                 "works as it")
                      .arg(ownerName);
        return LockResult::Error;
    }
    if (throughLink(path)) {
        *detail = QStringLiteral("Cannot lock %1: the path leads through a link").arg(path);
        return LockResult::Error;
    }
    const QString folder = store + '/' + lockFolder;
    StoreMutex mutex(folder);
    if (!mutex.ok || !insideStore(folder)) {
        *detail = QStringLiteral("Cannot use the lock folder of the store");
        return LockResult::Error;
    }
    const QString holder = conflictingOwner(path);
    if (!holder.isEmpty()) {
        *detail = QStringLiteral("Locked by %1").arg(holder);
        return LockResult::HeldByOther;
    }
    if (lockHolder(path) == ownerName)
        return LockResult::Granted;
    if (!writeLock(path, detail))
        return LockResult::Error;
    takenLocks.insert(path);
    return LockResult::Granted;
}

bool StoreHost::holdsLock(const QString& path, QString* refusal) const {
    const QString holder = lockHolder(path);
    if (holder == ownerName)
        return true;
    if (!holder.isEmpty()) {
        *refusal = QStringLiteral("%1 is locked by %2").arg(path, holder);
        return false;
    }
    // A lock on a folder covers the files in it.
    QString folder = path;
    while (folder.contains('/')) {
        folder.truncate(folder.lastIndexOf('/'));
        const QString above = lockHolder(folder);
        if (above == ownerName)
            return true;
        if (!above.isEmpty())
            break;
    }
    *refusal = QStringLiteral("%1 is not locked by %2").arg(path, ownerName);
    return false;
}
