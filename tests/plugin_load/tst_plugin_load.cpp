// The built plug-in loaded by path through the host's own loader, and whole runs
// of the host window with the store host on a copy of the sample store.
#include "common/store_copy.h"
#include "common/test_support.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/store_host.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

const QString pluginName = QStringLiteral("alm_tolv_output");
const QString outputs = QStringLiteral("config/alarms/north/outputs");
const QStringList northModules = {"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"};

QStringList lockFiles(const QString& store) {
    return QDir(store + '/' + StoreHost::lockFolder).entryList(QDir::Files);
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
    Session(PluginLoader& loader, const QString& store, const QString& owner, bool queued)
        : host(store, work.path(), owner),
          window(loader, host, {work.path(), pluginName, QString()}) {
        host.setReplyMode(queued ? StoreHost::ReplyMode::Queued : StoreHost::ReplyMode::Immediate);
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

class tst_plugin_load : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    std::unique_ptr<PluginLoader> loader;
    std::unique_ptr<QTemporaryDir> storeDir;
    QString store;

private slots:
    void initTestCase() {
        loader = std::make_unique<PluginLoader>(TOLV_PLUGIN_PATH);
        QVERIFY2(loader->load() && loader->descriptor(), qPrintable(loader->errorString()));
    }
    void init() {
        storeDir = std::make_unique<QTemporaryDir>();
        store = storeDir->path();
        QVERIFY(copyTree(sampleStore(), store));
    }

    void descriptors() {
        std::unique_ptr<config_plugin_desc_base> first(loader->entry()());
        std::unique_ptr<config_plugin_desc_base> second(loader->entry()());
        QVERIFY(first && second && first != second && first.get() != loader->descriptor());
        first.reset(); // deleting one leaves the other usable
        const QPixmap icon = second->icon(0);
        QCOMPARE(icon.size(), QSize(14, 14));
        for (const auto& [a, b] : {std::pair{0, 0}, {1, -5}, {INT_MAX, INT_MIN}}) {
            QCOMPARE(second->menuPaths(a, b), QStringList{"Home/Alarms/Outputs/Tolv Output"});
            QCOMPARE(second->icon(a).toImage(), icon.toImage());
        }
    }

    void widgetContract() {
        QTemporaryDir work;
        std::unique_ptr<config_plugin_base> widget(
            loader->descriptor()->createWidget(work.path(), pluginName, "extra"));
        QVERIFY(widget);
        for (const char* name : {"alm_tolv_output", "IDomDoc", "IGetDocuments", "ISendCommand"})
            QVERIFY2(widget->qt_metacast(name), name);
        QVERIFY(!widget->qt_metacast("NoSuchInterface"));
        const QDockWindowList docks = widget->dockWindows();
        QCOMPARE(docks.size(), 2);
        QVERIFY(qobject_cast<QDockWidget*>(docks[0]) && qobject_cast<QToolBar*>(docks[1]));
        QCOMPARE(widget->popupMenus().size(), 1);
        QCOMPARE(widget->popupMenus()[0]->objectName(), QString("&TOLV Output"));
    }

    void fullRun_data() {
        QTest::addColumn<bool>("queued");
        QTest::newRow("immediate") << false;
        QTest::newRow("queued") << true;
    }
    void fullRun() {
        QFETCH(bool, queued);
        ModalScript modal;
        Session session(*loader, store, "tester", queued);
        session.window.show();
        QVERIFY(session.window.openEntry());
        QPointer<config_plugin_base> editor = session.window.editor();
        QVERIFY(editor && editor->isVisible());
        session.settle();
        auto* combo = session.window.findChild<QComboBox*>("systemCombo");
        QVERIFY(combo && combo->count() == 2 && combo->itemText(1) == "south");

        QVERIFY(session.window.chooseSystem("north"));
        session.settle();
        QCOMPARE(moduleRows(&session.window), northModules);
        for (const QString& path :
             {outputs, QString("config/devicetypes.xml"), QString("config/instances.xml")})
            QCOMPARE(session.host.lockHolder(path), QString("tester"));
        QVERIFY(modal.seen.isEmpty());

        // Apply uploads, and the "clean" that follows clears the title's mark.
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
        QVERIFY(session.window.windowTitle().startsWith('*'));
        session.window.apply();
        session.settle();
        QVERIFY(!session.window.windowTitle().startsWith('*') && !editor->isDirty());

        QVERIFY(session.window.close());
        QVERIFY(!editor); // closed, then deleted
        QCOMPARE(lockFiles(store), QStringList());
    }

    void secondOwnerWorksReadOnly() {
        ModalScript modal;
        Session first(*loader, store, "first", false);
        first.window.openEntry();
        QVERIFY(first.window.chooseSystem("north"));
        const QStringList held = lockFiles(store);
        QCOMPARE(held.size(), 3);

        Session second(*loader, store, "second", true);
        second.window.openEntry();
        second.settle();
        QVERIFY(second.window.chooseSystem("north"));
        second.settle();
        QCOMPARE(modal.seen.size(), 3);
        for (const SeenDialog& box : modal.seen)
            QVERIFY2(box.caption == "Lock" && box.text.contains("first"), qPrintable(box.text));
        QVERIFY(!second.window.editor()->findChild<QAction*>("new")->isEnabled());
        QCOMPARE(moduleRows(&second.window), northModules); // read-only, but there

        second.window.close();
        QCOMPARE(lockFiles(store), held); // the second host released nothing of the first's
        first.window.close();
        QCOMPARE(lockFiles(store), QStringList());
    }
};

QTEST_MAIN(tst_plugin_load)
#include "tst_plugin_load.moc"
