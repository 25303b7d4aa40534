#pragma once

#include "plugin/config_plugin_base.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <map>
#include <utility>

// Executes a plug-in's commands against a configuration store kept as a folder,
// keeping the plug-in's working copy (its rootDir) in step, and answers each
// command with the replies the plug-in expects, in their order.
//
// Locks are files in the store (.locks/<escaped path>) that name their owner, so
// two hosts on one store exclude each other, also across processes.
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

    StoreHost(const QString& storeDir, const QString& workDir, const QString& owner,
              QObject* parent = nullptr);
    ~StoreHost() override;

    QString storeDir() const { return store; }
    QString workDir() const { return work; }
    QString owner() const { return ownerName; }

    void setReplyMode(ReplyMode mode) { replyMode = mode; }

    // Connects the widget's command signal to execute() and answers it through
    // the widget's reply(). The widget need only declare command(QString,QString).
    bool attach(config_plugin_base* widget);
    void detach();

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

    // Who holds the lock on a store path; empty when nobody does.
    QString lockHolder(const QString& storePath) const;

    // Folder of the lock files inside the store; never listed or synchronised.
    static const QString lockFolder;

    // A store path that is relative, uses "/" and stays inside its root.
    static bool isSafeStorePath(const QString& path);

public slots:
    void execute(const QString& word, const QString& path);

signals:
    void dirtyChanged(bool dirty);
    void navigateRequested(const QString& target);

private:
    enum class LockResult { Granted, HeldByOther, Error };

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

    // Copies one store file into the working copy and sends its download reply.
    bool downloadOne(const QString& path, qint32 okResult);
    LockResult takeLock(const QString& path, QString* detail);
    bool holdsLock(const QString& path, QString* refusal) const;
    QStringList storeFiles(const QString& dir) const;
    QString lockFileFor(const QString& storePath) const;

    QString storePath(const QString& path) const { return store + '/' + path; }
    QString workPath(const QString& path) const { return work + '/' + path; }

    QString store;
    QString work;
    QString ownerName;
    ReplyMode replyMode = ReplyMode::Immediate;
    QPointer<config_plugin_base> widget;
    std::deque<HostReply> queue;
    bool flushScheduled = false;
    std::map<std::pair<QString, QString>, QString> failures;
    QList<Command> received;
};
