// The INI profile reader, as the system ini and the module files are read, and the
// system document with its built-in limits.
#include "common/files.h"
#include "core/documents.h"
#include "core/ini_profile.h"

class tst_ini_profile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void profileString_data() {
        QTest::addColumn<QByteArray>("text");  // null: no file
        QTest::addColumn<QString>("expected"); // the default is "dflt"
        QTest::addColumn<int>("line");         // where findPrivateProfileEntry finds it
        const QByteArray key = "[Status]\nDeviceInfodriverId=";
        QTest::newRow("any case") << QByteArray("[status]\r\nDEVICEINFODRIVERID=7\r\n") << "7" << 2;
        QTest::newRow("first match") << key + QByteArray("1\nDeviceInfodriverId=2") << "1" << 2;
        QTest::newRow("after other sections")
            << QByteArray("[General]\r\nA=1\r\n\r\n[Status]\r\nX=2\r\nDeviceInfodriverId=5\r\n")
            << "5" << 6;
        QTest::newRow("trimmed") << QByteArray(" [ Status ] \n\t DeviceInfodriverId \t= a b \t\r")
                                 << "a b" << 2;
        QTest::newRow("quotes") << key + QByteArray("\" 12 \"") << " 12 " << 2;
        QTest::newRow("8-bit bytes kept, even at the ends")
            << key + QByteArray("\xa0"
                                "caf\xe9\x85")
            << QString::fromUtf8("\u00a0café…") << 2;
        QTest::newRow("255 characters") << key + QByteArray(300, 'x') << QString(255, 'x') << 2;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + key + "3"
                                         << "3" << 2;
        QTest::newRow("CR line ends")
            << QByteArray("[Other]\rDeviceInfodriverId=1\r[Status]\rDeviceInfodriverId=4\r") << "4"
            << 4;
        QTest::newRow("other section")
            << QByteArray("[Other]\nDeviceInfodriverId=3\n[Status]") << "dflt" << 0;
        QTest::newRow("key is a prefix")
            << QByteArray("[Status]\nDeviceInfodriverIdX=3") << "dflt" << 0;
        QTest::newRow("no file") << QByteArray() << "dflt" << 0;
    }
    void profileString() {
        QFETCH(QByteArray, text);
        const QString path = dir.filePath(QTest::currentDataTag());
        if (!text.isNull())
            writeFile(path, text);
        QTEST(getPrivateProfileString("Status", "DeviceInfodriverId", "dflt", path), "expected");
        QTEST(findPrivateProfileEntry("Status", "DeviceInfodriverId", path).line, "line");
    }

    void systemDocument_data() {
        QTest::addColumn<QByteArray>("line"); // of the [Status] section
        QTest::addColumn<int>("id");
        QTest::newRow("minus two") << QByteArray("DeviceInfodriverId=-2") << -2;
        QTest::newRow("twelve") << QByteArray("DeviceInfodriverId=12") << 12;
        QTest::newRow("quoted blanks") << QByteArray("DeviceInfodriverId=\" \t12\"") << 12;
        QTest::newRow("letters") << QByteArray("DeviceInfodriverId=abc7") << 0;
        QTest::newRow("key missing") << QByteArray("Other=5") << -1;
    }
    void systemDocument() {
        QFETCH(QByteArray, line);
        QFETCH(int, id);
        QTemporaryDir root; // only the copy under "config" is read; the other answers 99
        writeFile(root.filePath("config/system/tolv_system.ini"), "[Status]\r\n" + line);
        writeFile(root.filePath("system/tolv_system.ini"), "[Status]\r\nDeviceInfodriverId=99");
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

QTEST_GUILESS_MAIN(tst_ini_profile)
#include "tst_ini_profile.moc"
