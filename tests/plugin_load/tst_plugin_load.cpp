// The built plug-in loaded by path through the host's own loader, and whole runs
// of the host window with the store host on a copy of the sample store.
#include "common/store_copy.h"
#include "common/test_support.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/store_host.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

const QString pluginName = QStringLiteral("alm_tolv_output");
const QString outputs = QStringLiteral("config/alarms/north/outputs");

QStringList lockFiles(const QString& store) {
    return QDir(store + '/' + StoreHost::lockFolder).entryList(QDir::Files);
}

QStringList comboItems(QWidget* root) {
    QStringList items;
    if (auto* combo = root->findChild<QComboBox*>("systemCombo"))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items;
}

QStringList moduleRows(QWidget* root) {
    QStringList rows;
    if (auto* list = root->findChild<QTreeWidget*>("fileList"))
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + '|' + list->topLevelItem(i)->text(1);
    return rows;
}

// One host on a store: its working copy, executor and window.
struct Session {
    Session(PluginLoader& loader, const QString& store, const QString& owner,
            StoreHost::ReplyMode mode)
        : host(store, work.path(), owner),
          window(loader, host, {work.path(), pluginName, QString()}) {
        host.setReplyMode(mode);
    }
    void settle() {
        host.flushReplies();
        QCoreApplication::processEvents();
    }
    QTemporaryDir work;
    StoreHost host;
    HostWindow window;
};

} // namespace

Q_DECLARE_METATYPE(StoreHost::ReplyMode)

class tst_plugin_load : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void entryYieldsIndependentDescriptors();
    void menuPathsAndIconIgnoreArguments_data();
    void menuPathsAndIconIgnoreArguments();
    void widgetContract();
    void fullRun_data();
    void fullRun();
    void secondOwnerWorksReadOnly();

private:
    ScopedSettings settings;
    std::unique_ptr<PluginLoader> loader;
    std::unique_ptr<QTemporaryDir> storeDir;
    QString store;
};

void tst_plugin_load::initTestCase() {
    loader = std::make_unique<PluginLoader>(TOLV_PLUGIN_PATH);
    QVERIFY2(loader->load(), qPrintable(loader->errorString()));
    QVERIFY(loader->descriptor());
}

void tst_plugin_load::init() {
    storeDir = std::make_unique<QTemporaryDir>();
    store = storeDir->path();
    QVERIFY(copyTree(sampleStore(), store));
}

void tst_plugin_load::entryYieldsIndependentDescriptors() {
    QVERIFY(loader->entry());
    std::unique_ptr<config_plugin_desc_base> first(loader->entry()());
    std::unique_ptr<config_plugin_desc_base> second(loader->entry()());
    QVERIFY(first && second);
    QVERIFY(first.get() != second.get());
    QVERIFY(first.get() != loader->descriptor());
    first.reset(); // deleting one leaves the other usable
    QCOMPARE(second->menuPaths(0, 0), QStringList{"Home/Alarms/Outputs/Tolv Output"});

    PluginLoader missing("/nonexistent/libalm_tolv_output.so");
    QVERIFY(!missing.load());
    QVERIFY(missing.errorString().contains("/nonexistent/libalm_tolv_output.so"));
    QVERIFY(!missing.descriptor());
}

void tst_plugin_load::menuPathsAndIconIgnoreArguments_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("small") << 1 << -5;
    QTest::newRow("extremes") << INT_MAX << INT_MIN;
}

void tst_plugin_load::menuPathsAndIconIgnoreArguments() {
    QFETCH(int, a);
    QFETCH(int, b);
    config_plugin_desc_base* desc = loader->descriptor();
    QCOMPARE(desc->menuPaths(a, b), QStringList{"Home/Alarms/Outputs/Tolv Output"});
    const QPixmap icon = desc->icon(a);
    QCOMPARE(icon.size(), QSize(14, 14));
    QCOMPARE(icon.toImage(), desc->icon(0).toImage());
    QVERIFY(icon.hasAlpha()); // the one "None" pixel is transparent
}

void tst_plugin_load::widgetContract() {
    QTemporaryDir work;
    std::unique_ptr<config_plugin_base> widget(
        loader->descriptor()->createWidget(work.path(), pluginName, "extra"));
    QVERIFY(widget);
    QCOMPARE(widget->objectName(), pluginName);
    QVERIFY(widget->about().contains("Alarm System TOLV Output"));
    for (const char* name : {"alm_tolv_output", "IDomDoc", "IGetDocuments", "ISendCommand"})
        QVERIFY2(widget->qt_metacast(name), name);
    QVERIFY(!widget->qt_metacast("NoSuchInterface"));

    const QDockWindowList docks = widget->dockWindows();
    QCOMPARE(docks.size(), 2);
    QVERIFY(qobject_cast<QDockWidget*>(docks[0]));
    QVERIFY(qobject_cast<QToolBar*>(docks[1]));
    const QPopupMenuList menus = widget->popupMenus();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus[0]->objectName(), QString("&TOLV Output"));
}

void tst_plugin_load::fullRun_data() {
    QTest::addColumn<StoreHost::ReplyMode>("mode");
    QTest::newRow("immediate") << StoreHost::ReplyMode::Immediate;
    QTest::newRow("queued") << StoreHost::ReplyMode::Queued;
}

void tst_plugin_load::fullRun() {
    QFETCH(StoreHost::ReplyMode, mode);
    ModalScript modal;
    Session session(*loader, store, "tester", mode);
    HostWindow& window = session.window;
    window.show();

    QVERIFY(window.openEntry());
    QPointer<config_plugin_base> editor = window.editor();
    QVERIFY(editor);
    QCOMPARE(window.centralWidget(), editor.data());
    QVERIFY(editor->isVisible());
    session.settle();
    QCOMPARE(comboItems(&window), QStringList({"north", "south"}));

    // The editor's dock, tool bar and menu are part of the window.
    auto* dock = qobject_cast<QDockWidget*>(editor->dockWindows().value(0));
    QVERIFY(dock && dock->isVisible());
    QCOMPARE(window.dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    auto* bar = qobject_cast<QToolBar*>(editor->dockWindows().value(1));
    QVERIFY(bar && bar->isVisible());
    QCOMPARE(window.toolBarArea(bar), Qt::TopToolBarArea);
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, QStringList({"&File", "&TOLV Output", "&Help"}));

    QVERIFY(window.chooseSystem("north"));
    QVERIFY(!window.chooseSystem("west"));
    session.settle();
    QCOMPARE(moduleRows(&window),
             QStringList({"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));
    for (const QString& path :
         {outputs, QString("config/devicetypes.xml"), QString("config/instances.xml")})
        QCOMPARE(session.host.lockHolder(path), QString("tester"));
    QVERIFY(modal.seen.isEmpty());

    // "dirty" shows in the title; Apply uploads and the "clean" that follows clears it.
    QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
    QVERIFY(window.windowTitle().startsWith('*'));
    window.apply();
    session.settle();
    QVERIFY(!window.windowTitle().startsWith('*'));
    QVERIFY(!editor->isDirty());

    QVERIFY(window.close());
    QVERIFY(!editor); // closed, then deleted
    QCOMPARE(lockFiles(store), QStringList());
    QCOMPARE(QFileInfo(store + '/' + outputs + "/al_out_0003.cfg").size(),
             QFileInfo(TOLV_SOURCE_DIR "/examples/store/" + outputs + "/al_out_0003.cfg").size());
}

void tst_plugin_load::secondOwnerWorksReadOnly() {
    ModalScript modal;
    Session first(*loader, store, "first", StoreHost::ReplyMode::Immediate);
    first.window.openEntry();
    QVERIFY(first.window.chooseSystem("north"));
    const QStringList held = lockFiles(store);
    QCOMPARE(held.size(), 3);

    Session second(*loader, store, "second", StoreHost::ReplyMode::Queued);
    second.window.openEntry();
    second.settle();
    QVERIFY(second.window.chooseSystem("north"));
    second.settle();

    QStringList lockBoxes;
    for (const SeenDialog& box : modal.seen)
        if (box.caption == "Lock")
            lockBoxes << box.text;
    QCOMPARE(lockBoxes.size(), 3);
    for (const QString& text : lockBoxes)
        QVERIFY2(text.contains("first"), qPrintable(text));
    auto* newAction = second.window.editor()->findChild<QAction*>("new");
    QVERIFY(newAction && !newAction->isEnabled());
    // The read-only copy is there all the same.
    QCOMPARE(moduleRows(&second.window),
             QStringList({"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));

    second.window.close();
    QCOMPARE(lockFiles(store), held); // the second host released nothing of the first's
    first.window.close();
    QCOMPARE(lockFiles(store), QStringList());
}

QTEST_MAIN(tst_plugin_load)
#include "tst_plugin_load.moc"
