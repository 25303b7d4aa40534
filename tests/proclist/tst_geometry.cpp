// Window and column layouts kept in the settings store.
#include "common/fixture.h"
#include "proclist/control_geometry.h"

#include <QHeaderView>
#include <QTableWidget>
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
        writeControlSetting("345,51,62,73", path);
        QTableWidget table(2, 3);
        table.horizontalHeader()->setStretchLastSection(false);
        restoreTableColumns(&table, path);
        writeControlSetting("", path);
        saveTableColumns(&table, path); // what was restored, written again
        QCOMPARE(readControlSetting(path), QString("345,51,62,73"));
    }

    // Fields missing from a short layout leave their part as it was; fields that
    // are not numbers read as 0.
    void windowGeometryRoundTrips() {
        const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";
        QPoint pos;
        QSize size;
        bool maximized = false;
        auto read = [&] {
            return readWindowGeometry(pos, size, maximized, posSize), QRect(pos, size);
        };
        writeWindowGeometry({-4, 20}, {640, 480}, true, posSize);
        QVERIFY(read() == QRect(-4, 20, 640, 480) && maximized);
        writeControlSetting("1,2,30,40", posSize);
        QVERIFY(read() == QRect(1, 2, 30, 40) && maximized);
        writeControlSetting("left,5,wide,7,false", posSize);
        QVERIFY(read() == QRect(0, 5, 0, 7) && !maximized);
    }
};

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
