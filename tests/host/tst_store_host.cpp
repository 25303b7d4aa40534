// The store host against a copy of the sample store, as one or two owners.
#include "common/store_copy.h"
#include "host/store_host.h"

#include <QTemporaryDir>
#include <QtTest>

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
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// A plug-in widget that records the host's replies, and each as "operation result file".
class Recorder : public config_plugin_base {
    Q_OBJECT
public:
    using config_plugin_base::config_plugin_base;
    void reply(const HostReply& r) override {
        replies.append(r);
        lines << r.operation + ' ' + results.value(r.result) + ' ' + r.file;
    }
    QStringList send(const QString& word, const QString& path) {
        replies.clear();
        lines.clear();
        emit command(word, path);
        return lines;
    }
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
    }
    QString local(const QString& path) const { return work.path() + '/' + path; }
    QTemporaryDir work;
    StoreHost host;
    Recorder widget;
};

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
        QTest::addColumn<QStringList>("command"); // word and path
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("injected"); // the failure of the module's download
        const auto row = [](const char* name, const QStringList& command,
                            const QStringList& expected, const QString& injected = {}) {
            for (const bool queued : {false, true})
                QTest::addRow("%s: %s", queued ? "queued" : "immediate", name)
                    << queued << command << expected << injected;
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
        QFETCH(bool, queued);
        QFETCH(QStringList, command);
        QFETCH(QStringList, expected);
        QFETCH(QString, injected);
        Owner alice(store, "alice");
        alice.host.setReplyMode(StoreHost::ReplyMode(queued)); // Immediate, Queued
        if (!injected.isEmpty())
            alice.host.failOperation("download", module, injected);
        QCOMPARE(alice.widget.send(command[0], command[1]), queued ? QStringList() : expected);
        QTRY_COMPARE(alice.widget.lines, expected);
        for (const HostReply& reply : alice.widget.replies) // failures say why; downloads copy
            if (reply.result == HostReply::Fail)
                QVERIFY(injected.isEmpty() ? !reply.text.isEmpty() : reply.text == injected);
            else if (reply.operation == "download" && reply.result == HostReply::Ok)
                QCOMPARE(readAll(alice.local(reply.file)), readAll(store + '/' + reply.file));
    }

    void twoOwnersAndUploads() {
        Owner alice(store, "alice"), bob(store, "bob");
        alice.widget.send("checkoutDir", south);
        QCOMPARE(bob.widget.send("checkoutDir", south),
                 QStringList({"download ReadOnly " + module, "lock Fail " + south,
                              "download Done " + south}));
        // Bob can neither release nor overwrite what Alice holds; unlock answers nothing.
        QCOMPARE(bob.widget.send("unlock", south), QStringList());
        QCOMPARE(bob.host.lockHolder(south), QString("alice"));
        writeFile(bob.local(module), "bob's edit");
        QCOMPARE(bob.widget.send("syncDirUpload", south), QStringList({"upload Fail " + south}));
        QCOMPARE(readAll(store + '/' + module), readAll(sampleStore() + '/' + module));
        alice.widget.send("unlock", south);
        QCOMPARE(bob.widget.send("lock", south), QStringList({"lock Ok " + south}));
        QCOMPARE(alice.host.lockHolder(south), QString("bob"));
        // Uploads copy what changed and delete what the working copy no longer has.
        alice.widget.send("checkoutDir", north);
        QCOMPARE(alice.widget.send("checkoutFile", file),
                 QStringList({"download Ok " + file, "lock Ok " + file}));
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
};

QTEST_MAIN(tst_store_host)
#include "tst_store_host.moc"
