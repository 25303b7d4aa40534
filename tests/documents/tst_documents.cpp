// The system document, the file loader and the atoi rules.

#include "editor/documents.h"
#include "plugin/plugin_interfaces.h"

#include "common/trace_capture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

namespace {

struct CommandRecorder : ISendCommand {
    void sendCommand(const QString& command, const QString& file) override {
        sent << command + ' ' + file;
    }
    QStringList sent;
};

struct TestLoad : FileLoad {
    TestLoad() : FileLoad("config/system/tolv_system.ini") {}
    bool load(const QString&) override { return false; }
};

} // namespace

class tst_documents : public QObject {
    Q_OBJECT

private slots:
    void load_data() {
        QTest::addColumn<QByteArray>("value"); // null: key missing
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("id");
        QTest::newRow("number") << QByteArray("17") << true << 17;
        QTest::newRow("minus two") << QByteArray("-2") << true << -2;
        QTest::newRow("letters") << QByteArray("abc7") << true << 0;
        QTest::newRow("key missing") << QByteArray() << false << -1;
    }
    void load() {
        QFETCH(QByteArray, value);
        QTemporaryDir root;
        // Only the copy under "config" is read; the other one would answer 99.
        for (const QString& folder : {QString("config/system"), QString("system")}) {
            QVERIFY(QDir(root.path()).mkpath(folder));
            QFile ini(root.filePath(folder + "/tolv_system.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(folder == "system" ? QByteArray("[Status]\nDeviceInfodriverId=99\n")
                      : value.isNull()   ? QByteArray("[Status]\nOther=5\n")
                                         : "[Status]\r\nDeviceInfodriverId=" + value + "\r\n");
        }
        documentsRoot = root.path();
        TraceCapture trace;
        Document_TolvSystem document;
        QCOMPARE(document.path, QString("system/tolv_system.ini"));
        QTEST(document.load(), "ok");
        documentsRoot.clear();
        QTEST(document.deviceInfodriverId(), "id");
        QCOMPARE(trace.contains("Failed to read Device Status ID"), value.isNull());
        QCOMPARE(document.maxInfodriver(), 999);
        QCOMPARE(document.maxSlot(), 4096);
        QCOMPARE(document.spareLimit(), 999);
    }

    void fileLoad() {
        TestLoad loader;
        QVERIFY(loader.isFile("CONFIG/System/Tolv_System.INI"));
        QVERIFY(!loader.isFile("system/tolv_system.ini"));
        CommandRecorder host;
        loader.requestDownload(&host);
        loader.requestDownload(&host); // asks again while not loaded
        loader.setLoaded(true);
        loader.requestDownload(&host);
        QCOMPARE(host.sent, QStringList(2, "downloadFile config/system/tolv_system.ini"));
    }

    void atoiLike_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("leading white space, sign") << " \t\r\n\v\f+7" << 7;
        QTest::newRow("trailing text") << "-12ab3" << -12;
        QTest::newRow("blank after sign") << "- 5" << 0;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0663") << 0;
        QTest::newRow("smallest") << "-2147483648" << INT_MIN;
        QTest::newRow("too large saturates") << "99999999999999999999" << INT_MAX;
    }
    void atoiLike() {
        QFETCH(QString, text);
        QTEST(::atoiLike(text), "value");
    }
};

QTEST_GUILESS_MAIN(tst_documents)
#include "tst_documents.moc"
