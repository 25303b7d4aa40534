// The built plug-in loaded by path, and whole runs of the host window on a store copy.
#include "common/fixture.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/store_host.h"
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <climits>
#include <memory>

const QString pluginName = QStringLiteral("alm_tolv_output");
const QStringList northModules = {"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"};

static QStringList moduleRows(QWidget* root) {
    QStringList rows;
    if (auto* list = root->findChild<QTreeWidget*>("fileList"))
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + '|' + list->topLevelItem(i)->text(1);
    return rows;
}

static StoreHost::ReplyMode otherMode(StoreHost::ReplyMode mode) {
    return mode == StoreHost::ReplyMode::Queued ? StoreHost::ReplyMode::Immediate
                                                : StoreHost::ReplyMode::Queued;
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

const QString north = QStringLiteral("config/alarms/north/outputs");

static void replyModes() {
    QTest::addColumn<StoreHost::ReplyMode>("mode");
    QTest::newRow("immediate") << StoreHost::ReplyMode::Immediate;
    QTest::newRow("queued") << StoreHost::ReplyMode::Queued;
}

class tst_plugin_load : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    PluginLoader loader{TOLV_PLUGIN_PATH};

    // The editor of the session on system north with its first module selected.
    config_plugin_base* openOnFirstModule(Session& session) {
        if (!session.window.openEntry())
            return nullptr;
        session.settle();
        if (!session.window.chooseSystem("north"))
            return nullptr;
        session.settle();
        auto* list = session.window.findChild<QTreeWidget*>("fileList");
        if (!list || list->topLevelItemCount() == 0)
            return nullptr;
        list->topLevelItem(0)->setSelected(true);
        session.settle();
        return session.window.editor();
    }

private slots:
    void initTestCase() {
        QVERIFY2(loader.load() && loader.descriptor(), qPrintable(loader.errorString()));
    }

    void descriptorsAndWidget() {
        std::unique_ptr<config_plugin_desc_base> first(loader.entry()());
        std::unique_ptr<config_plugin_desc_base> second(loader.entry()());
        QVERIFY(first && second && first != second && first.get() != loader.descriptor());
        first.reset(); // deleting one leaves the other usable
        const QPixmap icon = second->icon(0);
        QCOMPARE(icon.size(), QSize(14, 14));
        for (const auto& [a, b] : {std::pair{0, 0}, {1, -5}, {INT_MAX, INT_MIN}})
            QVERIFY(second->menuPaths(a, b) == QStringList{"Home/Alarms/Outputs/Tolv Output"} &&
                    second->icon(a).toImage() == icon.toImage());
        std::unique_ptr<config_plugin_base> widget(
            second->createWidget(QDir::tempPath(), pluginName, ""));
        for (const char* name : {"alm_tolv_output", "IDomDoc", "IGetDocuments", "ISendCommand"})
            QVERIFY2(widget && widget->qt_metacast(name), name);
        QVERIFY(!widget->qt_metacast("NoSuchInterface"));
    }

    void fullRun_data() { replyModes(); }
    void fullRun() {
        QFETCH(StoreHost::ReplyMode, mode);
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        ModalScript modal;
        Session session(loader, store.path(), "tester", mode);
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
        QVERIFY(modal.seen.isEmpty());
        // Choosing a module locks its device description; then every action is open.
        session.window.findChild<QTreeWidget*>("fileList")->topLevelItem(0)->setSelected(true);
        session.settle();
        QCOMPARE(session.host.lockHolder("config/devicetypes/north_Pumps.xml"), QString("tester"));
        for (const char* name : {"new", "duplicate", "delete", "rename"})
            QVERIFY2(editor->findChild<QAction*>(name)->isEnabled(), name);
        // A second owner, in the other reply mode, is told of the locks and works read-only.
        Session second(loader, store.path(), "second", otherMode(mode));
        QVERIFY(openOnFirstModule(second));
        QCOMPARE(modal.seen.size(), 5);
        for (const SeenDialog& box : modal.seen)
            QVERIFY2(box.caption == "Lock" && box.text.contains("tester"), qPrintable(box.text));
        const auto* label = second.window.findChild<QWidget*>("readOnlyLabel");
        QVERIFY(label->property("text").toString().startsWith("Read only, Locked by tester: "));
        QVERIFY(!second.window.editor()->findChild<QAction*>("new")->isEnabled());
        QCOMPARE(moduleRows(&second.window), northModules); // read-only, but there
        // It uploads nothing, and closing it releases nothing of the first owner's.
        const auto commands = second.host.commandLog().size();
        QMetaObject::invokeMethod(second.window.editor(), "apply");
        QCOMPARE(second.host.commandLog().size(), commands);
        second.window.close();
        QCOMPARE(session.host.lockHolder("config/alarms/north/outputs"), QString("tester"));

        // Apply uploads, and the "clean" that follows clears the title's mark.
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
        QVERIFY(session.window.windowTitle().startsWith('*'));
        session.window.apply();
        session.settle();
        QVERIFY(!session.window.windowTitle().startsWith('*') && !editor->isDirty());
        QVERIFY(session.window.close());
        QVERIFY(!editor); // closed, then deleted
        QCOMPARE(QDir(store.filePath(StoreHost::lockFolder)).entryList(QDir::Files), QStringList());
    }

    void lateOutputsLockOfAFormerSystemIsReleasedOnClose() {
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        ModalScript modal;
        auto first =
            std::make_unique<Session>(loader, store.path(), "tester", StoreHost::ReplyMode::Queued);
        QVERIFY(first->window.openEntry());
        first->settle();
        QVERIFY(first->window.chooseSystem("north"));
        QVERIFY(first->window.chooseSystem("south")); // before north's replies arrive
        first->settle();
        QCOMPARE(first->host.lockHolder(north), QString("tester"));
        QVERIFY(first->window.close());
        QCOMPARE(first->host.lockHolder(north), QString());

        Session second(loader, store.path(), "second", StoreHost::ReplyMode::Immediate);
        QVERIFY(second.window.openEntry());
        QVERIFY(second.window.chooseSystem("north"));
        second.settle();
        QVERIFY(modal.seen.isEmpty()); // no lock refused
        QCOMPARE(second.host.lockHolder(north), QString("second"));
    }

    void failedUploadWarnsAndLeavesTheEditorDirty_data() { replyModes(); }
    void failedUploadWarnsAndLeavesTheEditorDirty() {
        QFETCH(StoreHost::ReplyMode, mode);
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        ModalScript modal;
        Session session(loader, store.path(), "tester", mode);
        QPointer<config_plugin_base> editor = openOnFirstModule(session);
        QVERIFY(editor);
        session.host.failOperation("upload", north, "disk full");
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
        session.window.apply();
        session.settle();
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Error"));
        QVERIFY(modal.seen[0].text.contains("disk full") && modal.seen[0].text.contains(north));
        QVERIFY(session.window.windowTitle().startsWith('*') && editor->isDirty());

        session.host.clearFailures(); // Apply again: now it is clean
        session.window.apply();
        session.settle();
        QVERIFY(!session.window.windowTitle().startsWith('*') && !editor->isDirty());
    }

    void applyAndQuitThatFailsKeepsTheWindowOpen() {
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        ModalScript modal; // the editor's own boxes
        Session session(loader, store.path(), "tester", StoreHost::ReplyMode::Queued);
        QPointer<config_plugin_base> editor = openOnFirstModule(session);
        QVERIFY(editor);
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
        session.host.failOperation("upload", north, "disk full");
        // The host's own question, answered as the user would.
        auto answerApplyAndQuit = [] {
            QTimer::singleShot(0, [] {
                for (QAbstractButton* button :
                     QApplication::activeModalWidget()->findChildren<QAbstractButton*>())
                    if (button->text() == "&Apply and quit")
                        button->click();
            });
        };
        answerApplyAndQuit();
        QVERIFY(!session.window.close());
        QVERIFY(editor && editor->isDirty());
        QCOMPARE(modal.seen.size(), 1); // the upload's error
        QCOMPARE(modal.seen[0].caption, QString("Error"));

        session.host.clearFailures();
        answerApplyAndQuit();
        QVERIFY(session.window.close());
        QVERIFY(!editor);
    }

    void editWhileTheUploadsAreUnderwayKeepsTheEditorDirty() {
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        ModalScript modal;
        Session session(loader, store.path(), "tester", StoreHost::ReplyMode::Queued);
        QPointer<config_plugin_base> editor = openOnFirstModule(session);
        QVERIFY(editor);
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty"));
        session.window.apply();
        auto* infodriver = editor->findChild<QSpinBox*>("infodriverNumber");
        QVERIFY(infodriver);
        infodriver->setValue(infodriver->value() + 1); // before the replies arrive
        session.settle();
        QVERIFY(session.window.windowTitle().startsWith('*') && editor->isDirty());
        QVERIFY(modal.seen.isEmpty());
    }
};

QTEST_MAIN(tst_plugin_load)
#include "tst_plugin_load.moc"
