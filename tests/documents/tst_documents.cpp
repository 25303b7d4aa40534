// The system document, the file loader and the atoi rules.

#include "editor/documents.h"
#include "plugin/plugin_interfaces.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

namespace {

QStringList traces;

void collectTraces(QtMsgType, const QMessageLogContext&, const QString& message) {
    traces << message;
}

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
    void bounds();
    void load_data();
    void load();
    void isFile_data();
    void isFile();
    void requestDownload();
    void atoiLike_data();
    void atoiLike();
};

void tst_documents::bounds() {
    const Document_TolvSystem document;
    QCOMPARE(document.path, QString("system/tolv_system.ini"));
    QCOMPARE(document.maxInfodriver(), 999);
    QCOMPARE(document.maxSlot(), 4096);
    QCOMPARE(document.spareLimit(), 999);
    QCOMPARE(document.deviceInfodriverId(), -1);
}

void tst_documents::load_data() {
    QTest::addColumn<QByteArray>("file"); // null: no file
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("id");

    QTest::newRow("number") << QByteArray("[Status]\r\nDeviceInfodriverId=17\r\n") << true << 17;
    QTest::newRow("minus two") << QByteArray("[Status]\nDeviceInfodriverId=-2\n") << true << -2;
    QTest::newRow("letters") << QByteArray("[Status]\nDeviceInfodriverId=abc7\n") << true << 0;
    QTest::newRow("minus one") << QByteArray("[Status]\nDeviceInfodriverId=-1\n") << false << -1;
    QTest::newRow("key missing") << QByteArray("[Status]\nOther=5\n") << false << -1;
    QTest::newRow("no file") << QByteArray() << false << -1;
}

void tst_documents::load() {
    QFETCH(QByteArray, file);
    QFETCH(bool, ok);
    QTemporaryDir root;
    if (!file.isNull()) {
        QVERIFY(QDir(root.path()).mkpath("config/system"));
        QFile ini(root.filePath("config/system/tolv_system.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(file);
    }
    // Only the copy under "config" is read.
    QVERIFY(QDir(root.path()).mkpath("system"));
    QFile decoy(root.filePath("system/tolv_system.ini"));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("[Status]\nDeviceInfodriverId=99\n");
    decoy.close();

    documentsRoot = root.path();
    traces.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectTraces);
    Document_TolvSystem document;
    const bool loaded = document.load();
    qInstallMessageHandler(previous);
    documentsRoot.clear();

    QCOMPARE(loaded, ok);
    QTEST(document.deviceInfodriverId(), "id");
    QCOMPARE(traces.contains("Failed to read Device Status ID"), !ok);
    QCOMPARE(document.maxSlot(), 4096);
}

void tst_documents::isFile_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("same");

    QTest::newRow("exact") << "config/system/tolv_system.ini" << true;
    QTest::newRow("other case") << "CONFIG/System/Tolv_System.INI" << true;
    QTest::newRow("without config") << "system/tolv_system.ini" << false;
}

void tst_documents::isFile() {
    QFETCH(QString, path);
    QTEST(TestLoad().isFile(path), "same");
}

void tst_documents::requestDownload() {
    TestLoad loader;
    CommandRecorder host;
    loader.requestDownload(&host);
    loader.requestDownload(&host); // asks again while not loaded
    loader.setLoaded(true);
    loader.requestDownload(&host);
    loader.requestDownload(nullptr);
    QCOMPARE(host.sent, QStringList(2, "downloadFile config/system/tolv_system.ini"));
}

void tst_documents::atoiLike_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("leading white space") << " \t\r\n\v\f7" << 7;
    QTest::newRow("signs") << "+5" << 5;
    QTest::newRow("trailing text") << "-12ab3" << -12;
    QTest::newRow("blank after sign") << "- 5" << 0;
    QTest::newRow("letters first") << "abc" << 0;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("\u0663") << 0;
    QTest::newRow("largest") << "2147483647" << INT_MAX;
    QTest::newRow("smallest") << "-2147483648" << INT_MIN;
    QTest::newRow("too large saturates") << "99999999999999999999" << INT_MAX;
    QTest::newRow("too small saturates") << "-99999999999999999999" << INT_MIN;
}

void tst_documents::atoiLike() {
    QFETCH(QString, text);
    QTEST(::atoiLike(text), "value");
}

QTEST_GUILESS_MAIN(tst_documents)
#include "tst_documents.moc"
