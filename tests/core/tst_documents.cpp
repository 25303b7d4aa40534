// The system document and its built-in limits.

#include "common/files.h"
#include "core/documents.h"
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
};

QTEST_GUILESS_MAIN(tst_documents)
#include "tst_documents.moc"
