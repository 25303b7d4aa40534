// Window and column layouts kept in the settings store.

#include "proclist/control_geometry.h"

#include "common/test_support.h"

#include <QFile>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <optional>

namespace {

const QString procList = "Home/Alarms/Outputs/Tolv Output/ProcList";
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";

using Widths = QList<int>;

// A five-column list view whose form sizes the columns to their contents.
std::unique_ptr<QTreeWidget> makeList() {
    auto view = std::make_unique<QTreeWidget>();
    view->setColumnCount(5);
    view->setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->resize(500, 300);
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

private slots:
    void init() { settings.emplace(); }
    void cleanup() { settings.reset(); }

    void restoreListView_data();
    void restoreListView();
    void listViewRoundTrip();
    void valueWrittenWithoutQuotes();
    void tableRoundTrip();
    void writeWindow();
    void readWindow_data();
    void readWindow();

private:
    std::optional<ScopedSettings> settings;
};

void tst_geometry::restoreListView_data() {
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<int>("width");
    QTest::addColumn<Widths>("widths"); // -1: the automatic width, -2: the minimum
    QTest::addColumn<int>("manualColumns");

    // A zero width is applied; the header keeps its minimum section size.
    const Widths automatic{-1, -1, -1, -1, -1};
    QTest::newRow("nothing stored") << QString() << 500 << automatic << 0;
    QTest::newRow("width and two columns")
        << "600,120,80" << 600 << Widths{120, 80, -1, -1, -1} << 2;
    QTest::newRow("empty fields dropped")
        << ",600,,120," << 600 << Widths{120, -1, -1, -1, -1} << 1;
    QTest::newRow("more fields than columns")
        << "300,31,32,33,34,35,36,37" << 300 << Widths{31, 32, 33, 34, 35} << 5;
    QTest::newRow("not numbers read as 0") << "wide,x,70" << 0 << Widths{-2, 70, -1, -1, -1} << 2;
}

void tst_geometry::restoreListView() {
    QFETCH(QString, stored);
    QFETCH(int, width);
    QFETCH(Widths, widths);
    QFETCH(int, manualColumns);
    if (!stored.isNull())
        writeControlSetting(stored, procList);

    auto view = makeList();
    const Widths before = columnWidths(*view);
    for (int column = 0; column < 5; ++column)
        if (widths[column] == -1)
            widths[column] = before[column];
        else if (widths[column] == -2)
            widths[column] = view->header()->minimumSectionSize();
    restoreListViewColumns(view.get(), procList);

    QCOMPARE(view->width(), width);
    QCOMPARE(view->height(), 300);
    QCOMPARE(columnWidths(*view), widths);
    for (int column = 0; column < 5; ++column)
        QCOMPARE(view->header()->sectionResizeMode(column),
                 column < manualColumns ? QHeaderView::Interactive : QHeaderView::ResizeToContents);
}

void tst_geometry::listViewRoundTrip() {
    auto view = makeList();
    view->resize(432, 300);
    view->header()->setSectionResizeMode(QHeaderView::Interactive);
    const Widths widths{61, 72, 83, 94, 105};
    for (int column = 0; column < 5; ++column)
        view->setColumnWidth(column, widths[column]);
    saveListViewColumns(view.get(), procList);

    QCOMPARE(readControlSetting(procList), QString("432,61,72,83,94,105"));

    auto reopened = makeList();
    restoreListViewColumns(reopened.get(), procList);
    QCOMPARE(reopened->width(), 432);
    QCOMPARE(columnWidths(*reopened), widths);
}

// Another program may have written the value without quotes; the INI reader
// then splits it at the commas.
void tst_geometry::valueWrittenWithoutQuotes() {
    writeControlSetting("600,120,80", procList);
    const QString file =
        QSettings(QSettings::IniFormat, QSettings::UserScope, "KX", "ConfigEdit").fileName();
    QVERIFY(file.startsWith(settings->path()));
    QFile ini(file);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArray text = ini.readAll();
    ini.close();
    QVERIFY2(text.contains("\"600,120,80\""), text.constData());

    text.replace("\"600,120,80\"", "600,120,80");
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
    ini.close();

    QCOMPARE(readControlSetting(procList), QString("600,120,80"));
}

void tst_geometry::tableRoundTrip() {
    const QString path = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/TableInstance";
    QTableWidget table(3, 2);
    table.resize(250, 100);
    table.setColumnWidth(0, 70);
    table.setColumnWidth(1, 90);
    saveTableColumns(&table, path);
    QCOMPARE(readControlSetting(path), QString("250,70,90"));

    QTableWidget reopened(3, 2);
    reopened.setColumnWidth(1, 33);
    writeControlSetting("310,45", path);
    restoreTableColumns(&reopened, path);
    QCOMPARE(reopened.width(), 310);
    QCOMPARE(reopened.columnWidth(0), 45);
    QCOMPARE(reopened.columnWidth(1), 33);
}

void tst_geometry::writeWindow() {
    writeWindowGeometry(QPoint(-4, 0), QSize(640, 480), true, posSize);
    QCOMPARE(readControlSetting(posSize), QString("-4,0,640,480,true"));
    writeWindowGeometry(QPoint(10, 20), QSize(300, 400), false, posSize);
    QCOMPARE(readControlSetting(posSize), QString("10,20,300,400,false"));
}

void tst_geometry::readWindow_data() {
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("maximized");

    // The caller's defaults are (7, 8), 90 x 60 and maximized.
    QTest::newRow("nothing stored") << QString() << QPoint(7, 8) << QSize(90, 60) << true;
    QTest::newRow("normal") << "10,20,300,400,false" << QPoint(10, 20) << QSize(300, 400) << false;
    QTest::newRow("maximized") << "-4,0,640,480,true" << QPoint(-4, 0) << QSize(640, 480) << true;
    QTest::newRow("not numbers read as 0")
        << "left,5,wide,7,yes" << QPoint(0, 5) << QSize(0, 7) << false;
    QTest::newRow("position only") << "3,4" << QPoint(3, 4) << QSize(90, 60) << true;
}

void tst_geometry::readWindow() {
    QFETCH(QString, stored);
    if (!stored.isNull())
        writeControlSetting(stored, posSize);

    QPoint pos(7, 8);
    QSize size(90, 60);
    bool maximized = true;
    readWindowGeometry(pos, size, maximized, posSize);
    QTEST(pos, "pos");
    QTEST(size, "size");
    QTEST(maximized, "maximized");
}

QTEST_MAIN(tst_geometry)
#include "tst_geometry.moc"
