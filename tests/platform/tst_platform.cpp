// The sibling libraries (icons, system selector) and the INI profile reader.

#include "platform/icon_store.h"
#include "platform/ini_profile.h"
#include "platform/system_chooser.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_platform : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void icons() {
        for (const char* name :
             {"filenew", "filedelete", "duplicate", "up", "down", "paste", "copy"})
            QVERIFY2(fnIconStore(name) && QImage(fnIconStore(name)).size() == QSize(16, 16), name);
        for (const char* unknown : {"", "FileNew", "save"})
            QCOMPARE(fnIconStore(unknown), nullptr);
    }

    void listing() {
        CSystemChooser chooser;
        auto* combo = chooser.findChild<QComboBox*>("systemCombo");
        QVERIFY(combo);
        QSignalSpy picked(&chooser, &CSystemChooser::sysChanged);
        chooser.setSystemNames("\n  North \r\n\t\n.\n..\n../etc\nx/y\nx\\y\nSouth Hall\r\nNorth\n");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, QStringList({"North", "South Hall"}));
        QCOMPARE(chooser.getSystemName(), QString()); // the listing chooses nothing
        combo->setCurrentIndex(-1);
        QTest::keyClick(combo, Qt::Key_Down); // what a user does
        QCOMPARE(chooser.getSystemName(), QString("North"));
        QCOMPARE(picked, QList<QVariantList>{{"North"}});
    }

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
                                                            << QString::fromLatin1("\xa0"
                                                                                   "caf\xe9\x85");
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
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
