// The store host against a copy of the sample store, as one or two owners, and
// against hostile stores: unreadable files and folders, folders where files
// belong, links out of the store, odd names, stale and foreign locks.
#include "common/fixture.h"
#include "host/store_host.h"

#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

const QString north = QStringLiteral("config/alarms/north/outputs");
const QString south = QStringLiteral("config/alarms/south/outputs"); // one module
const QString module = south + "/al_out_0001.cfg";
const QString file = QStringLiteral("config/instances.xml");
const QStringList results = {"Ok", "Fail", "ReadOnly", "Done"}; // by HostReply's result

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
        openUp(store + '/' + StoreHost::lockFolder);
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
        const QString deep = "config/alarms/" + QString(200, 'n') + '/' + QString(200, 'o');
        row("long path", {"checkoutDir", deep}, {"lock Ok " + deep, "download Done " + deep});
    }
    void commandReplies() {
        QFETCH(StoreHost::ReplyMode, mode);
        QFETCH(QStringList, command);
        QFETCH(QStringList, expected);
        QFETCH(QString, injected);
        QVERIFY(command[1].size() < 100 || QDir().mkpath(store + '/' + command[1]));
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

    // A file whose download failed (unreadable in the store, or a folder in its place
    // in the working copy): an upload of it or of its folder neither deletes it from
    // the store nor writes a copy made afresh over it.
    void uploadKeepsAFileItDidNotReceive_data() {
        QTest::addColumn<QString>("word");          // an upload of the file or of its folder
        QTest::addColumn<bool>("folderInTheWay");   // else the store file is unreadable
        QTest::addColumn<QByteArray>("madeAfresh"); // by the editor after the failed download
        QTest::addColumn<QString>("refusal");       // empty: the upload is done
        const QString single = "uploadFile", folder = "syncDirUpload";
        QTest::newRow("unreadable") << single << false << QByteArray() << "no local copy";
        QTest::newRow("folder in the way") << single << true << QByteArray() << "no local copy";
        QTest::newRow("made afresh") << single << false << QByteArray("x") << "never downloaded";
        QTest::newRow("folder, unreadable store file") << folder << false << QByteArray() << "";
        QTest::newRow("folder, folder in the working copy") << folder << true << QByteArray() << "";
    }
    void uploadKeepsAFileItDidNotReceive() {
        QFETCH(QString, word);
        QFETCH(bool, folderInTheWay);
        QFETCH(QByteArray, madeAfresh);
        QFETCH(QString, refusal);
        const bool single = word == "uploadFile";
        const QString lost = single ? file : north + "/al_out_0002.cfg",
                      uploaded = single ? file : north;
        Owner alice(store, "alice");
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(alice.local(lost)));
        else
            closeUp(store + '/' + lost);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QVERIFY(alice.widget.send(single ? "checkoutFile" : "checkoutDir", uploaded)
                        .contains("download Fail " + lost));
            if (!madeAfresh.isEmpty())
                writeFile(alice.local(lost), madeAfresh);
            QCOMPARE(
                alice.widget.send(word, uploaded),
                QStringList({(refusal.isEmpty() ? "upload Done " : "upload Fail ") + uploaded}));
        }
        QVERIFY2(alice.widget.lastText().contains(refusal), qPrintable(alice.widget.lastText()));
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

    void ownerThatCannotBeUsedIsRefusedLocks_data() {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("inUse"); // by a running host on the store
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("line break") << "al\nice" << false;
        QTest::newRow("used by a running host") << "carol" << true;
    }
    void ownerThatCannotBeUsedIsRefusedLocks() {
        QFETCH(QString, owner);
        QFETCH(bool, inUse);
        std::optional<Owner> running;
        if (inUse)
            running.emplace(store, owner);
        Owner nobody(store, owner);
        QCOMPARE(nobody.host.ownerInUse(), inUse);
        QCOMPARE(nobody.widget.send("lock", north), QStringList({"lock Fail " + north}));
        QCOMPARE(nobody.host.lockHolder(north), QString());
        // It locks out nobody else, also not a user who may only read the store's mutex.
        Owner alice(store, "alice");
        QVERIFY(
            QFile::setPermissions(store + "/.locks/.mutex", QFile::ReadOwner | QFile::ReadOther));
        Unprivileged otherUser;
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

    void staleLockIsTakenOverOnlyWhenItsProcessIsGone_data() {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<bool>("processGone");
        QTest::addColumn<QString>("started"); // the start time written in the lock
        QTest::addColumn<bool>("takenOver");
        const QString here = QSysInfo::machineHostName();
        const QString ours = StoreHost::processStart(QCoreApplication::applicationPid());
        QTest::newRow("this machine, process gone") << here << true << ours << true;
        QTest::newRow("this machine, process runs") << here << false << ours << false;
        QTest::newRow("process runs, lock without start") << here << false << "" << false;
        QTest::newRow("pid reused after a reboot") << here << false << "other boot:1" << true;
        QTest::newRow("another machine") << "elsewhere.example" << true << ours << false;
    }
    void staleLockIsTakenOverOnlyWhenItsProcessIsGone() {
        QFETCH(QString, machine);
        QFETCH(bool, processGone);
        QFETCH(QString, started);
        QFETCH(bool, takenOver);
        QVERIFY(!StoreHost::processStart(QCoreApplication::applicationPid()).isEmpty());
        const qint64 pid = processGone ? deadProcessId() : QCoreApplication::applicationPid();
        forgeLock(store, north, "ghost", machine, pid, started);
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
        QVERIFY(!Owner(store, "alice").host.ownerInUse());
    }

    void checkoutThroughLinkOutOfTheStoreIsRefused() {
        QVERIFY(QFile::link(outside, store + "/config/alarms/evil"));
        QVERIFY(QFile::link(outside + "/secret.cfg", store + '/' + north + "/al_out_0009.cfg"));
        Owner alice(store, "alice");
        const QString evil = "config/alarms/evil/outputs";
        QCOMPARE(alice.widget.send("checkoutDir", evil), QStringList({"lock Fail " + evil}));
        QCOMPARE(alice.widget.send("checkoutDir", north).filter("al_out_0009"), // name taken
                 QStringList("download Fail " + north + "/al_out_0009.cfg"));
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
        QTest::addColumn<QByteArray>("other");   // its al_out_0001.cfg after
        const QString evil = "config/alarms/evil";
        QTest::newRow("link to a folder")
            << "" << evil << evil + "/outputs" << QByteArray("outside module\r\n");
        QTest::newRow("link to a file") << "/secret.cfg" << north + "/al_out_0009.cfg" << north
                                        << QByteArray("written out\r\n");
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
        const auto beforeOutside = treeSnapshot(outside);
        QCOMPARE(alice.widget.send("syncDirUpload", folder), QStringList("upload Fail " + folder));
        QTEST(readAll(store + '/' + folder + "/al_out_0001.cfg"), "other");
        QCOMPARE(treeSnapshot(outside), beforeOutside);
    }

    void unreadableFolderIsNeitherListedNorCheckedOut_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("dir") << "dir" << QStringList({"dir Fail " + north});
        QTest::newRow("checkoutDir")
            << "checkoutDir" << QStringList({"lock Fail " + north, "download Fail " + north});
    }
    void unreadableFolderIsNeitherListedNorCheckedOut() {
        QFETCH(QString, word);
        QFETCH(QStringList, expected);
        Owner alice(store, "alice");
        closeUp(store + '/' + north);
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QCOMPARE(alice.widget.send(word, north), expected);
        }
        QVERIFY2(alice.widget.lastText().contains("Permission denied"),
                 qPrintable(alice.widget.lastText()));
        QCOMPARE(alice.host.lockHolder(north), QString());
        QCOMPARE(treeSnapshot(store), before);
    }

    // Every write fails once the first bytes are out, or a working file cannot be
    // read (a file whose every read fails stands for a failing disk): the upload
    // fails with the reason, the store keeps every byte and no temporary file.
    void uploadToAFullDiskKeepsTheStore_data() {
        QTest::addColumn<QStringList>("command"); // word and path
        QTest::addColumn<QString>("reason");
        for (const char* reason : {"File too large", "Input/output error"}) {
            QTest::addRow("file, %s", reason) << QStringList{"uploadFile", file} << reason;
            QTest::addRow("folder, %s", reason) << QStringList{"syncDirUpload", north} << reason;
        }
    }
    void uploadToAFullDiskKeepsTheStore() {
        QFETCH(QStringList, command);
        QFETCH(QString, reason);
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        alice.widget.send("checkoutFile", file);
        writeFile(alice.local(north + "/al_out_0004.cfg"), "new\r\n");
        const bool diskFull = reason == "File too large";
        for (const QString& path : {north + "/al_out_0001.cfg", file}) {
            writeFile(alice.local(path), "edited\r\n");
            QVERIFY(diskFull || (QFile::remove(alice.local(path)) &&
                                 QFile::link("/proc/self/mem", alice.local(path))));
        }
        const auto before = treeSnapshot(store);
        {
            std::optional<WriteBlocker> blocker;
            if (diskFull)
                blocker.emplace(QString());
            QCOMPARE(alice.widget.send(command[0], command[1]),
                     QStringList({"upload Fail " + command[1]}));
        }
        QVERIFY2(alice.widget.lastText().contains(reason), qPrintable(alice.widget.lastText()));
        QCOMPARE(treeSnapshot(store), before);
        if (diskFull)
            QCOMPARE(alice.widget.send(command[0], command[1]),
                     QStringList({"upload Done " + command[1]}));
    }

    // What a write cut off left, in the store and in the working copy: removed when
    // a host starts, and else neither listed, downloaded nor uploaded.
    void leftoversOfCutOffWritesAreIgnoredAndRemoved() {
        const QStringList leftovers = {north + "/.tolv-new.al_out_0001.cfg.ab1",
                                       "config/.tolv-new.devicetypes.xml.cd2",
                                       ".locks/.draft-Ef3gH4", ".locks/.tolv-new.0a1b.ef5"};
        for (const QString& path : leftovers) {
            writeFile(store + '/' + path, "cut off");
            QTest::ignoreMessage(QtWarningMsg, qPrintable("removed '" + path +
                                                          "', left by a write that did not end"));
        }
        Owner alice(store, "alice");
        for (const QString& path : leftovers)
            QVERIFY2(!QFileInfo::exists(store + '/' + path), qPrintable(path));
        // Written meanwhile by a host on another machine, and by this editor.
        writeFile(store + '/' + leftovers[0], "being written");
        writeFile(alice.local(north + "/.tolv-new.al_out_0002.cfg.xy"), "being written");
        QCOMPARE(alice.widget.send("checkoutDir", north).filter(".tolv-new"), QStringList());
        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Done " + north}));
        QCOMPARE(QDir(store + '/' + north).entryList(QDir::Files | QDir::Hidden),
                 QStringList({".tolv-new.al_out_0001.cfg.ab1", "al_out_0001.cfg", "al_out_0002.cfg",
                              "al_out_0003.cfg"}));
    }

    // Names a listing cannot carry, and links out of the store, each with a warning;
    // a link to a folder inside is listed as any folder.
    void listingLeavesOutUnsafeNamesAndLinksOutOfTheStore() {
        const QString unsafe = "' out of the listing of 'config/alarms': its name is unsafe";
        for (const QString name : {"line\nbreak", " leading", "trailing ", "back\\slash"}) {
            QVERIFY(QDir().mkpath(store + "/config/alarms/" + name));
            QTest::ignoreMessage(QtWarningMsg, qPrintable("left '" + name + unsafe));
        }
        QVERIFY(QDir().mkpath(store + "/config/alarms/two words"));
        QVERIFY(QFile::link(outside, store + "/config/alarms/evil"));
        QVERIFY(QFile::link(store + "/config/alarms/north", store + "/config/alarms/inside"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("left 'evil' .*leads out of the store"));
        Owner alice(store, "alice");
        QCOMPARE(alice.widget.send("dir", "config/alarms"), QStringList({"dir Ok config/alarms"}));
        QCOMPARE(alice.widget.lastText(), QString("inside\nnorth\nsouth\ntwo words"));
    }
};

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
