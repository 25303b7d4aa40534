// Window and column layouts kept in the settings store.

#include "proclist/control_geometry.h"

#include "common/test_support.h"

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include <optional>

namespace {

const QString procList = "Home/Alarms/Outputs/Tolv Output/ProcList";
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";
using Widths = QList<int>;

// A five-column list whose form sizes the columns to their contents.
std::unique_ptr<QTreeWidget> makeList(int width = 500) {
    auto view = std::make_unique<QTreeWidget>();
    view->setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->resize(width, 300);
    return view;
}

Widths columnWidths(const QTreeWidget& view) {
    Widths widths;
    for (int column = 0; column < view.columnCount(); ++column)
        widths << view.columnWidth(column);
    return widths;
}

} // namespace

class tst_geometry : public QObject {
    Q_OBJECT
    std::optional<ScopedSettings> settings;

private slots:
    void init() { settings.emplace(); }
    void cleanup() { settings.reset(); }

    void restoreListView_data() {
        QTest::addColumn<QString>("stored"); // null: nothing stored
        QTest::addColumn<int>("width");
        QTest::addColumn<Widths>("restored"); // the leading columns; the others keep their width
        QTest::newRow("nothing stored") << QString() << 500 << Widths{};
        QTest::newRow("two columns") << "600,120,80" << 600 << Widths{120, 80};
    }
    void restoreListView() {
        QFETCH(QString, stored);
        QFETCH(Widths, restored);
        if (!stored.isNull())
            writeControlSetting(stored, procList);
        auto view = makeList();
        const Widths before = columnWidths(*view);
        restoreListViewColumns(view.get(), procList);
        QTEST(view->width(), "width");
        const Widths after = columnWidths(*view);
        QCOMPARE(after.mid(0, restored.size()), restored);
        QCOMPARE(after.mid(restored.size()), before.mid(restored.size()));
    }

    void listViewRoundTrip() {
        auto view = makeList(432);
        const Widths widths{61, 72, 83, 94, 105};
        view->header()->setSectionResizeMode(QHeaderView::Interactive);
        for (int column = 0; column < 5; ++column)
            view->setColumnWidth(column, widths[column]);
        saveListViewColumns(view.get(), procList);
        QCOMPARE(readControlSetting(procList), QString("432,61,72,83,94,105"));
        const QString file =
            QSettings(QSettings::IniFormat, QSettings::UserScope, "KX", "ConfigEdit").fileName();
        QVERIFY2(file.startsWith(settings->path()) && QFile::exists(file), qPrintable(file));

        auto reopened = makeList();
        restoreListViewColumns(reopened.get(), procList);
        QCOMPARE(reopened->width(), 432);
        QCOMPARE(columnWidths(*reopened), widths);
    }

    void window_data() {
        QTest::addColumn<QString>("stored"); // null: written by writeWindowGeometry
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("maximized") << QString() << QRect(-4, 0, 640, 480) << true;
        QTest::newRow("normal") << QString() << QRect(10, 20, 300, 400) << false;
        QTest::newRow("not numbers read as 0") << "left,5,wide,7,yes" << QRect(0, 5, 0, 7) << false;
    }
    void window() {
        QFETCH(QString, stored);
        QFETCH(QRect, geometry);
        QFETCH(bool, maximized);
        if (stored.isNull())
            writeWindowGeometry(geometry.topLeft(), geometry.size(), maximized, posSize);
        else
            writeControlSetting(stored, posSize);
        QPoint pos(7, 8);
        QSize size(90, 60);
        bool readMaximized = !maximized;
        readWindowGeometry(pos, size, readMaximized, posSize);
        QCOMPARE(QRect(pos, size), geometry);
        QCOMPARE(readMaximized, maximized);
    }
};

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
