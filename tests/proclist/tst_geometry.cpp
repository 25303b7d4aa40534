// Window and column layouts kept in the settings store.

#include "proclist/control_geometry.h"

#include "common/fixture.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

const QString procList = "Home/Alarms/Outputs/Tolv Output/ProcList";
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";
const QString tableInstance = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/TableInstance";

// The list's width, then its five columns' widths.
static QList<int> widths(const QTreeWidget& view) {
    QList<int> result{view.width()};
    for (int column = 0; column < view.columnCount(); ++column)
        result << view.columnWidth(column);
    return result;
}

class tst_geometry : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() { settings = std::make_unique<ScopedSettings>(); } // nothing stored yet

    void cleanup() { settings.reset(); }

    void listViewWithoutAStoredLayoutKeepsItsColumns() {
        QTreeWidget view; // as the form makes it: columns sized to their contents
        view.setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        const QList<int> fitted = widths(view);
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(view), fitted);
    }

    void listViewShortLayoutLeavesTheOtherColumns() {
        QTreeWidget view;
        view.setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
        view.header()->setStretchLastSection(false);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        const QList<int> fitted = widths(view);
        writeControlSetting("600,120,80", procList);
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(view), QList<int>({600, 120, 80}) + fitted.mid(3));
        QCOMPARE(view.header()->sectionResizeMode(0), QHeaderView::Interactive);
    }

    void listViewLayoutRoundTrips() {
        QTreeWidget view;
        view.setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
        view.header()->setStretchLastSection(false);
        const QList<int> saved{432, 61, 72, 83, 94, 105};
        view.resize(saved[0], 300);
        for (int column = 0; column < 5; ++column)
            view.setColumnWidth(column, saved[column + 1]);
        saveListViewColumns(&view, procList);
        QCOMPARE(readControlSetting(procList), QString("432,61,72,83,94,105"));
        view.resize(500, 300);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(view), saved);
    }

    void tableLayoutRoundTrips() {
        QTableWidget table(2, 3);
        table.horizontalHeader()->setStretchLastSection(false);
        table.resize(345, 200);
        const QList<int> columns{51, 62, 73};
        for (int column = 0; column < 3; ++column)
            table.setColumnWidth(column, columns[column]);
        saveTableColumns(&table, tableInstance);
        QCOMPARE(readControlSetting(tableInstance), QString("345,51,62,73"));

        QTableWidget again(2, 3);
        again.horizontalHeader()->setStretchLastSection(false);
        restoreTableColumns(&again, tableInstance);
        QCOMPARE(again.width(), 345);
        for (int column = 0; column < 3; ++column)
            QCOMPARE(again.columnWidth(column), columns[column]);
    }

    void windowGeometryRoundTrips_data() {
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << false;
        QTest::newRow("maximized") << true;
    }
    void windowGeometryRoundTrips() {
        QFETCH(bool, maximized);
        QPoint pos;
        QSize size;
        bool readMaximized = !maximized;
        writeWindowGeometry({-4, 20}, {640, 480}, maximized, posSize);
        readWindowGeometry(pos, size, readMaximized, posSize);
        QCOMPARE(QRect(pos, size), QRect(-4, 20, 640, 480));
        QCOMPARE(readMaximized, maximized);
    }

    void windowGeometryFieldsThatAreNotNumbersReadAsZero() {
        QPoint pos;
        QSize size;
        bool maximized = false;
        writeControlSetting("left,5,wide,7,true", posSize);
        readWindowGeometry(pos, size, maximized, posSize);
        QCOMPARE(QRect(pos, size), QRect(0, 5, 0, 7));
        QVERIFY(maximized);
    }
};

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
