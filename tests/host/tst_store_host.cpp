// The store host against a copy of the sample store, as one or two owners, and
// against hostile stores: unreadable files and folders, folders where files
// belong, links out of the store, odd names, stale and foreign locks.
#include "common/store_copy.h"
#include "common/tree_snapshot.h"
#include "host/store_host.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

const QString north = QStringLiteral("config/alarms/north/outputs");
const QString south = QStringLiteral("config/alarms/south/outputs"); // one module
const QString module = south + "/al_out_0001.cfg";
const QString file = QStringLiteral("config/instances.xml");
const QStringList results = {"Ok", "Fail", "ReadOnly", "Done"}; // by HostReply's result

static QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

static void writeFile(const QString& path, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Lets everybody into a tree, so that an unprivileged user can work in it.
static void openUp(const QString& root) {
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                     QFile::ExeOther;
    QFile::setPermissions(root, all);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), all);
}

// Takes away every permission of a file or folder.
static void closeUp(const QString& path) {
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
}

// While alive, the process acts as an unprivileged user, so that file modes
// bind also when the tests run as root.
class Unprivileged {
public:
    Unprivileged() {
        if (::geteuid() == 0)
            dropped = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~Unprivileged() {
        if (dropped && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot become root again");
    }

private:
    bool dropped = false;
};

// A lock file as another host writes it.
static void forgeLock(const QString& store, const QString& path, const QString& owner,
                      const QString& machine, qint64 pid) {
    const QByteArray name =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    writeFile(store + '/' + StoreHost::lockFolder + '/' + name,
              QStringLiteral("path=%1\nowner=%2\nmachine=%3\npid=%4\n")
                  .arg(path, owner, machine)
                  .arg(pid)
                  .toUtf8());
}

// The id of a process that has ended.
static qint64 deadProcessId() {
    QProcess process;
    process.start("true", QStringList());
    if (!process.waitForStarted())
        return -1;
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

// A plug-in widget that records the host's replies, and each as "operation result file".
class Recorder : public config_plugin_base {
    Q_OBJECT
public:
    using config_plugin_base::config_plugin_base;
    void reply(const HostReply& r) override {
        replies.append(r);
        lines << r.operation + ' ' + results.value(r.result) + ' ' + r.file;
        if (onReply)
            onReply(r);
    }
    std::function<void(const HostReply&)> onReply;
    QStringList send(const QString& word, const QString& path) {
        replies.clear();
        lines.clear();
        emit command(word, path);
        return lines;
    }
    QString lastText() const { return replies.isEmpty() ? QString() : replies.last().text; }
    QList<HostReply> replies;
    QStringList lines;
signals:
    void command(QString word, QString path);
};

// One owner of the store: a host on its own working copy, and its widget.
struct Owner {
    Owner(const QString& store, const QString& name)
        : host(store, work.path(), name), widget(work.path(), "recorder", QString()) {
        host.attach(&widget);
        openUp(work.path());
    }
    QString local(const QString& path) const { return work.path() + '/' + path; }
    QTemporaryDir work;
    StoreHost host;
    Recorder widget;
};

class tst_store_host : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> storeDir;
    std::unique_ptr<QTemporaryDir> outsideDir; // beside the store, for links to lead to
    QString store;
    QString outside;

private slots:
    void init() {
        storeDir = std::make_unique<QTemporaryDir>();
        outsideDir = std::make_unique<QTemporaryDir>();
        store = storeDir->path();
        outside = outsideDir->path();
        QVERIFY(copyTree(sampleStore(), store));
        writeFile(store + "/outside.txt", "not in config");
        writeFile(outside + "/outputs/al_out_0001.cfg", "outside module\r\n");
        writeFile(outside + "/secret.cfg", "outside file\r\n");
        openUp(store);
    }

    void commandReplies_data() {
        QTest::addColumn<StoreHost::ReplyMode>("mode");
        QTest::addColumn<QStringList>("command"); // word and path
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("injected"); // the failure of the module's download
        const auto row = [](const char* name, const QStringList& command,
                            const QStringList& expected, const QString& injected = {}) {
            for (const auto mode : {StoreHost::ReplyMode::Immediate, StoreHost::ReplyMode::Queued})
                QTest::addRow("%s: %s",
                              mode == StoreHost::ReplyMode::Queued ? "queued" : "immediate", name)
                    << mode << command << expected << injected;
        };
        row("missing", {"downloadFile", "config/none"}, {"download Fail config/none"});
        row("path escape", {"downloadFile", "config/../outside.txt"},
            {"download Fail config/../outside.txt"});
        row("checkoutDir, Done last", {"checkoutDir", south},
            {"download Ok " + module, "lock Ok " + south, "download Done " + south});
        row("injected", {"checkoutDir", south},
            {"download Fail " + module, "lock Ok " + south, "download Done " + south}, "no disk");
    }
    void commandReplies() {
        QFETCH(StoreHost::ReplyMode, mode);
        QFETCH(QStringList, command);
        QFETCH(QStringList, expected);
        QFETCH(QString, injected);
        Owner alice(store, "alice");
        alice.host.setReplyMode(mode);
        if (!injected.isEmpty())
            alice.host.failOperation("download", module, injected);
        const bool queued = mode == StoreHost::ReplyMode::Queued;
        QCOMPARE(alice.widget.send(command[0], command[1]), queued ? QStringList() : expected);
        QTRY_COMPARE(alice.widget.lines, expected);
        for (const HostReply& reply : alice.widget.replies) // failures say why; downloads copy
            if (reply.result == HostReply::Fail)
                QVERIFY(injected.isEmpty() ? !reply.text.isEmpty() : reply.text == injected);
            else if (reply.operation == "download" && reply.result == HostReply::Ok)
                QCOMPARE(readAll(alice.local(reply.file)), readAll(store + '/' + reply.file));
    }

    void secondOwnerWorksReadOnly() {
        Owner alice(store, "alice"), bob(store, "bob");
        alice.widget.send("checkoutDir", south);
        const auto before = treeSnapshot(store);
        QCOMPARE(bob.widget.send("checkoutDir", south),
                 QStringList({"download ReadOnly " + module, "lock Fail " + south,
                              "download Done " + south}));
        // Bob can neither release nor overwrite what Alice holds; unlock answers nothing.
        QCOMPARE(bob.widget.send("unlock", south), QStringList());
        QCOMPARE(bob.host.lockHolder(south), QString("alice"));
        writeFile(bob.local(module), "bob's edit");
        QCOMPARE(bob.widget.send("syncDirUpload", south), QStringList({"upload Fail " + south}));
        QCOMPARE(treeSnapshot(store), before);
        alice.widget.send("unlock", south);
        QCOMPARE(bob.widget.send("lock", south), QStringList({"lock Ok " + south}));
        QCOMPARE(alice.host.lockHolder(south), QString("bob"));
    }

    void uploadsCopyChangesAndDeleteRemovedFiles() {
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        QCOMPARE(alice.widget.send("checkoutFile", file),
                 QStringList({"download Ok " + file, "lock Ok " + file}));
        writeFile(alice.local(north + "/al_out_0001.cfg"), "changed\r\n");
        QVERIFY(QFile::remove(alice.local(north + "/al_out_0002.cfg")));
        writeFile(alice.local(north + "/al_out_0004.cfg"), "new\r\n");
        writeFile(alice.local(file), "edited\r\n");
        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Done " + north}));
        QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Done " + file}));
        QCOMPARE(QDir(store + '/' + north).entryList(QDir::Files),
                 QStringList({"al_out_0001.cfg", "al_out_0003.cfg", "al_out_0004.cfg"}));
        QCOMPARE(readAll(store + '/' + north + "/al_out_0001.cfg"), QByteArray("changed\r\n"));
        QCOMPARE(readAll(store + '/' + file), QByteArray("edited\r\n"));
    }

    void failedDownloadIsNotUploadedAsDeletion_data() {
        QTest::addColumn<bool>("folderInTheWay"); // else the store file is unreadable
        QTest::newRow("unreadable store file") << false;
        QTest::newRow("folder in the working copy") << true;
    }
    void failedDownloadIsNotUploadedAsDeletion() {
        QFETCH(bool, folderInTheWay);
        Owner alice(store, "alice");
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(alice.local(file)));
        else
            closeUp(store + '/' + file);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QCOMPARE(alice.widget.send("checkoutFile", file),
                     QStringList({"download Fail " + file, "lock Ok " + file}));
            QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Fail " + file}));
        }
        QVERIFY2(alice.widget.lastText().contains("no local copy"),
                 qPrintable(alice.widget.lastText()));
        QCOMPARE(treeSnapshot(store), before);
    }

    // The editor may open a box on a reply: meanwhile other hosts must get at the store.
    void repliesArriveWhileTheStoreIsFree() {
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        QStringList busy;
        alice.widget.onReply = [&](const HostReply& r) {
            const int fd = ::open(QFile::encodeName(store + "/.locks/.mutex").constData(), O_RDWR);
            if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
                busy << r.operation + ' ' + results.value(r.result);
            ::close(fd);
        };
        alice.widget.send("syncDirUpload", north);
        alice.widget.send("uploadFile", file); // not locked: refused
        alice.host.failOperation("upload", north, "no disk");
        alice.widget.send("syncDirUpload", north);
        QCOMPARE(busy, QStringList());
    }

    void fileWhoseDownloadFailedLaterIsNotUploadedOverTheStore() {
        Owner alice(store, "alice");
        QCOMPARE(alice.widget.send("checkoutFile", file),
                 QStringList({"download Ok " + file, "lock Ok " + file}));
        alice.host.failOperation("download", file, "unreadable");
        alice.widget.send("downloadFile", file); // the store's newer file did not arrive
        writeFile(alice.local(file), "edited on an old copy\r\n");
        const auto before = treeSnapshot(store);
        QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Fail " + file}));
        QCOMPARE(treeSnapshot(store), before);
        alice.host.clearFailures();
        alice.widget.send("downloadFile", file);
        writeFile(alice.local(file), "edited on the store's copy\r\n");
        QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Done " + file}));
    }

    void uploadOfAFileNeitherCopyHasChangesNothing() {
        // A device description locked for a module that was deleted before it was saved.
        const QString never = QStringLiteral("config/devicetypes/north_Gone.xml");
        Owner alice(store, "alice");
        QCOMPARE(alice.widget.send("lock", never), QStringList({"lock Ok " + never}));
        const auto before = treeSnapshot(store);
        QCOMPARE(alice.widget.send("uploadFile", never), QStringList({"upload Done " + never}));
        QCOMPARE(treeSnapshot(store), before);
    }

    void folderUploadKeepsFilesNeverReceived_data() {
        QTest::addColumn<bool>("folderInTheWay"); // else the store file is unreadable
        QTest::newRow("unreadable store file") << false;
        QTest::newRow("folder in the working copy") << true;
    }
    void folderUploadKeepsFilesNeverReceived() {
        QFETCH(bool, folderInTheWay);
        const QString lost = north + "/al_out_0002.cfg";
        Owner alice(store, "alice");
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(alice.local(lost)));
        else
            closeUp(store + '/' + lost);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QVERIFY(alice.widget.send("checkoutDir", north).contains("download Fail " + lost));
            QCOMPARE(alice.widget.send("syncDirUpload", north),
                     QStringList({"upload Done " + north}));
        }
        QCOMPARE(treeSnapshot(store), before);
    }

    void singleFileUploadNeverOverwritesWhatItDidNotReceive() {
        Owner alice(store, "alice");
        closeUp(store + '/' + file);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            alice.widget.send("checkoutFile", file);
            writeFile(alice.local(file), "made afresh by the editor\r\n");
            QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Fail " + file}));
        }
        QCOMPARE(treeSnapshot(store), before);
    }

    void lockRefusedWhileRelatedPathIsHeld_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("folder, then a file in it") << north << north + "/al_out_0002.cfg";
        QTest::newRow("file, then its folder") << north + "/al_out_0002.cfg" << north;
        QTest::newRow("grandparent, then a file") << "config/alarms" << north + "/al_out_0002.cfg";
        QTest::newRow("same path") << north << north;
    }
    void lockRefusedWhileRelatedPathIsHeld() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        Owner alice(store, "alice"), bob(store, "bob");
        QCOMPARE(alice.widget.send("lock", first), QStringList({"lock Ok " + first}));
        QCOMPARE(bob.widget.send("lock", second), QStringList({"lock Fail " + second}));
        QCOMPARE(bob.widget.lastText(), QString("Locked by alice"));
        QCOMPARE(bob.host.lockHolder(second), first == second ? QString("alice") : QString());
        alice.widget.send("unlock", first);
        QCOMPARE(bob.widget.send("lock", second), QStringList({"lock Ok " + second}));
    }

    void folderUploadLeavesFilesLockedByOthers() {
        const QString theirs = north + "/al_out_0002.cfg";
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        // A lock taken past the folder lock, as an older host would have.
        forgeLock(store, theirs, "bob", QSysInfo::machineHostName(),
                  QCoreApplication::applicationPid());
        writeFile(alice.local(theirs), "alice's edit\r\n");
        writeFile(alice.local(north + "/al_out_0001.cfg"), "alice's edit\r\n");
        const auto before = treeSnapshot(store);
        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Fail " + north}));
        QCOMPARE(alice.widget.lastText(), theirs + " is locked by bob");
        QVERIFY(QFile::remove(alice.local(theirs))); // nor is it deleted
        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Fail " + north}));
        QCOMPARE(treeSnapshot(store), before);
    }

    void ownerWithoutNameIsRefusedLocks_data() {
        QTest::addColumn<QString>("owner");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("line break") << "al\nice";
    }
    void ownerWithoutNameIsRefusedLocks() {
        QFETCH(QString, owner);
        Owner nobody(store, owner);
        QCOMPARE(nobody.widget.send("lock", north), QStringList({"lock Fail " + north}));
        QCOMPARE(nobody.host.lockHolder(north), QString());
        Owner alice(store, "alice"); // and locks out nobody else
        QCOMPARE(alice.widget.send("lock", north), QStringList({"lock Ok " + north}));
    }

    void ownersAreComparedExactly() {
        Owner padded(store, " alice "), alice(store, "alice");
        padded.widget.send("checkoutDir", south);
        QCOMPARE(padded.host.lockHolder(south), QString(" alice "));
        alice.widget.send("checkoutDir", south);
        writeFile(alice.local(module), "alice's edit");
        QCOMPARE(alice.widget.send("syncDirUpload", south), QStringList({"upload Fail " + south}));
        alice.widget.send("unlock", south);
        QCOMPARE(alice.host.lockHolder(south), QString(" alice "));
        writeFile(padded.local(module), "padded edit");
        QCOMPARE(padded.widget.send("syncDirUpload", south), QStringList({"upload Done " + south}));
        padded.widget.send("unlock", south);
        QCOMPARE(padded.host.lockHolder(south), QString());
    }

    void defaultOwnerIsDistinctPerProcess() {
        const QString owner = StoreHost::defaultOwner();
        QVERIFY2(owner.contains('@' + QSysInfo::machineHostName()), qPrintable(owner));
        QVERIFY2(owner.endsWith(':' + QString::number(QCoreApplication::applicationPid())),
                 qPrintable(owner));
    }

    void staleLockIsTakenOverOnlyWhenItsProcessIsGone_data() {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<bool>("processGone");
        QTest::addColumn<bool>("takenOver");
        QTest::newRow("this machine, process gone") << QSysInfo::machineHostName() << true << true;
        QTest::newRow("this machine, process runs")
            << QSysInfo::machineHostName() << false << false;
        QTest::newRow("another machine") << "elsewhere.example" << true << false;
    }
    void staleLockIsTakenOverOnlyWhenItsProcessIsGone() {
        QFETCH(QString, machine);
        QFETCH(bool, processGone);
        QFETCH(bool, takenOver);
        const qint64 pid = processGone ? deadProcessId() : QCoreApplication::applicationPid();
        forgeLock(store, north, "ghost", machine, pid);
        if (takenOver)
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("taking over the lock of '" + north +
                                                    "' held by ghost.*no longer runs"));
        Owner bob(store, "bob");
        QCOMPARE(bob.widget.send("lock", north),
                 QStringList({takenOver ? "lock Ok " + north : "lock Fail " + north}));
        QCOMPARE(bob.host.lockHolder(north), takenOver ? QString("bob") : QString("ghost"));
    }

    void shutdownReleasesOnlyItsOwnLocks() {
        Owner alice(store, "alice"), bob(store, "bob");
        alice.widget.send("checkoutDir", north);
        bob.widget.send("checkoutDir", south);
        alice.host.shutdown();
        QCOMPARE(alice.host.lockHolder(north), QString());
        QCOMPARE(alice.host.lockHolder(south), QString("bob"));
        QCOMPARE(alice.widget.send("lock", north), QStringList()); // no longer answered
        QCOMPARE(alice.host.lockHolder(north), QString());
    }

    void longPathCanBeLocked() {
        const QString deep = "config/alarms/" + QString(200, 'n') + '/' + QString(200, 'o');
        QVERIFY(QDir().mkpath(store + '/' + deep));
        Owner alice(store, "alice");
        QCOMPARE(alice.widget.send("checkoutDir", deep),
                 QStringList({"lock Ok " + deep, "download Done " + deep}));
        QCOMPARE(alice.host.lockHolder(deep), QString("alice"));
    }

    void listingLeavesOutLinksLeadingOutOfTheStore() {
        QVERIFY(QFile::link(outside, store + "/config/alarms/evil"));
        QVERIFY(QFile::link(store + "/config/alarms/north", store + "/config/alarms/inside"));
        Owner alice(store, "alice");
        QCOMPARE(alice.widget.send("dir", "config/alarms"), QStringList({"dir Ok config/alarms"}));
        QCOMPARE(alice.widget.lastText(), QString("inside\nnorth\nsouth"));
    }

    void checkoutThroughLinkOutOfTheStoreIsRefused() {
        QVERIFY(QFile::link(outside, store + "/config/alarms/evil"));
        QVERIFY(QFile::link(outside + "/secret.cfg", store + '/' + north + "/al_out_0009.cfg"));
        Owner alice(store, "alice");
        const QString evil = "config/alarms/evil/outputs";
        QCOMPARE(alice.widget.send("checkoutDir", evil), QStringList({"lock Fail " + evil}));
        QVERIFY(!alice.widget.send("checkoutDir", north).join(' ').contains("al_out_0009"));
        QVERIFY(!QFileInfo::exists(alice.local(evil + "/al_out_0001.cfg")));
        QVERIFY(!QFileInfo::exists(alice.local(north + "/al_out_0009.cfg")));
    }

    void linkInsideTheStoreIsNoSecondNameToLockOrWriteBy() {
        QVERIFY(QFile::link(store + "/config/alarms/north", store + "/config/alarms/east"));
        QVERIFY(QFile::link(store + '/' + north + "/al_out_0002.cfg",
                            store + '/' + north + "/al_out_0009.cfg"));
        Owner alice(store, "alice"), bob(store, "bob");
        const QString east = "config/alarms/east/outputs";
        QCOMPARE(alice.widget.send("checkoutDir", north).filter("lock"),
                 QStringList({"lock Ok " + north}));
        QCOMPARE(bob.widget.send("lock", east), QStringList({"lock Fail " + east}));
        QCOMPARE(bob.host.lockHolder(east), QString());
        // Nor is another module written through a module file that links to it.
        writeFile(alice.local(north + "/al_out_0009.cfg"), "written through the link\r\n");
        const auto before = treeSnapshot(store);
        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Fail " + north}));
        QCOMPARE(alice.widget.lastText(),
                 north + "/al_out_0009.cfg is a link: not written through");
        QCOMPARE(treeSnapshot(store), before);
    }

    void uploadThroughLinkOutOfTheStoreIsRefused_data() {
        QTest::addColumn<QString>("linkTarget"); // relative to the folder outside
        QTest::addColumn<QString>("link");       // store path of the link
        QTest::addColumn<QString>("folder");     // the folder uploaded
        QTest::newRow("link to a folder") << ""
                                          << "config/alarms/evil"
                                          << "config/alarms/evil/outputs";
        QTest::newRow("link to a file") << "/secret.cfg" << north + "/al_out_0009.cfg" << north;
    }
    void uploadThroughLinkOutOfTheStoreIsRefused() {
        QFETCH(QString, linkTarget);
        QFETCH(QString, link);
        QFETCH(QString, folder);
        QVERIFY(QFile::link(outside + linkTarget, store + '/' + link));
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        writeFile(alice.local(folder + "/al_out_0001.cfg"), "written out\r\n");
        writeFile(alice.local(folder + "/al_out_0009.cfg"), "written out\r\n");
        const auto before = treeSnapshot(store), beforeOutside = treeSnapshot(outside);
        QCOMPARE(alice.widget.send("syncDirUpload", folder),
                 QStringList({"upload Fail " + folder}));
        QCOMPARE(treeSnapshot(store), before);
        QCOMPARE(treeSnapshot(outside), beforeOutside);
    }

    void unreadableFolderIsListedAsFail() {
        Owner alice(store, "alice");
        closeUp(store + "/config/alarms");
        Unprivileged unprivileged;
        QCOMPARE(alice.widget.send("dir", "config/alarms"),
                 QStringList({"dir Fail config/alarms"}));
        QVERIFY2(alice.widget.lastText().contains("Permission denied"),
                 qPrintable(alice.widget.lastText()));
    }

    void unreadableFolderIsNotCheckedOut() {
        Owner alice(store, "alice");
        closeUp(store + '/' + north);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QCOMPARE(alice.widget.send("checkoutDir", north),
                     QStringList({"lock Fail " + north, "download Fail " + north}));
        }
        QCOMPARE(alice.host.lockHolder(north), QString());
        QCOMPARE(treeSnapshot(store), before);
    }

    void unsafeNamesAreLeftOutOfListings() {
        for (const char* name :
             {"line\nbreak", " leading", "trailing ", "two words", "back\\slash"})
            QVERIFY(QDir().mkpath(store + "/config/alarms/" + name));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("left 'back.slash' out"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("left ' leading' out"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("left 'trailing ' out"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("left 'line\nbreak' out"));
        Owner alice(store, "alice");
        alice.widget.send("dir", "config/alarms");
        QCOMPARE(alice.widget.lastText(), QString("north\nsouth\ntwo words"));
    }
};

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
