// The system document and the file loader.

#include "common/trace_capture.h"
#include "editor/documents.h"
#include "plugin/plugin_interfaces.h"
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_documents : public QObject {
    Q_OBJECT

private slots:
    void load_data() {
        QTest::addColumn<QByteArray>("line"); // of the [Status] section
        QTest::addColumn<int>("id");
        QTest::newRow("minus two") << QByteArray("DeviceInfodriverId=-2") << -2;
        QTest::newRow("letters") << QByteArray("DeviceInfodriverId=abc7") << 0;
        QTest::newRow("key missing") << QByteArray("Other=5") << -1;
    }
    void load() {
        QFETCH(QByteArray, line);
        QFETCH(int, id);
        QTemporaryDir root; // only the copy under "config" is read; the other answers 99
        for (const QString& folder : {QString("config/system"), QString("system")}) {
            QFile ini(root.filePath(folder + "/tolv_system.ini"));
            QVERIFY(QDir(root.path()).mkpath(folder) && ini.open(QIODevice::WriteOnly));
            ini.write("[Status]\r\n" + (folder == "system" ? "DeviceInfodriverId=99" : line));
        }
        documentsRoot = root.path();
        TraceCapture trace;
        Document_TolvSystem document;
        QCOMPARE(document.load(), id != -1);
        QCOMPARE(document.deviceInfodriverId(), id);
        QCOMPARE(trace.contains("Failed to read Device Status ID"), id == -1);
        QCOMPARE(QList<int>({document.maxInfodriver(), document.maxSlot(), document.spareLimit()}),
                 QList<int>({999, 4096, 999}));
    }

    void fileLoad() {
        struct : FileLoad {
            using FileLoad::FileLoad;
            bool load(const QString&) override { return false; }
        } loader{"config/system/tolv_system.ini"};
        QVERIFY(loader.isFile("CONFIG/System/Tolv_System.INI") &&
                !loader.isFile("system/tolv_system.ini"));
        struct : ISendCommand {
            void sendCommand(const QString& w, const QString& f) override { sent << w + ' ' + f; }
            QStringList sent;
        } host;
        loader.requestDownload(&host);
        loader.requestDownload(&host); // asks again while not loaded
        loader.setLoaded(true);
        loader.requestDownload(&host);
        QCOMPARE(host.sent, QStringList(2, "downloadFile config/system/tolv_system.ini"));
    }
};

QTEST_GUILESS_MAIN(tst_documents)
#include "tst_documents.moc"
