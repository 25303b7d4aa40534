#pragma once

#include "core/store_folder.h"
#include "plugin/config_plugin_base.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// Executes a plug-in's commands against a configuration store kept as a folder,
// keeping the plug-in's working copy (its rootDir) in step, and answers each
// command with the replies the plug-in expects, in their order.
//
// Locks are files in the store (.locks/<hash of the path>) that name their path,
// owner, machine and process, so two hosts on one store exclude each other, also
// across processes. A lock on a folder covers everything below it: a lock is
// refused while another owner holds the path, a folder above it or a path below.
//
// The store is never changed by a failure: a file that could not be downloaded
// is never deleted by an upload, and no path leads out of the store's real folder.
class StoreHost : public QObject {
    Q_OBJECT
public:
    enum class ReplyMode {
        Immediate, // reply from within the plug-in's emitting call
        Queued     // keep the replies and deliver them later from the event loop
    };

    struct Command {
        QString word;
        QString path;
        bool operator==(const Command& other) const {
            return word == other.word && path == other.path;
        }
    };

    // The owner names this session in the locks; it must pass isValidOwner(),
    // otherwise every lock is refused.
    StoreHost(const QString& storeDir, const QString& workDir, const QString& owner,
              QObject* parent = nullptr);
    // Releases the locks this host took and still holds.
    ~StoreHost() override;

    QString storeDir() const { return store; }
    QString workDir() const { return work; }
    QString owner() const { return ownerName; }
    // Whether another running host on this store already works as this owner;
    // such a host is refused every lock, so that one owner never writes twice.
    bool ownerInUse() const { return ownerTaken; }

    void setReplyMode(ReplyMode mode) { replyMode = mode; }

    // Connects the widget's command signal to execute() and answers it through
    // the widget's reply(). The widget need only declare command(QString,QString).
    bool attach(config_plugin_base* widget);
    void detach();

    // Releases this host's locks and stops answering: for a session that ends
    // without the editor closing in order (an interrupted run).
    void shutdown();

    // Makes every reply of the given operation ("dir", "download", "lock" or
    // "upload") for this store path fail with the text, until cleared. An empty
    // path matches every path.
    void failOperation(const QString& operation, const QString& path, const QString& text);
    void clearFailures();

    // Delivers the queued replies in order, including those of commands that the
    // delivered replies cause; returns how many were delivered.
    int flushReplies();
    int pendingReplies() const { return int(queue.size()); }

    QList<Command> commandLog() const { return received; }

    // Who holds the lock on a store path, exactly as written; empty when nobody does.
    QString lockHolder(const QString& storePath) const;

    // Folder of the lock files inside the store; never listed or synchronised.
    static const QString lockFolder;

    // A store path that is relative, uses "/", stays inside its root and has no
    // control characters.
    static bool isSafeStorePath(const QString& path);
    // An owner that can be written into a lock file and told apart from others:
    // not empty, not only blanks, no control characters.
    static bool isValidOwner(const QString& owner);
    // The owner of a session by default: user@host:process id, distinct for
    // every session of one user.
    static QString defaultOwner();
    // When a running process started, as the boot's id and the clock ticks since
    // the boot; empty when it cannot be read. With the pid it names one process
    // also after a reboot has given its pid to another.
    static QString processStart(qint64 pid);
    // A file or folder name that a listing can carry: no control characters
    // (a line break would split it), no blanks at either end, and one part of a
    // store path (no slash or backslash, not "." or "..").
    static bool isListableName(const QString& name);

public slots:
    void execute(const QString& word, const QString& path);

signals:
    void dirtyChanged(bool dirty);
    void navigateRequested(const QString& target);
    // The queue of replies is empty again after a delivery.
    void repliesDelivered();
    // A lock was granted (reason empty) or refused, with the reason the plug-in is told.
    void lockAnswered(const QString& path, const QString& refusal);

private:
    enum class LockResult { Granted, HeldByOther, Error };
    struct LockEntry {
        QString file; // the lock file
        QString path; // the store path it locks
        QString owner;
        QString machine;
        qint64 pid = 0;
        QString started; // empty in the lock files of older hosts
    };
    class StoreMutex;

    void send(qint32 result, const QString& operation, const QString& file,
              const QString& text = QString());
    bool injectedFailure(const QString& operation, const QString& path, QString* text) const;
    void deliver(const HostReply& reply);
    void scheduleFlush();

    void doDir(const QString& path);
    void doDownloadFile(const QString& path);
    void doCheckoutFile(const QString& path);
    void doCheckoutDir(const QString& path);
    void doSyncDirDownload(const QString& path);
    void doLock(const QString& path);
    void doUnlock(const QString& path);
    void doUploadFile(const QString& path);
    void doSyncDirUpload(const QString& path);

    // An upload: the work, under the store's mutex and this owner's lock, then
    // the reply once the mutex is released.
    void upload(const QString& path, bool (StoreHost::*work)(const QString&, QString*));
    bool uploadFileToStore(const QString& path, QString* failure);
    bool uploadFolderToStore(const QString& dir, QString* failure);
    // Copies one store file into the working copy and sends its download reply.
    bool downloadOne(const QString& path, qint32 okResult);
    LockResult takeLock(const QString& path, QString* detail);
    // takeLock, and lockAnswered for whoever shows what is read-only.
    LockResult lockAndTell(const QString& path, QString* detail);
    // Whether this owner may change the store path; otherwise says why not.
    bool holdsLock(const QString& path, QString* refusal) const;
    // Another owner's lock on this path, on a folder above it or on a path below
    // it; empty when there is none. Stale locks are taken over on the way.
    QString conflictingOwner(const QString& path);
    static std::optional<LockEntry> readLock(const QString& lockFile);
    std::vector<LockEntry> readLocks() const;
    bool isStale(const LockEntry& entry) const;
    QString lockFileFor(const QString& storePath) const;
    bool writeLock(const QString& path, QString* detail);

    // Names listable in a store folder, links leading out of the store left out;
    // fails with the reason when the folder exists but cannot be read.
    // leftOut, when given, receives the entries left out because they lead out of the store.
    bool storeEntries(const QString& dir, bool folders, QStringList* names, QString* error,
                      QStringList* leftOut = nullptr) const;
    // Whether an absolute path, its links resolved, stays inside the store.
    bool insideStore(const QString& absolute) const;
    // Whether a store path leads through a link to another place in the store:
    // locks go by the path as written, so such a path would be a second name
    // under which another owner could lock the same files.
    bool throughLink(const QString& path) const;
    bool readableFolder(const QString& dir, QString* error) const;
    // Holds the store's claim on this owner for the life of the host.
    void claimOwner();
    // Removes what hosts that ended in the middle of a write left in the store.
    void removeLeftovers();

    QString storePath(const QString& path) const { return store + '/' + path; }
    QString workPath(const QString& path) const { return work + '/' + path; }

    QString store;
    QString work;
    QString ownerName;
    StoreFolder storeFolder; // the store's real folder: no path leaves it
    ReplyMode replyMode = ReplyMode::Immediate;
    QPointer<config_plugin_base> widget;
    std::deque<HostReply> queue;
    bool flushScheduled = false;
    bool stopped = false;
    int ownerClaim = -1; // an open file whose lock claims the owner on the store
    bool ownerTaken = false;
    std::map<std::pair<QString, QString>, QString> failures;
    QList<Command> received;
    std::set<QString> receivedFiles; // store files this working copy got from the store
    std::set<QString> takenLocks;    // store paths this host locked
};
