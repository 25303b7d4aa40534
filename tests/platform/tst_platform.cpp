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

namespace {

const char* const iconNames[] = {"filenew", "filedelete", "duplicate", "up",
                                 "down",    "paste",      "copy"};

QStringList items(const QComboBox& combo) {
    QStringList names;
    for (int i = 0; i < combo.count(); ++i)
        names << combo.itemText(i);
    return names;
}

} // namespace

class tst_platform : public QObject {
    Q_OBJECT

private slots:
    void icons();

    void listing_data();
    void listing();
    void userPicksSystem();
    void refreshedListing();

    void profileString_data();
    void profileString();

private:
    QTemporaryDir dir;
};

void tst_platform::icons() {
    QList<QImage> seen;
    for (const char* name : iconNames) {
        const char* const* xpm = fnIconStore(name);
        QVERIFY2(xpm, name);
        const QImage image(xpm);
        QVERIFY2(!image.isNull(), name); // the XPM data parses
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY2(image.hasAlphaChannel(), name);
        QCOMPARE(qAlpha(image.pixel(0, 15)), 0); // transparent background
        for (const QImage& other : seen)
            QVERIFY2(image != other, name); // each name has its own picture
        seen << image;
    }
    for (const char* unknown : {"", "FileNew", "up ", "save"})
        QCOMPARE(fnIconStore(unknown), nullptr);
    QCOMPARE(fnIconStore(nullptr), nullptr);
}

void tst_platform::listing_data() {
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("LF") << "North\nSouth\n" << QStringList{"North", "South"};
    QTest::newRow("CR LF") << "North\r\nSouth\r\n" << QStringList{"North", "South"};
    QTest::newRow("blank lines and blanks")
        << "\n  North \r\n\t\n South Hall\t\n   " << QStringList{"North", "South Hall"};
    QTest::newRow("duplicates") << "B\nA\nB\nA\n" << QStringList{"B", "A"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("names that leave the folder")
        << ".\n..\n../etc\nx/y\nx\\y\nWest" << QStringList{"West"};
}

void tst_platform::listing() {
    QFETCH(QString, listing);
    CSystemChooser chooser(nullptr, "chooser");
    QCOMPARE(chooser.objectName(), QString("chooser"));
    auto* combo = chooser.findChild<QComboBox*>("systemCombo");
    QVERIFY(combo);
    QSignalSpy picked(&chooser, &CSystemChooser::sysChanged);

    chooser.setSystemNames(listing);
    QTEST(items(*combo), "names");
    QCOMPARE(chooser.getSystemName(), QString()); // nothing chosen by the listing
    QCOMPARE(picked.count(), 0);
}

void tst_platform::userPicksSystem() {
    CSystemChooser chooser;
    auto* combo = chooser.findChild<QComboBox*>("systemCombo");
    QSignalSpy picked(&chooser, &CSystemChooser::sysChanged);
    chooser.setSystemNames("North\nSouth\n");

    combo->setCurrentIndex(0);
    QTest::keyClick(combo, Qt::Key_Down); // what a user does
    QCOMPARE(chooser.getSystemName(), QString("South"));
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).toString(), QString("South"));
}

void tst_platform::refreshedListing() {
    CSystemChooser chooser;
    auto* combo = chooser.findChild<QComboBox*>("systemCombo");
    chooser.setSystemNames("North\nSouth\n");
    combo->setCurrentIndex(1);
    QSignalSpy picked(&chooser, &CSystemChooser::sysChanged);

    chooser.setSystemNames("East\r\nSouth\r\n");
    QCOMPARE(chooser.getSystemName(), QString("South"));
    chooser.setSystemNames("East\n");
    QCOMPARE(chooser.getSystemName(), QString());
    QCOMPARE(picked.count(), 0);
}

void tst_platform::profileString_data() {
    QTest::addColumn<QByteArray>("file");  // null: no file
    QTest::addColumn<QString>("expected"); // the default is "dflt"

    QTest::newRow("any letter case") << QByteArray("[status]\r\nDEVICEINFODRIVERID=7\r\n") << "7";
    QTest::newRow("first match wins") << QByteArray("[Status]\nDeviceInfodriverId=1\n"
                                                    "DeviceInfodriverId=2\n")
                                      << "1";
    QTest::newRow("trimmed") << QByteArray("  [ Status ]  \n\t DeviceInfodriverId \t=  a b \t\r\n")
                             << "a b";
    QTest::newRow("double quotes")
        << QByteArray("[Status]\nDeviceInfodriverId=\" 12 \"\n") << " 12 ";
    QTest::newRow("single quotes") << QByteArray("[Status]\nDeviceInfodriverId='x'\n") << "x";
    QTest::newRow("unmatched quote") << QByteArray("[Status]\nDeviceInfodriverId=\"x'\n") << "\"x'";
    QTest::newRow("255 characters") << "[Status]\nDeviceInfodriverId=" + QByteArray(300, 'x') + "\n"
                                    << QString(255, 'x');
    QTest::newRow("bytes above 127")
        << QByteArray("[Status]\nDeviceInfodriverId=\xa0\xe9\xff\x85\n")
        << QString::fromLatin1("\xa0\xe9\xff\x85");
    QTest::newRow("key in another section")
        << QByteArray("[Other]\nDeviceInfodriverId=3\n[Status]\nX=1\n") << "dflt";
    QTest::newRow("section missing") << QByteArray("DeviceInfodriverId=3\n[Other]\n") << "dflt";
    QTest::newRow("no file") << QByteArray() << "dflt";
    QTest::newRow("key is a prefix") << QByteArray("[Status]\nDeviceInfodriverIdX=3\n") << "dflt";
}

void tst_platform::profileString() {
    QFETCH(QByteArray, file);
    const QString fileName = dir.filePath(QTest::currentDataTag());
    QFile out(fileName);
    if (!file.isNull()) {
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
        out.close();
    }

    QTEST(getPrivateProfileString("Status", "DeviceInfodriverId", "dflt", fileName), "expected");
}

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
