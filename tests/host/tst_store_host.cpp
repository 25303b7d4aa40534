// The store host against a real store folder: the replies of each command in
// their order, in both reply modes; locks between two owners; uploads; refused
// paths; injected failures.
#include "host/store_host.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// A plug-in widget that only records what the host answers.
class Recorder : public config_plugin_base {
    Q_OBJECT
public:
    explicit Recorder(const QString& root) : config_plugin_base(root, "recorder", QString()) {}
    void reply(const HostReply& r) override {
        replies.append(r);
        if (onReply)
            onReply(r);
    }
    void send(const QString& word, const QString& path) { emit command(word, path); }

    QList<HostReply> replies;
    std::function<void(const HostReply&)> onReply;

signals:
    void command(QString word, QString path);
};

QString resultName(qint32 result) {
    static const char* const names[] = {"Ok", "Fail", "ReadOnly", "Done"};
    return result >= 0 && result <= 3 ? names[result] : QString::number(result);
}

QStringList describe(const QList<HostReply>& replies) {
    QStringList out;
    for (const HostReply& r : replies)
        out << QStringLiteral("%1 %2 %3").arg(r.operation, resultName(r.result), r.file);
    return out;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QString outputs = QStringLiteral("config/alarms/north/outputs");

} // namespace

Q_DECLARE_METATYPE(StoreHost::ReplyMode)

class tst_store_host : public QObject {
    Q_OBJECT

private slots:
    void init();
    void commandReplies_data();
    void commandReplies();
    void checkoutDirMirrorsTheStore();
    void locksBetweenTwoOwners();
    void uploadsCopyAndDelete();
    void uploadNeedsTheLock();
    void syncDirUploadWithoutWorkingFolderKeepsTheStore();
    void flushDeliversFollowUpReplies();
    void notificationsNeedNoReply();

private:
    std::unique_ptr<QTemporaryDir> storeDir, workDir;
    QString store, work;
};

void tst_store_host::init() {
    storeDir = std::make_unique<QTemporaryDir>();
    workDir = std::make_unique<QTemporaryDir>();
    store = storeDir->path();
    work = workDir->path();
    writeFile(store + "/config/alarms/north/proc_def.cfg", "[P1_RUN]\r\nGroup=Pumps\r\n");
    writeFile(store + '/' + outputs + "/al_out_0001.cfg", "[System]\r\nName=A\r\n");
    writeFile(store + '/' + outputs + "/al_out_0002.cfg", "[System]\r\nName=B\xe9\r\n");
    QDir().mkpath(store + "/config/alarms/south");
    writeFile(store + "/config/devicetypes/north_A.xml", "<device_description/>");
    writeFile(store + "/config/devicetypes.xml", "<devicetypes>\r\n</devicetypes>\r\n");
    writeFile(store + "/outside.txt", "not in config");
}

void tst_store_host::commandReplies_data() {
    QTest::addColumn<StoreHost::ReplyMode>("mode");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("failure"); // operation, path, text to inject
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    struct Row {
        const char* name;
        QString word, path;
        QStringList failure, expected;
    };
    const QList<Row> rows = {
        {"dir", "dir", "config/alarms", none, {"dir Ok config/alarms"}},
        {"dir of a missing folder", "dir", "config/nothing", none, {"dir Fail config/nothing"}},
        {"downloadFile",
         "downloadFile",
         "config/devicetypes.xml",
         none,
         {"download Ok config/devicetypes.xml"}},
        {"downloadFile of a missing file",
         "downloadFile",
         "config/instances.xml",
         none,
         {"download Fail config/instances.xml"}},
        {"downloadFile of a folder",
         "downloadFile",
         "config/alarms",
         none,
         {"download Fail config/alarms"}},
        {"checkoutFile",
         "checkoutFile",
         "config/devicetypes.xml",
         none,
         {"download Ok config/devicetypes.xml", "lock Ok config/devicetypes.xml"}},
        {"checkoutFile of a missing file still locks",
         "checkoutFile",
         "config/instances.xml",
         none,
         {"download Fail config/instances.xml", "lock Ok config/instances.xml"}},
        {"checkoutDir, Done last",
         "checkoutDir",
         outputs,
         none,
         {"download Ok " + outputs + "/al_out_0001.cfg",
          "download Ok " + outputs + "/al_out_0002.cfg", "lock Ok " + outputs,
          "download Done " + outputs}},
        {"checkoutDir of a folder not in the store",
         "checkoutDir",
         "config/alarms/south/outputs",
         none,
         {"lock Ok config/alarms/south/outputs", "download Done config/alarms/south/outputs"}},
        {"syncDirDownload",
         "syncDirDownload",
         "config/devicetypes",
         none,
         {"download Ok config/devicetypes/north_A.xml", "download Done config/devicetypes"}},
        {"lock",
         "lock",
         "config/devicetypes/north_A.xml",
         none,
         {"lock Ok config/devicetypes/north_A.xml"}},
        {"unlock answers nothing", "unlock", "config/devicetypes.xml", none, {}},
        {"uploadFile without the lock",
         "uploadFile",
         "config/devicetypes.xml",
         none,
         {"upload Fail config/devicetypes.xml"}},
        {"syncDirUpload without the lock",
         "syncDirUpload",
         outputs,
         none,
         {"upload Fail " + outputs}},
        {"parent folder",
         "downloadFile",
         "config/../outside.txt",
         none,
         {"download Fail config/../outside.txt"}},
        {"leading parent folder", "checkoutDir", "../x", none, {"lock Fail ../x"}},
        {"absolute path", "dir", "/etc", none, {"dir Fail /etc"}},
        {"backslash",
         "downloadFile",
         "config\\..\\outside.txt",
         none,
         {"download Fail config\\..\\outside.txt"}},
        {"empty part",
         "uploadFile",
         "config//devicetypes.xml",
         none,
         {"upload Fail config//devicetypes.xml"}},
        {"lock folder", "lock", ".locks/x", none, {"lock Fail .locks/x"}},
        {"empty path", "syncDirDownload", "", none, {"download Fail "}},
        {"injected dir failure",
         "dir",
         "config/alarms",
         {"dir", "", "no listing"},
         {"dir Fail config/alarms"}},
        {"injected download failure",
         "downloadFile",
         "config/alarms/north/proc_def.cfg",
         {"download", "config/alarms/north/proc_def.cfg", "disk gone"},
         {"download Fail config/alarms/north/proc_def.cfg"}},
        {"injected download failure inside a checkout",
         "checkoutDir",
         outputs,
         {"download", outputs + "/al_out_0002.cfg", "bad sector"},
         {"download Ok " + outputs + "/al_out_0001.cfg",
          "download Fail " + outputs + "/al_out_0002.cfg", "lock Ok " + outputs,
          "download Done " + outputs}},
        {"injected lock refusal in checkoutFile",
         "checkoutFile",
         "config/devicetypes.xml",
         {"lock", "config/devicetypes.xml", "held by the night shift"},
         {"download Ok config/devicetypes.xml", "lock Fail config/devicetypes.xml"}},
        {"injected lock refusal in checkoutDir",
         "checkoutDir",
         outputs,
         {"lock", outputs, "held by the night shift"},
         {"download ReadOnly " + outputs + "/al_out_0001.cfg",
          "download ReadOnly " + outputs + "/al_out_0002.cfg", "lock Fail " + outputs,
          "download Done " + outputs}},
    };
    for (const auto mode : {StoreHost::ReplyMode::Immediate, StoreHost::ReplyMode::Queued}) {
        const char* modeName = mode == StoreHost::ReplyMode::Immediate ? "immediate" : "queued";
        for (const Row& row : rows)
            QTest::addRow("%s: %s", modeName, row.name)
                << mode << row.word << row.path << row.failure << row.expected;
    }
}

void tst_store_host::commandReplies() {
    QFETCH(StoreHost::ReplyMode, mode);
    QFETCH(QString, word);
    QFETCH(QString, path);
    QFETCH(QStringList, failure);
    QFETCH(QStringList, expected);

    StoreHost host(store, work, "alice");
    host.setReplyMode(mode);
    Recorder widget(work);
    QVERIFY(host.attach(&widget));
    if (!failure.isEmpty())
        host.failOperation(failure[0], failure[1], failure[2]);

    widget.send(word, path);
    if (mode == StoreHost::ReplyMode::Queued) {
        QCOMPARE(widget.replies.size(), 0); // nothing inside the emitting call
        QTRY_COMPARE(widget.replies.size(), expected.size());
        QTest::qWait(10); // and nothing more afterwards
    }
    QCOMPARE(describe(widget.replies), expected);
    QCOMPARE(host.commandLog(), (QList<StoreHost::Command>{{word, path}}));

    for (const HostReply& reply : widget.replies) {
        if (reply.result == HostReply::Fail) {
            QVERIFY2(!reply.text.isEmpty(), "a failure says what went wrong");
            if (!failure.isEmpty() && reply.file == failure[1])
                QCOMPARE(reply.text, failure[2]);
        } else if (reply.operation == "download" && reply.result != HostReply::Done) {
            QCOMPARE(readAll(work + '/' + reply.file), readAll(store + '/' + reply.file));
        }
    }
    if (word == "dir" && widget.replies.value(0).result == HostReply::Ok)
        QCOMPARE(widget.replies[0].text, QString("north\nsouth"));
    // A refused path touches nothing outside the two folders.
    QVERIFY(!QFileInfo::exists(work + "/../outside.txt"));
    QVERIFY(!QFileInfo::exists(work + "/outside.txt"));
}

void tst_store_host::checkoutDirMirrorsTheStore() {
    writeFile(work + '/' + outputs + "/al_out_0009.cfg", "gone from the store");
    writeFile(work + '/' + outputs + "/al_out_0002.cfg", "old local copy");
    StoreHost host(store, work, "alice");
    Recorder widget(work);
    host.attach(&widget);
    widget.send("checkoutDir", outputs);

    QCOMPARE(QDir(work + '/' + outputs).entryList(QDir::Files),
             QStringList({"al_out_0001.cfg", "al_out_0002.cfg"}));
    QCOMPARE(readAll(work + '/' + outputs + "/al_out_0002.cfg"),
             readAll(store + '/' + outputs + "/al_out_0002.cfg"));
    // The lock file lives in the store but never in a listing or a copy.
    widget.replies.clear();
    widget.send("dir", "config/alarms/north");
    QCOMPARE(widget.replies.value(0).text, QString("outputs"));
    QVERIFY(!QFileInfo::exists(work + "/.locks"));
}

void tst_store_host::locksBetweenTwoOwners() {
    QTemporaryDir otherWork;
    StoreHost alice(store, work, "alice");
    StoreHost bob(store, otherWork.path(), "bob");
    Recorder aliceWidget(work), bobWidget(otherWork.path());
    alice.attach(&aliceWidget);
    bob.attach(&bobWidget);

    aliceWidget.send("checkoutDir", outputs);
    aliceWidget.send("checkoutFile", "config/devicetypes.xml");
    QCOMPARE(alice.lockHolder(outputs), QString("alice"));

    bobWidget.send("checkoutDir", outputs);
    QCOMPARE(describe(bobWidget.replies),
             QStringList({"download ReadOnly " + outputs + "/al_out_0001.cfg",
                          "download ReadOnly " + outputs + "/al_out_0002.cfg",
                          "lock Fail " + outputs, "download Done " + outputs}));
    QVERIFY2(bobWidget.replies[2].text.contains("alice"), qPrintable(bobWidget.replies[2].text));

    bobWidget.replies.clear();
    bobWidget.send("checkoutFile", "config/devicetypes.xml");
    QCOMPARE(describe(bobWidget.replies), QStringList({"download ReadOnly config/devicetypes.xml",
                                                       "lock Fail config/devicetypes.xml"}));
    QVERIFY(bobWidget.replies[1].text.contains("alice"));

    // Bob can neither release nor overwrite what Alice holds.
    bobWidget.send("unlock", outputs);
    QCOMPARE(bob.lockHolder(outputs), QString("alice"));
    writeFile(otherWork.path() + '/' + outputs + "/al_out_0001.cfg", "bob's edit");
    bobWidget.replies.clear();
    bobWidget.send("syncDirUpload", outputs);
    QCOMPARE(describe(bobWidget.replies), QStringList({"upload Fail " + outputs}));
    QVERIFY(bobWidget.replies[0].text.contains("alice"));
    QCOMPARE(readAll(store + '/' + outputs + "/al_out_0001.cfg"),
             QByteArray("[System]\r\nName=A\r\n"));

    // Locking again what one holds is granted; releasing lets the other in.
    aliceWidget.replies.clear();
    aliceWidget.send("lock", outputs);
    QCOMPARE(describe(aliceWidget.replies), QStringList({"lock Ok " + outputs}));
    aliceWidget.send("unlock", outputs);
    QCOMPARE(alice.lockHolder(outputs), QString());
    bobWidget.replies.clear();
    bobWidget.send("lock", outputs);
    QCOMPARE(describe(bobWidget.replies), QStringList({"lock Ok " + outputs}));
    QCOMPARE(alice.lockHolder(outputs), QString("bob"));
}

void tst_store_host::uploadsCopyAndDelete() {
    StoreHost host(store, work, "alice");
    Recorder widget(work);
    host.attach(&widget);
    widget.send("checkoutDir", outputs);
    widget.send("checkoutFile", "config/devicetypes.xml");
    widget.send("lock", "config/devicetypes/north_A.xml");

    writeFile(work + '/' + outputs + "/al_out_0001.cfg", "changed\r\n");
    QVERIFY(QFile::remove(work + '/' + outputs + "/al_out_0002.cfg"));
    writeFile(work + '/' + outputs + "/al_out_0004.cfg", "new\r\n");
    QVERIFY(QFile::remove(work + "/config/devicetypes.xml"));
    writeFile(work + "/config/devicetypes/north_A.xml", "<device_description name=\"A\"/>");

    widget.replies.clear();
    widget.send("syncDirUpload", outputs);
    widget.send("uploadFile", "config/devicetypes.xml");
    widget.send("uploadFile", "config/devicetypes/north_A.xml");
    QCOMPARE(describe(widget.replies),
             QStringList({"upload Done " + outputs, "upload Done config/devicetypes.xml",
                          "upload Done config/devicetypes/north_A.xml"}));
    QCOMPARE(QDir(store + '/' + outputs).entryList(QDir::Files),
             QStringList({"al_out_0001.cfg", "al_out_0004.cfg"}));
    QCOMPARE(readAll(store + '/' + outputs + "/al_out_0001.cfg"), QByteArray("changed\r\n"));
    QVERIFY(!QFileInfo::exists(store + "/config/devicetypes.xml"));
    QCOMPARE(readAll(store + "/config/devicetypes/north_A.xml"),
             QByteArray("<device_description name=\"A\"/>"));
}

void tst_store_host::uploadNeedsTheLock() {
    StoreHost host(store, work, "alice");
    Recorder widget(work);
    host.attach(&widget);
    widget.send("downloadFile", "config/devicetypes.xml");
    writeFile(work + "/config/devicetypes.xml", "unlocked edit");
    widget.replies.clear();
    widget.send("uploadFile", "config/devicetypes.xml");
    QCOMPARE(describe(widget.replies), QStringList({"upload Fail config/devicetypes.xml"}));
    QCOMPARE(readAll(store + "/config/devicetypes.xml"),
             QByteArray("<devicetypes>\r\n</devicetypes>\r\n"));

    // A folder lock covers the files in it.
    widget.send("checkoutDir", outputs);
    writeFile(work + '/' + outputs + "/al_out_0001.cfg", "edited");
    widget.replies.clear();
    widget.send("uploadFile", outputs + "/al_out_0001.cfg");
    QCOMPARE(describe(widget.replies),
             QStringList({"upload Done " + outputs + "/al_out_0001.cfg"}));
    QCOMPARE(readAll(store + '/' + outputs + "/al_out_0001.cfg"), QByteArray("edited"));
}

void tst_store_host::syncDirUploadWithoutWorkingFolderKeepsTheStore() {
    StoreHost host(store, work, "alice");
    Recorder widget(work);
    host.attach(&widget);
    widget.send("lock", outputs); // locked, but never downloaded
    widget.replies.clear();
    widget.send("syncDirUpload", outputs);
    QCOMPARE(describe(widget.replies), QStringList({"upload Fail " + outputs}));
    QCOMPARE(QDir(store + '/' + outputs).entryList(QDir::Files).size(), 2);
}

void tst_store_host::flushDeliversFollowUpReplies() {
    StoreHost host(store, work, "alice");
    host.setReplyMode(StoreHost::ReplyMode::Queued);
    Recorder widget(work);
    host.attach(&widget);
    // Like the editor, answer the listing with a further command.
    widget.onReply = [&widget](const HostReply& reply) {
        if (reply.operation == "dir")
            widget.send("downloadFile", "config/devicetypes.xml");
    };
    widget.send("dir", "config/alarms");
    QCOMPARE(host.pendingReplies(), 1);
    QCOMPARE(host.flushReplies(), 2);
    QCOMPARE(describe(widget.replies),
             QStringList({"dir Ok config/alarms", "download Ok config/devicetypes.xml"}));
    QCOMPARE(host.pendingReplies(), 0);

    // A detached widget hears nothing of what was still queued.
    widget.send("dir", "config/alarms");
    host.detach();
    QCOMPARE(host.flushReplies(), 0);
    QCOMPARE(widget.replies.size(), 2);
}

void tst_store_host::notificationsNeedNoReply() {
    StoreHost host(store, work, "alice");
    Recorder widget(work);
    host.attach(&widget);
    QSignalSpy dirty(&host, &StoreHost::dirtyChanged);
    QSignalSpy navigate(&host, &StoreHost::navigateRequested);
    widget.send("dirty", QString());
    widget.send("clean", QString());
    widget.send("navigate", "Home/Alarms/Processes,P1_RUN");
    QCOMPARE(dirty.size(), 2);
    QCOMPARE(dirty[0][0].toBool(), true);
    QCOMPARE(dirty[1][0].toBool(), false);
    QCOMPARE(navigate.size(), 1);
    QCOMPARE(navigate[0][0].toString(), QString("Home/Alarms/Processes,P1_RUN"));
    QVERIFY(widget.replies.isEmpty());
}

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
