#include "host/store_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QUrl>

Q_LOGGING_CATEGORY(lcStoreHost, "tolv.host")

const QString StoreHost::lockFolder = QStringLiteral(".locks");

namespace {

// Copies one file byte for byte; the destination is replaced atomically so a
// failed copy leaves the old file as it was.
bool copyFile(const QString& from, const QString& to, QString* error) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(from, source.errorString());
        return false;
    }
    const QByteArray bytes = source.readAll();
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        *error = QStringLiteral("Cannot create the folder of %1").arg(to);
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() ||
        !target.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(to, target.errorString());
        return false;
    }
    return true;
}

// Names of the plain files directly inside a folder, sorted; none when missing.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

StoreHost::StoreHost(const QString& storeDir, const QString& workDir, const QString& owner,
                     QObject* parent)
    : QObject(parent), store(QDir(storeDir).absolutePath()), work(QDir(workDir).absolutePath()),
      ownerName(owner) {}

StoreHost::~StoreHost() = default;

bool StoreHost::attach(config_plugin_base* w) {
    detach();
    widget = w;
    if (!w)
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
    if (path.isEmpty() || path.startsWith('/') || path.contains('\\') || path.contains(QChar()))
        return false;
    const QStringList parts = path.split('/');
    if (parts.first() == lockFolder)
        return false;
    for (const QString& part : parts)
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

void StoreHost::execute(const QString& word, const QString& path) {
    received.append({word, path});
    qCDebug(lcStoreHost, "command %s '%s'", qPrintable(word), qPrintable(path));

    if (word == "dirty" || word == "clean") {
        emit dirtyChanged(word == "dirty");
    } else if (word == "navigate") {
        emit navigateRequested(path);
    } else if (!isSafeStorePath(path)) {
        // Answer with the operation the plug-in waits for, so it does not wait forever.
        static const std::map<QString, QString> operationOf = {
            {"dir", "dir"},           {"downloadFile", "download"},    {"checkoutFile", "lock"},
            {"checkoutDir", "lock"},  {"syncDirDownload", "download"}, {"lock", "lock"},
            {"uploadFile", "upload"}, {"syncDirUpload", "upload"}};
        const auto it = operationOf.find(word);
        if (it != operationOf.end())
            send(HostReply::Fail, it->second, path,
                 QStringLiteral("Refused path outside the store: '%1'").arg(path));
        qCWarning(lcStoreHost, "refused path '%s' of command %s", qPrintable(path),
                  qPrintable(word));
    } else if (word == "dir") {
        doDir(path);
    } else if (word == "downloadFile") {
        doDownloadFile(path);
    } else if (word == "checkoutFile") {
        doCheckoutFile(path);
    } else if (word == "checkoutDir") {
        doCheckoutDir(path);
    } else if (word == "syncDirDownload") {
        doSyncDirDownload(path);
    } else if (word == "lock") {
        doLock(path);
    } else if (word == "unlock") {
        doUnlock(path);
    } else if (word == "uploadFile") {
        doUploadFile(path);
    } else if (word == "syncDirUpload") {
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
    return delivered;
}

void StoreHost::doDir(const QString& path) {
    QString failure;
    if (injectedFailure("dir", path, &failure)) {
        send(HostReply::Fail, "dir", path, failure);
        return;
    }
    const QDir folder(storePath(path));
    if (!folder.exists()) {
        send(HostReply::Fail, "dir", path,
             QStringLiteral("Folder not found in the store: %1").arg(path));
        return;
    }
    // Hidden folders (the lock folder among them) are the store's own business.
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    send(HostReply::Ok, "dir", path, names.join('\n'));
}

bool StoreHost::downloadOne(const QString& path, qint32 okResult) {
    QString failure;
    if (injectedFailure("download", path, &failure)) {
        send(HostReply::Fail, "download", path, failure);
        return false;
    }
    if (!QFileInfo(storePath(path)).isFile()) {
        send(HostReply::Fail, "download", path,
             QStringLiteral("File not found in the store: %1").arg(path));
        return false;
    }
    if (!copyFile(storePath(path), workPath(path), &failure)) {
        send(HostReply::Fail, "download", path, failure);
        return false;
    }
    send(okResult, "download", path);
    return true;
}

void StoreHost::doDownloadFile(const QString& path) {
    downloadOne(path, HostReply::Ok);
}

void StoreHost::doCheckoutFile(const QString& path) {
    const QString holder = lockHolder(path);
    const bool othersLock = !holder.isEmpty() && holder != ownerName;
    downloadOne(path, othersLock ? HostReply::ReadOnly : HostReply::Ok);
    doLock(path);
}

QStringList StoreHost::storeFiles(const QString& dir) const {
    return filesIn(storePath(dir));
}

void StoreHost::doCheckoutDir(const QString& dir) {
    // Take the lock first so that the downloads can say whether they are read-only;
    // the lock reply still comes after them, as the plug-in expects.
    QString detail;
    const LockResult lock = takeLock(dir, &detail);
    const qint32 okResult = lock == LockResult::Granted ? HostReply::Ok : HostReply::ReadOnly;

    const QStringList names = storeFiles(dir);
    for (const QString& name : names)
        downloadOne(dir + '/' + name, okResult);
    // The working copy mirrors the store, except for files this owner has locked
    // and may not have uploaded yet.
    for (const QString& name : filesIn(workPath(dir)))
        if (!names.contains(name) && lockHolder(dir + '/' + name) != ownerName)
            QFile::remove(workPath(dir + '/' + name));

    if (lock == LockResult::Granted)
        send(HostReply::Ok, "lock", dir);
    else
        send(HostReply::Fail, "lock", dir, detail);
    send(HostReply::Done, "download", dir);
}

void StoreHost::doSyncDirDownload(const QString& dir) {
    const QStringList names = storeFiles(dir);
    for (const QString& name : names)
        downloadOne(dir + '/' + name, HostReply::Ok);
    send(HostReply::Done, "download", dir);
}

void StoreHost::doLock(const QString& path) {
    QString detail;
    if (takeLock(path, &detail) == LockResult::Granted)
        send(HostReply::Ok, "lock", path);
    else
        send(HostReply::Fail, "lock", path, detail);
}

void StoreHost::doUnlock(const QString& path) {
    const QString holder = lockHolder(path);
    if (holder.isEmpty())
        return;
    if (holder != ownerName) {
        qCWarning(lcStoreHost, "not unlocking '%s': held by %s", qPrintable(path),
                  qPrintable(holder));
        return;
    }
    QFile::remove(lockFileFor(path));
}

void StoreHost::doUploadFile(const QString& path) {
    QString failure;
    if (injectedFailure("upload", path, &failure) || !holdsLock(path, &failure)) {
        send(HostReply::Fail, "upload", path, failure);
        return;
    }
    const QString local = workPath(path);
    if (QFileInfo(local).isFile()) {
        if (!copyFile(local, storePath(path), &failure)) {
            send(HostReply::Fail, "upload", path, failure);
            return;
        }
    } else if (QFileInfo::exists(storePath(path)) && !QFile::remove(storePath(path))) {
        send(HostReply::Fail, "upload", path,
             QStringLiteral("Cannot remove %1 from the store").arg(path));
        return;
    }
    send(HostReply::Done, "upload", path);
}

void StoreHost::doSyncDirUpload(const QString& dir) {
    QString failure;
    if (injectedFailure("upload", dir, &failure) || !holdsLock(dir, &failure)) {
        send(HostReply::Fail, "upload", dir, failure);
        return;
    }
    // A missing working folder means nothing was checked out, not that every
    // file was deleted: refuse rather than empty the store's folder.
    if (!QFileInfo(workPath(dir)).isDir()) {
        send(HostReply::Fail, "upload", dir,
             QStringLiteral("The working copy has no folder %1").arg(dir));
        return;
    }
    const QStringList names = filesIn(workPath(dir));
    for (const QString& name : names) {
        if (!copyFile(workPath(dir + '/' + name), storePath(dir + '/' + name), &failure)) {
            send(HostReply::Fail, "upload", dir, failure);
            return;
        }
    }
    for (const QString& name : storeFiles(dir)) {
        const QString holder = lockHolder(dir + '/' + name);
        if (!names.contains(name) && (holder.isEmpty() || holder == ownerName))
            QFile::remove(storePath(dir + '/' + name));
    }
    send(HostReply::Done, "upload", dir);
}

QString StoreHost::lockFileFor(const QString& path) const {
    return store + '/' + lockFolder + '/' + QString::fromLatin1(QUrl::toPercentEncoding(path));
}

QString StoreHost::lockHolder(const QString& path) const {
    QFile file(lockFileFor(path));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString holder = QString::fromUtf8(file.readAll()).trimmed();
    // A lock file left empty by an interrupted writer still counts as held.
    return holder.isEmpty() ? QStringLiteral("(unknown owner)") : holder;
}

StoreHost::LockResult StoreHost::takeLock(const QString& path, QString* detail) {
    if (injectedFailure("lock", path, detail))
        return LockResult::HeldByOther;
    if (!QDir().mkpath(store + '/' + lockFolder)) {
        *detail = QStringLiteral("Cannot create the lock folder of the store");
        return LockResult::Error;
    }
    // Creating the file exclusively makes taking a lock atomic between processes.
    QFile file(lockFileFor(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.write(ownerName.toUtf8() + '\n');
        file.close();
        return LockResult::Granted;
    }
    const QString holder = lockHolder(path);
    if (holder == ownerName)
        return LockResult::Granted;
    if (!holder.isEmpty()) {
        *detail = QStringLiteral("Locked by %1").arg(holder);
        return LockResult::HeldByOther;
    }
    *detail = QStringLiteral("Cannot lock %1: %2").arg(path, file.errorString());
    return LockResult::Error;
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
        if (lockHolder(folder) == ownerName)
            return true;
    }
    *refusal = QStringLiteral("%1 is not locked by %2").arg(path, ownerName);
    return false;
}
