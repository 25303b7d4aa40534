// Window and column layouts kept in the settings store.

#include "proclist/control_geometry.h"

#include "common/fixture.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

const QString procList = "Home/Alarms/Outputs/Tolv Output/ProcList";

class tst_geometry : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() { settings = std::make_unique<ScopedSettings>(); } // nothing stored yet

    // The list's width, then its columns'; what a layout lacks keeps the widths
    // the columns fit to. Saving writes the layout back.
    void listViewColumns_data() {
        QTest::addColumn<QString>("stored");
        QTest::newRow("nothing stored") << QString();
        QTest::newRow("short layout") << "600,120,80";
        QTest::newRow("full layout") << "432,61,72,83,94,105";
    }
    void listViewColumns() {
        QFETCH(QString, stored);
        QTreeWidget view; // as the form makes it: columns sized to their contents
        view.setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
        view.header()->setStretchLastSection(false);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        auto widths = [&](QStringList result = {}) {
            for (int column = -1; column < view.columnCount(); ++column)
                result << QString::number(column < 0 ? view.width() : view.columnWidth(column));
            return result;
        };
        QStringList expected = widths();
        for (int i = 0; i < stored.count(',') + 1 && !stored.isNull(); ++i)
            expected[i] = stored.section(',', i, i);
        if (!stored.isNull())
            writeControlSetting(stored, procList);
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(), expected);
        QCOMPARE(view.header()->sectionResizeMode(0) == QHeaderView::Interactive, !stored.isNull());
        saveListViewColumns(&view, procList);
        QCOMPARE(readControlSetting(procList), expected.join(','));
    }

    void tableLayoutRoundTrips() {
        const QString path = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/TableInstance";
        QTableWidget table(2, 3), again(2, 3);
        table.resize(345, 200);
        for (int column = 0; column < 3; ++column)
            table.setColumnWidth(column, 51 + 11 * column);
        saveTableColumns(&table, path);
        QCOMPARE(readControlSetting(path), QString("345,51,62,73"));
        again.horizontalHeader()->setStretchLastSection(false);
        restoreTableColumns(&again, path);
        saveTableColumns(&again, path); // what was restored, written again
        QCOMPARE(readControlSetting(path), QString("345,51,62,73"));
    }

    void windowGeometryRoundTrips() {
        const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";
        QPoint pos;
        QSize size;
        bool maximized = false;
        for (const bool written : {true, false}) {
            writeWindowGeometry({-4, 20}, {640, 480}, written, posSize);
            readWindowGeometry(pos, size, maximized, posSize);
            QCOMPARE(QRect(pos, size), QRect(-4, 20, 640, 480));
            QCOMPARE(maximized, written);
        }
        writeControlSetting("1,2,30,40", posSize); // four fields: the size, maximized as it was
        readWindowGeometry(pos, size, maximized, posSize);
        QCOMPARE(QRect(pos, size), QRect(1, 2, 30, 40));
        writeControlSetting("left,5,wide,7,true", posSize); // fields not numbers read as 0
        readWindowGeometry(pos, size, maximized, posSize);
        QCOMPARE(QRect(pos, size), QRect(0, 5, 0, 7));
        QVERIFY(maximized);
    }
};

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
