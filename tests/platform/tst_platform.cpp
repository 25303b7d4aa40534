// The sibling libraries: icons and the system selector.

#include "platform/icon_store.h"
#include "platform/system_chooser.h"

#include <QComboBox>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

class tst_platform : public QObject {
    Q_OBJECT

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
        QCOMPARE(combo->count(), 2);
        QVERIFY(combo->itemText(0) == "North" && combo->itemText(1) == "South Hall");
        QCOMPARE(chooser.getSystemName(), QString()); // the listing chooses nothing
        combo->setCurrentIndex(-1);
        QTest::keyClick(combo, Qt::Key_Down); // what a user does
        QCOMPARE(chooser.getSystemName(), QString("North"));
        QCOMPARE(picked, QList<QVariantList>{{"North"}});
    }
};

QTEST_MAIN(tst_platform)
#include "tst_platform.moc"
