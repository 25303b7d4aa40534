// The store host against a copy of the sample store, as one or two owners.
#include "common/store_copy.h"
#include "host/store_host.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString north = QStringLiteral("config/alarms/north/outputs");
const QString south = QStringLiteral("config/alarms/south/outputs"); // one module
const QString module = south + "/al_out_0001.cfg";
const QString file = QStringLiteral("config/instances.xml");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// A plug-in widget that records the host's replies as "operation result file".
class Recorder : public config_plugin_base {
    Q_OBJECT
public:
    explicit Recorder(const QString& root) : config_plugin_base(root, "recorder", QString()) {}
    void reply(const HostReply& r) override { replies.append(r); }
    QStringList send(const QString& word, const QString& path) {
        replies.clear();
        emit command(word, path);
        return described();
    }
    QStringList described() const {
        const QStringList results = {"Ok", "Fail", "ReadOnly", "Done"};
        QStringList out;
        for (const HostReply& r : replies)
            out << r.operation + ' ' + results.value(r.result, "?") + ' ' + r.file;
        return out;
    }
    QList<HostReply> replies;

signals:
    void command(QString word, QString path);
};

// One owner of the store: a host on its own working copy, and its widget.
struct Owner {
    Owner(const QString& store, const QString& name)
        : host(store, work.path(), name), widget(work.path()) {
        host.attach(&widget);
    }
    QString local(const QString& path) const { return work.path() + '/' + path; }
    QTemporaryDir work;
    StoreHost host;
    Recorder widget;
};

} // namespace

class tst_store_host : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> storeDir;
    QString store;

private slots:
    void init() {
        storeDir = std::make_unique<QTemporaryDir>();
        store = storeDir->path();
        QVERIFY(copyTree(sampleStore(), store));
        writeFile(store + "/outside.txt", "not in config");
    }

    void commandReplies_data() {
        QTest::addColumn<bool>("queued");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("failure"); // operation, path, text to inject
        const auto row = [](const char* name, const QString& word, const QString& path,
                            const QStringList& expected, const QStringList& failure = {}) {
            for (const bool queued : {false, true})
                QTest::addRow("%s: %s", queued ? "queued" : "immediate", name)
                    << queued << word << path << expected << failure;
        };
        row("dir", "dir", "config/alarms", {"dir Ok config/alarms"});
        row("downloadFile", "downloadFile", file, {"download Ok " + file});
        row("downloadFile, missing", "downloadFile", "config/none", {"download Fail config/none"});
        row("checkoutFile", "checkoutFile", file, {"download Ok " + file, "lock Ok " + file});
        row("checkoutDir, Done last", "checkoutDir", south,
            {"download Ok " + module, "lock Ok " + south, "download Done " + south});
        row("syncDirDownload", "syncDirDownload", south,
            {"download Ok " + module, "download Done " + south});
        row("lock", "lock", file, {"lock Ok " + file});
        row("unlock answers nothing", "unlock", file, {});
        row("uploadFile without the lock", "uploadFile", file, {"upload Fail " + file});
        row("path escape", "downloadFile", "config/../outside.txt",
            {"download Fail config/../outside.txt"});
        row("injected failure", "checkoutDir", south,
            {"download Fail " + module, "lock Ok " + south, "download Done " + south},
            {"download", module, "bad sector"});
    }
    void commandReplies() {
        QFETCH(bool, queued);
        QFETCH(QString, word);
        QFETCH(QString, path);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, failure);
        Owner alice(store, "alice");
        alice.host.setReplyMode(queued ? StoreHost::ReplyMode::Queued
                                       : StoreHost::ReplyMode::Immediate);
        if (!failure.isEmpty())
            alice.host.failOperation(failure[0], failure[1], failure[2]);

        const QStringList withinTheCall = alice.widget.send(word, path);
        if (queued) {
            QCOMPARE(withinTheCall, QStringList());
            QTRY_COMPARE(alice.widget.replies.size(), expected.size());
            QTest::qWait(10); // and nothing more afterwards
        }
        QCOMPARE(alice.widget.described(), expected);
        for (const HostReply& reply : alice.widget.replies) {
            if (reply.result == HostReply::Fail)
                QVERIFY(!failure.isEmpty() ? reply.text == failure[2] : !reply.text.isEmpty());
            else if (reply.operation == "download" && reply.result == HostReply::Ok)
                QCOMPARE(readAll(alice.local(reply.file)), readAll(store + '/' + reply.file));
        }
        if (word == "dir" && alice.widget.replies.value(0).result == HostReply::Ok)
            QCOMPARE(alice.widget.replies[0].text, QString("north\nsouth"));
        QVERIFY(!QFileInfo::exists(alice.local("outside.txt")));
    }

    void twoOwners() {
        Owner alice(store, "alice"), bob(store, "bob");
        alice.widget.send("checkoutDir", south);
        QCOMPARE(bob.widget.send("checkoutDir", south),
                 QStringList({"download ReadOnly " + module, "lock Fail " + south,
                              "download Done " + south}));
        QVERIFY2(bob.widget.replies[1].text.contains("alice"),
                 qPrintable(bob.widget.replies[1].text));

        // Bob can neither release nor overwrite what Alice holds.
        bob.widget.send("unlock", south);
        QCOMPARE(bob.host.lockHolder(south), QString("alice"));
        const QByteArray stored = readAll(store + '/' + module);
        writeFile(bob.local(module), "bob's edit");
        QCOMPARE(bob.widget.send("syncDirUpload", south), QStringList({"upload Fail " + south}));
        QVERIFY(bob.widget.replies[0].text.contains("alice"));
        QCOMPARE(readAll(store + '/' + module), stored);

        alice.widget.send("unlock", south);
        QCOMPARE(bob.widget.send("lock", south), QStringList({"lock Ok " + south}));
        QCOMPARE(alice.host.lockHolder(south), QString("bob"));
    }

    void uploadsCopyAndDelete() {
        Owner alice(store, "alice");
        alice.widget.send("checkoutDir", north);
        alice.widget.send("checkoutFile", file);
        writeFile(alice.local(north + "/al_out_0001.cfg"), "changed\r\n");
        QVERIFY(QFile::remove(alice.local(north + "/al_out_0002.cfg")));
        writeFile(alice.local(north + "/al_out_0004.cfg"), "new\r\n");
        QVERIFY(QFile::remove(alice.local(file)));

        QCOMPARE(alice.widget.send("syncDirUpload", north), QStringList({"upload Done " + north}));
        QCOMPARE(alice.widget.send("uploadFile", file), QStringList({"upload Done " + file}));
        QCOMPARE(QDir(store + '/' + north).entryList(QDir::Files),
                 QStringList({"al_out_0001.cfg", "al_out_0003.cfg", "al_out_0004.cfg"}));
        QCOMPARE(readAll(store + '/' + north + "/al_out_0001.cfg"), QByteArray("changed\r\n"));
        QVERIFY(!QFileInfo::exists(store + '/' + file));
    }

    void notificationsNeedNoReply() {
        Owner alice(store, "alice");
        QSignalSpy dirty(&alice.host, &StoreHost::dirtyChanged);
        QSignalSpy navigate(&alice.host, &StoreHost::navigateRequested);
        alice.widget.send("dirty", QString());
        alice.widget.send("clean", QString());
        alice.widget.send("navigate", "Home/Alarms/Processes,P1_RUN");
        QCOMPARE(dirty, (QList<QVariantList>{{true}, {false}}));
        QCOMPARE(navigate, (QList<QVariantList>{{"Home/Alarms/Processes,P1_RUN"}}));
        QVERIFY(alice.widget.replies.isEmpty());
    }
};

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
