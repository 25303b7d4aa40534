// The store host on a copy of the sample store, as one or two owners, and on hostile stores:
// unreadable files and folders, folders where files belong, links, odd names, foreign locks.
#include "common/fixture.h"

#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

const QString north = QStringLiteral("config/alarms/north/outputs");
const QString south = QStringLiteral("config/alarms/south/outputs"); // one module
const QString module = south + "/al_out_0001.cfg";
const QString file = QStringLiteral("config/instances.xml");

// One owner of the store: a host on its own working copy, and the plug-in widget it
// answers, which records each reply as "operation result file". Every reply must come
// while the store is free: the editor may open a box on it, and others use the store.
class Owner : public config_plugin_base {
    Q_OBJECT
public:
    Owner(const QString& store, const QString& name)
        : config_plugin_base(QString(), "recorder", QString()), mutex(store + "/.locks/.mutex"),
          host(store, work.path(), name) {
        host.attach(this);
        openUp(work.path());
        openUp(store + '/' + StoreHost::lockFolder);
    }
    void reply(const HostReply& r) override {
        replies.append(r);
        lines << r.operation + ' ' + QStringList{"Ok", "Fail", "ReadOnly", "Done"}.value(r.result) +
                     ' ' + r.file;
        const int fd = ::open(QFile::encodeName(mutex).constData(), O_RDONLY);
        QVERIFY(fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        ::close(fd);
    }
    // Sends one command; the replies given meanwhile, joined by ", ".
    QString operator()(const QString& word, const QString& path) {
        replies.clear();
        lines.clear();
        emit command(word, path);
        return lines.join(", ");
    }
    QString lastText() const { return replies.isEmpty() ? "" : replies.last().text; }
    QString local(const QString& path) const { return work.path() + '/' + path; }
    QTemporaryDir work;
    const QString mutex;
    StoreHost host;
    QList<HostReply> replies;
    QStringList lines;
signals:
    void command(QString word, QString path);
};

class tst_store_host : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> storeDir, outsideDir; // outside: for links to lead to
    QString store, outside;

private slots:
    void init() {
        store = storeDir.emplace().path();
        outside = outsideDir.emplace().path();
        QVERIFY(copyTree(sampleStore(), store));
        writeFile(store + "/outside.txt", "not in config");
        writeFile(outside + "/secret.cfg", "outside file\r\n");
        openUp(store);
    }

    // One command on a fresh working copy; none changes the store's files. Before it the
    // path may be locked, unreadable, the module's download made to fail, the owner one
    // that cannot be used, or the store's mutex one the (other) user may only read.
    void commandReplies_data() {
        QTest::addColumn<StoreHost::ReplyMode>("mode");
        QTest::addColumn<QString>("command"); // word and path
        QTest::addColumn<QString>("before");  // see above
        QTest::addColumn<QString>("reason");  // in the text of every failure
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& command, const QString& expected,
                            const QString& before = {}, const QString& reason = {}) {
            for (const auto mode : {StoreHost::ReplyMode::Immediate, StoreHost::ReplyMode::Queued})
                QTest::addRow("%s: %s",
                              mode == StoreHost::ReplyMode::Queued ? "queued" : "immediate", name)
                    << mode << command << before << reason << expected;
        };
        row("missing", "downloadFile config/none", "download Fail config/none");
        row("path escape", "downloadFile config/../outside.txt",
            "download Fail config/../outside.txt");
        row("checkoutDir, Done last", "checkoutDir " + south,
            "download Ok " + module + ", lock Ok " + south + ", download Done " + south);
        row("injected", "checkoutDir " + south,
            "download Fail " + module + ", lock Ok " + south + ", download Done " + south, "fail",
            "no disk");
        const QString deep = "config/alarms/" + QString(200, 'n') + '/' + QString(200, 'o');
        row("long path", "checkoutDir " + deep, "lock Ok " + deep + ", download Done " + deep);
        row("unreadable folder", "dir " + north, "dir Fail " + north, "unreadable",
            "Permission denied");
        row("unreadable folder checked out", "checkoutDir " + north,
            "lock Fail " + north + ", download Fail " + north, "unreadable", "Permission denied");
        row("not locked", "uploadFile " + file, "upload Fail " + file);
        const QString lock = "lock " + north, refused = "lock Fail " + north;
        row("owner of blanks", lock, refused, "owner=   ", "an owner needs a name");
        row("owner with a line break", lock, refused, "owner=al\nice", "an owner needs a name");
        row("owner in use", lock, refused, "in use", "another running host on this store");
        row("mutex only readable", lock, "lock Ok " + north, "read-only mutex");
        // A device description locked for a module that was deleted before it was saved.
        const QString never = QStringLiteral("config/devicetypes/north_Gone.xml");
        row("neither copy has the file", "uploadFile " + never, "upload Done " + never, "lock");
    }
    void commandReplies() {
        QFETCH(StoreHost::ReplyMode, mode);
        QFETCH(QString, command);
        QFETCH(QString, before);
        QFETCH(QString, reason);
        QFETCH(QString, expected);
        const QString word = command.section(' ', 0, 0), path = command.section(' ', 1);
        QVERIFY(path.size() < 100 || QDir().mkpath(store + '/' + path));
        const QString name = before.startsWith("owner=") ? before.mid(6) : "alice";
        std::optional<Owner> running;
        if (before == "in use")
            running.emplace(store, name);
        Owner alice(store, name);
        QCOMPARE(alice.host.ownerInUse(), before == "in use");
        QVERIFY(before != "lock" || alice("lock", path) == "lock Ok " + path);
        if (before == "fail")
            alice.host.failOperation("download", module, reason);
        else if (before == "unreadable")
            closeUp(store + '/' + path);
        else if (before == "read-only mutex")
            QVERIFY(QFile::setPermissions(alice.mutex, QFile::ReadOwner | QFile::ReadOther));
        alice.host.setReplyMode(mode);
        const auto snapshot = treeSnapshot(store);
        {
            std::optional<Unprivileged> unprivileged;
            if (before == "unreadable" || before == "read-only mutex")
                unprivileged.emplace();
            QCOMPARE(alice(word, path), mode == StoreHost::ReplyMode::Queued ? "" : expected);
        }
        QTRY_COMPARE(alice.lines.join(", "), expected);
        for (const HostReply& reply : alice.replies) // failures say why; downloads copy
            if (reply.result == HostReply::Fail)
                QVERIFY(!reply.text.isEmpty() && reply.text.contains(reason));
            else if (reply.operation == "download" && reply.result == HostReply::Ok)
                QCOMPARE(readAll(alice.local(reply.file)), readAll(store + '/' + reply.file));
        QCOMPARE(alice.host.lockHolder(path),
                 before == "lock" || expected.contains("lock Ok") ? name : "");
        QCOMPARE(treeSnapshot(store), snapshot);
    }

    // A second owner, here one whose name differs only in blanks, works read-only; its lock
    // in the first one's folder (taken past the folder lock, as older hosts did) keeps that
    // folder's upload out; a host that shuts down releases its own locks and no others.
    void secondOwnerWorksReadOnly() {
        Owner first(store, " alice "), second(store, "alice");
        first("checkoutDir", south);
        first("checkoutDir", north);
        const auto before = treeSnapshot(store);
        QCOMPARE(second("checkoutDir", south), "download ReadOnly " + module + ", lock Fail " +
                                                   south + ", download Done " + south);
        // It can neither release nor overwrite what the first holds; unlock answers nothing.
        QCOMPARE(second("unlock", south), QString());
        QCOMPARE(second.host.lockHolder(south), QString(" alice "));
        writeFile(second.local(module), "second's edit");
        QCOMPARE(second("syncDirUpload", south), "upload Fail " + south);
        QCOMPARE(treeSnapshot(store), before);
        const QString theirs = north + "/al_out_0002.cfg";
        forgeLock(store, theirs, "alice", QSysInfo::machineHostName(),
                  QCoreApplication::applicationPid());
        writeFile(first.local(theirs), "first's edit\r\n");
        writeFile(first.local(north + "/al_out_0001.cfg"), "first's edit\r\n");
        QCOMPARE(first("syncDirUpload", north), "upload Fail " + north);
        QCOMPARE(first.lastText(), theirs + " is locked by alice");
        QVERIFY(QFile::remove(first.local(theirs))); // nor is it deleted
        QCOMPARE(first("syncDirUpload", north), "upload Fail " + north);
        QCOMPARE(treeSnapshot(store), before);
        writeFile(first.local(module), "first's edit");
        QCOMPARE(first("syncDirUpload", south), "upload Done " + south);
        first("unlock", south);
        QCOMPARE(second("lock", south), "lock Ok " + south);
        first.host.shutdown();
        QVERIFY(first.host.lockHolder(south) == "alice" &&
                first.host.lockHolder(theirs) == "alice");
        QCOMPARE(first("lock", north), QString()); // no longer answered
        QCOMPARE(first.host.lockHolder(north), QString());
        QVERIFY(!Owner(store, " alice ").host.ownerInUse());
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
        QCOMPARE(alice("lock", first), "lock Ok " + first);
        QCOMPARE(bob("lock", second), "lock Fail " + second);
        QCOMPARE(bob.lastText(), QString("Locked by alice"));
        QCOMPARE(bob.host.lockHolder(second), first == second ? QString("alice") : QString());
        alice("unlock", first);
        QCOMPARE(bob("lock", second), "lock Ok " + second);
    }

    // A file whose download failed (unreadable in the store, a folder in its place
    // in the working copy, or a later download of it failed): an upload of it or
    // of its folder neither deletes it from the store nor writes the working copy's
    // bytes over it.
    void uploadKeepsAFileItDidNotReceive_data() {
        QTest::addColumn<QString>("word");       // an upload of the file or of its folder
        QTest::addColumn<QString>("how");        // the download fails: see above
        QTest::addColumn<QByteArray>("written"); // by the editor after the failed download
        QTest::addColumn<QString>("refusal");    // empty: the upload is done
        const auto row = [](const char* name, const char* word, const char* how,
                            const char* written, const char* refusal) {
            QTest::newRow(name) << word << how << QByteArray(written) << refusal;
        };
        row("unreadable", "uploadFile", "unreadable", "", "no local copy");
        row("folder in the way", "uploadFile", "folder", "", "no local copy");
        row("edited on an old copy", "uploadFile", "later", "edited\r\n", "never downloaded");
        row("folder, unreadable store file", "syncDirUpload", "unreadable", "", "");
        row("folder, folder in the working copy", "syncDirUpload", "folder", "", "");
    }
    void uploadKeepsAFileItDidNotReceive() {
        QFETCH(QString, word);
        QFETCH(QString, how);
        QFETCH(QByteArray, written);
        QFETCH(QString, refusal);
        const bool single = word == "uploadFile";
        const QString lost = single ? file : north + "/al_out_0002.cfg",
                      uploaded = single ? file : north,
                      checkout = single ? "checkoutFile" : "checkoutDir";
        Owner alice(store, "alice");
        if (how == "folder")
            QVERIFY(QDir().mkpath(alice.local(lost)));
        else if (how == "unreadable")
            closeUp(store + '/' + lost);
        else if (alice(checkout, uploaded).contains("lock Ok")) {
            openUp(alice.work.path()); // its files, for the unprivileged user below
            alice.host.failOperation("download", lost, "unreadable");
        }
        const auto before = treeSnapshot(store);
        {
            Unprivileged unprivileged;
            QVERIFY(alice(checkout, uploaded).contains("download Fail " + lost));
            if (!written.isEmpty())
                writeFile(alice.local(lost), written);
            QCOMPARE(alice(word, uploaded),
                     (refusal.isEmpty() ? "upload Done " : "upload Fail ") + uploaded);
        }
        QVERIFY2(alice.lastText().contains(refusal), qPrintable(alice.lastText()));
        QCOMPARE(treeSnapshot(store), before);
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
        const qint64 pid = processGone ? deadProcessId() : QCoreApplication::applicationPid();
        forgeLock(store, north, "ghost", machine, pid, started);
        if (takenOver)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("taking over .* held by ghost"));
        Owner bob(store, "bob");
        QCOMPARE(bob("lock", north), (takenOver ? "lock Ok " : "lock Fail ") + north);
        QCOMPARE(bob.host.lockHolder(north), takenOver ? QString("bob") : QString("ghost"));
    }

    // Links out of the store are neither listed, checked out nor written through,
    // nor are links inside it a second name to lock or write by; names a listing
    // cannot carry are left out, each with a warning.
    void linksAndOddNames() {
        const QString unsafe = "' out of the listing of 'config/alarms': its name is unsafe";
        for (const QString name : {"line\nbreak", " leading", "trailing ", "back\\slash"}) {
            QVERIFY(QDir().mkpath(store + "/config/alarms/" + name));
            QTest::ignoreMessage(QtWarningMsg, qPrintable("left '" + name + unsafe));
        }
        QVERIFY(QDir().mkpath(store + "/config/alarms/two words"));
        QVERIFY(QFile::link(outside, store + "/config/alarms/evil"));
        QVERIFY(QFile::link(outside + "/secret.cfg", store + '/' + north + "/al_out_0009.cfg"));
        QVERIFY(QFile::link(store + "/config/alarms/north", store + "/config/alarms/inside"));
        QVERIFY(QFile::link(store + '/' + north + "/al_out_0002.cfg",
                            store + '/' + north + "/al_out_0008.cfg"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("left 'evil' .*leads out of the store"));
        Owner alice(store, "alice"), bob(store, "bob");
        QCOMPARE(alice("dir", "config/alarms"), "dir Ok config/alarms");
        QCOMPARE(alice.lastText(), QString("inside\nnorth\nsouth\ntwo words"));
        const QString evil = "config/alarms/evil/outputs", inside = "config/alarms/inside/outputs";
        QCOMPARE(alice("checkoutDir", evil), "lock Fail " + evil);
        QVERIFY(alice("checkoutDir", north).contains("download Fail " + north + "/al_out_0009"));
        QCOMPARE(bob("lock", inside), "lock Fail " + inside);
        QCOMPARE(bob.host.lockHolder(inside), QString());
        const auto outsideBefore = treeSnapshot(outside);
        const QByteArray linked = readAll(store + '/' + north + "/al_out_0002.cfg");
        for (const char* name : {"/al_out_0001.cfg", "/al_out_0008.cfg", "/al_out_0009.cfg"})
            writeFile(alice.local(north + name), "written out\r\n");
        QCOMPARE(alice("syncDirUpload", north), "upload Fail " + north);
        QVERIFY(alice.lastText().contains(north + "/al_out_0008.cfg is a link: not written"));
        // The folder's other files reach the store.
        QCOMPARE(readAll(store + '/' + north + "/al_out_0001.cfg"), QByteArray("written out\r\n"));
        QCOMPARE(readAll(store + '/' + north + "/al_out_0002.cfg"), linked);
        QVERIFY(QFileInfo(store + '/' + north + "/al_out_0008.cfg").isSymLink());
        QCOMPARE(treeSnapshot(outside), outsideBefore);
    }

    // Every write fails once the first bytes are out, or a working file cannot be
    // read (a file whose every read fails stands for a failing disk): the upload
    // fails with the reason, the store keeps every byte and no temporary file.
    void uploadToAFullDiskKeepsTheStore_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        for (const char* reason : {"File too large", "Input/output error"}) {
            QTest::addRow("file, %s", reason) << "uploadFile" << file << reason;
            QTest::addRow("folder, %s", reason) << "syncDirUpload" << north << reason;
        }
    }
    void uploadToAFullDiskKeepsTheStore() {
        QFETCH(QString, word);
        QFETCH(QString, path);
        QFETCH(QString, reason);
        Owner alice(store, "alice");
        alice("checkoutDir", north);
        alice("checkoutFile", file);
        writeFile(alice.local(north + "/al_out_0004.cfg"), "new\r\n");
        const bool diskFull = reason == "File too large";
        for (const QString& edited : {north + "/al_out_0001.cfg", file}) {
            writeFile(alice.local(edited), "edited\r\n");
            QVERIFY(diskFull || (QFile::remove(alice.local(edited)) &&
                                 QFile::link("/proc/self/mem", alice.local(edited))));
        }
        const auto before = treeSnapshot(store);
        {
            std::optional<WriteBlocker> blocker;
            if (diskFull)
                blocker.emplace(QString());
            QCOMPARE(alice(word, path), "upload Fail " + path);
        }
        QVERIFY2(alice.lastText().contains(reason), qPrintable(alice.lastText()));
        QCOMPARE(treeSnapshot(store), before);
        if (diskFull)
            QCOMPARE(alice(word, path), "upload Done " + path);
    }

    // What a write cut off left, in the store and in the working copy: removed when a host
    // starts, else neither listed, downloaded nor uploaded by an upload that adds and deletes.
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
        QVERIFY(!alice("checkoutDir", north).contains(".tolv-new"));
        QVERIFY(QFile::remove(alice.local(north + "/al_out_0002.cfg")));
        writeFile(alice.local(north + "/al_out_0004.cfg"), "new\r\n");
        QCOMPARE(alice("syncDirUpload", north), "upload Done " + north);
        QCOMPARE(QDir(store + '/' + north).entryList(QDir::Files | QDir::Hidden),
                 QStringList({".tolv-new.al_out_0001.cfg.ab1", "al_out_0001.cfg", "al_out_0003.cfg",
                              "al_out_0004.cfg"}));
    }
};

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
