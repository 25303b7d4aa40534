// The INI profile reader, as the system ini and the module files are read.
#include "core/ini_profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_ini_profile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void profileString_data() {
        QTest::addColumn<QByteArray>("text");  // null: no file
        QTest::addColumn<QString>("expected"); // the default is "dflt"
        const QByteArray key = "[Status]\nDeviceInfodriverId=";
        QTest::newRow("any case") << QByteArray("[status]\r\nDEVICEINFODRIVERID=7\r\n") << "7";
        QTest::newRow("first match") << key + QByteArray("1\nDeviceInfodriverId=2") << "1";
        QTest::newRow("trimmed") << QByteArray(" [ Status ] \n\t DeviceInfodriverId \t= a b \t\r")
                                 << "a b";
        QTest::newRow("quotes") << key + QByteArray("\" 12 \"") << " 12 ";
        QTest::newRow("8-bit bytes kept, even at the ends") << key + QByteArray("\xa0"
                                                                                "caf\xe9\x85")
                                                            << QString::fromUtf8("\u00a0café…");
        QTest::newRow("255 characters") << key + QByteArray(300, 'x') << QString(255, 'x');
        QTest::newRow("other section")
            << QByteArray("[Other]\nDeviceInfodriverId=3\n[Status]") << "dflt";
        QTest::newRow("key is a prefix") << QByteArray("[Status]\nDeviceInfodriverIdX=3") << "dflt";
        QTest::newRow("no file") << QByteArray() << "dflt";
    }

    void profileString() {
        QFETCH(QByteArray, text);
        QFile out(dir.filePath(QTest::currentDataTag()));
        QVERIFY(text.isNull() || (out.open(QFile::WriteOnly) && out.write(text) == text.size()));
        out.close();
        QTEST(getPrivateProfileString("Status", "DeviceInfodriverId", "dflt", out.fileName()),
              "expected");
    }

    void entryLine_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line"); // 0: not found
        QTest::newRow("after other sections")
            << QByteArray("[General]\r\nA=1\r\n\r\n[Status]\r\nX=2\r\nDeviceInfodriverId=5\r\n")
            << 6;
        QTest::newRow("LF only, first match")
            << QByteArray("[Status]\nDeviceInfodriverId=\nDeviceInfodriverId=2") << 2;
        QTest::newRow("missing") << QByteArray("[Status]\nOther=1\n") << 0;
    }

    void entryLine() {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFile out(dir.filePath(QString("entry ") + QTest::currentDataTag()));
        QVERIFY(out.open(QFile::WriteOnly) && out.write(text) == text.size());
        out.close();
        const ProfileEntry entry =
            findPrivateProfileEntry("Status", "DeviceInfodriverId", out.fileName());
        QCOMPARE(entry.found, line != 0);
        QCOMPARE(entry.line, line);
    }
};

QTEST_GUILESS_MAIN(tst_ini_profile)
#include "tst_ini_profile.moc"
