// Window and column layouts kept in the settings store.

#include "proclist/control_geometry.h"

#include "common/test_support.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

const QString procList = "Home/Alarms/Outputs/Tolv Output/ProcList";
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";

// The list's width, then its five columns' widths.
static QList<int> widths(const QTreeWidget& view) {
    QList<int> result{view.width()};
    for (int column = 0; column < view.columnCount(); ++column)
        result << view.columnWidth(column);
    return result;
}

class tst_geometry : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void listView() {
        QTreeWidget view; // as the form makes it: columns sized to their contents
        view.setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
        view.header()->setStretchLastSection(false);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        const QList<int> fitted = widths(view);
        restoreListViewColumns(&view, procList); // nothing stored: nothing changes
        QCOMPARE(widths(view), fitted);
        writeControlSetting("600,120,80", procList); // the other columns keep their widths
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(view), QList<int>({600, 120, 80}) + fitted.mid(3));

        const QList<int> saved{432, 61, 72, 83, 94, 105};
        view.resize(saved[0], 300);
        view.header()->setSectionResizeMode(QHeaderView::Interactive);
        for (int column = 0; column < 5; ++column)
            view.setColumnWidth(column, saved[column + 1]);
        saveListViewColumns(&view, procList);
        QCOMPARE(readControlSetting(procList), QString("432,61,72,83,94,105"));
        view.resize(500, 300);
        view.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        restoreListViewColumns(&view, procList);
        QCOMPARE(widths(view), saved);
    }

    void window() {
        QPoint pos;
        QSize size;
        bool maximized = false;
        for (const bool written : {true, false}) {
            writeWindowGeometry({-4, 20}, {640, 480}, written, posSize);
            readWindowGeometry(pos, size, maximized, posSize);
            QCOMPARE(QRect(pos, size), QRect(-4, 20, 640, 480));
            QCOMPARE(maximized, written);
        }
        writeControlSetting("left,5,wide,7,true", posSize); // not numbers: read as 0
        readWindowGeometry(pos, size, maximized, posSize);
        QCOMPARE(QRect(pos, size), QRect(0, 5, 0, 7));
        QVERIFY(maximized);
    }
};

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
