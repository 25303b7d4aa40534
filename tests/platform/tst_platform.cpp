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
             {"filenew", "filedelete", "duplicate", "up", "down", "paste", "copy"}) {
            QVERIFY2(fnIconStore(name), name);
            QCOMPARE(QImage(fnIconStore(name)).size(), QSize(16, 16)); // a null image has no size
        }
        for (const char* unknown : {"", "FileNew", "save"})
            QCOMPARE(fnIconStore(unknown), nullptr);
    }

    void listing_data() {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("blanks, CR LF, duplicates") << "\n  North \r\n\t\nSouth Hall\r\nNorth\n"
                                                   << QStringList{"North", "South Hall"};
        QTest::newRow("names that leave the folder")
            << ".\n..\n../etc\nx/y\nx\\y\nWest" << QStringList{"West"};
    }
    void listing() {
        QFETCH(QString, listing);
        QFETCH(QStringList, names);
        CSystemChooser chooser;
        auto* combo = chooser.findChild<QComboBox*>("systemCombo");
        QVERIFY(combo);
        QSignalSpy picked(&chooser, &CSystemChooser::sysChanged);
        chooser.setSystemNames(listing);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, names);
        QCOMPARE(chooser.getSystemName(), QString()); // the listing chooses nothing
        QCOMPARE(picked.count(), 0);

        combo->setCurrentIndex(-1);
        QTest::keyClick(combo, Qt::Key_Down); // what a user does
        QCOMPARE(chooser.getSystemName(), names.first());
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.at(0).at(0).toString(), names.first());
    }

    void profileString_data() {
        QTest::addColumn<QByteArray>("file");  // null: no file
        QTest::addColumn<QString>("expected"); // the default is "dflt"
        const QByteArray key = "[Status]\nDeviceInfodriverId=";
        QTest::newRow("any case") << QByteArray("[status]\r\nDEVICEINFODRIVERID=7\r\n") << "7";
        QTest::newRow("first match") << key + "1\nDeviceInfodriverId=2\n"
                                     << "1";
        QTest::newRow("trimmed") << QByteArray(" [ Status ] \n\t DeviceInfodriverId \t= a b \t\r\n")
                                 << "a b";
        QTest::newRow("quotes") << key + "\" 12 \"\n"
                                << " 12 ";
        QTest::newRow("255 characters") << key + QByteArray(300, 'x') << QString(255, 'x');
        QTest::newRow("bytes above 127")
            << key + "\xa0\xe9\xff" << QString::fromLatin1("\xa0\xe9\xff");
        QTest::newRow("other section")
            << QByteArray("[Other]\nDeviceInfodriverId=3\n[Status]\n") << "dflt";
        QTest::newRow("key is a prefix")
            << QByteArray("[Status]\nDeviceInfodriverIdX=3\n") << "dflt";
        QTest::newRow("no file") << QByteArray() << "dflt";
    }
    void profileString() {
        QFETCH(QByteArray, file);
        const QString fileName = dir.filePath(QTest::currentDataTag());
        QFile out(fileName);
        QVERIFY(file.isNull() ||
                (out.open(QIODevice::WriteOnly) && out.write(file) == file.size()));
        out.close();
        QTEST(getPrivateProfileString("Status", "DeviceInfodriverId", "dflt", fileName),
              "expected");
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
