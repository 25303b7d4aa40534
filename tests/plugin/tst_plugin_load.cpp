// The built plug-in loaded by path, and whole runs of the host window on a store copy.
#include "common/fixture.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"

#include <QApplication>
#include <QComboBox>

using Mode = StoreHost::ReplyMode;
const QString north = QStringLiteral("config/alarms/north/outputs");

// One host on a store: its working copy, executor and window.
struct Session {
    Session(PluginLoader& loader, const QString& store, const QString& owner, Mode mode)
        : host(store, work.path(), owner),
          window(loader, host, {work.path(), "alm_tolv_output", QString()}) {
        host.setReplyMode(mode);
    }
    void settle() {
        host.flushReplies();
        QCoreApplication::processEvents();
    }
    QTreeWidget* list() { return window.findChild<QTreeWidget*>("fileList"); }
    bool dirty() { return window.windowTitle().startsWith('*') && window.editor()->isDirty(); }
    config_plugin_base* openOnFirstModule() { // of system north
        if (!window.openEntry() || (settle(), !window.chooseSystem("north")) ||
            (settle(), !list() || list()->topLevelItemCount() == 0))
            return nullptr;
        list()->topLevelItem(0)->setSelected(true);
        settle();
        return window.editor();
    }
    QTemporaryDir work;
    StoreHost host;
    HostWindow window;
};

class tst_plugin_load : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    PluginLoader loader{TOLV_PLUGIN_PATH};
    std::unique_ptr<QTemporaryDir> store;
    std::unique_ptr<ModalScript> modal;

    static void answerApplyAndQuit() { // the host's own question, answered as the user would
        QTimer::singleShot(0, [] {
            for (auto* button : QApplication::activeModalWidget()->findChildren<QAbstractButton*>())
                if (button->text() == "&Apply and quit")
                    button->click();
        });
    }

private slots:
    void init() {
        QVERIFY2(loader.load() && loader.descriptor(), qPrintable(loader.errorString()));
        store = std::make_unique<QTemporaryDir>();
        QVERIFY(copyTree(sampleStore(), store->path()));
        modal.reset(); // its end takes the handler away: before the next one sets it
        modal = std::make_unique<ModalScript>();
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
            second->createWidget(QDir::tempPath(), "alm_tolv_output", ""));
        for (const char* name : {"alm_tolv_output", "IDomDoc", "IGetDocuments", "ISendCommand"})
            QVERIFY2(widget && widget->qt_metacast(name), name);
        QVERIFY(!widget->qt_metacast("NoSuchInterface"));
    }

    void fullRun_data() {
        QTest::addColumn<Mode>("mode");
        QTest::newRow("immediate") << Mode::Immediate;
        QTest::newRow("queued") << Mode::Queued;
    }
    void fullRun() {
        QFETCH(Mode, mode);
        Session first(loader, store->path(), "tester", mode);
        first.window.show();
        QPointer<config_plugin_base> editor = first.openOnFirstModule();
        QVERIFY(editor && editor->isVisible() && modal->seen.isEmpty());
        QCOMPARE(first.window.findChild<QComboBox*>("systemCombo")->itemText(1), "south");
        // Choosing a module locks its device description; then every action is open.
        QCOMPARE(first.host.lockHolder("config/devicetypes/north_Pumps.xml"), QString("tester"));
        for (const char* name : {"new", "duplicate", "delete", "rename"})
            QVERIFY2(editor->findChild<QAction*>(name)->isEnabled(), name);
        // A second owner, in the other reply mode, is told of the locks and works read-only.
        Session second(loader, store->path(), "second",
                       mode == Mode::Queued ? Mode::Immediate : Mode::Queued);
        QVERIFY(second.openOnFirstModule() && modal->seen.size() == 5);
        for (const SeenDialog& box : modal->seen)
            QVERIFY2(box.caption == "Lock" && box.text.contains("tester"), qPrintable(box.text));
        QVERIFY(second.window.findChild<QWidget*>("readOnlyLabel")
                    ->property("text")
                    .toString()
                    .startsWith("Read only, Locked by tester: "));
        QVERIFY(!second.window.editor()->findChild<QAction*>("new")->isEnabled());
        QCOMPARE(second.list()->topLevelItemCount(), 2); // read-only, but there
        // It uploads nothing, and closing it releases nothing of the first owner's.
        const auto commands = second.host.commandLog().size();
        QMetaObject::invokeMethod(second.window.editor(), "apply");
        QCOMPARE(second.host.commandLog().size(), commands);
        second.window.close();
        QCOMPARE(first.host.lockHolder(north), QString("tester"));
        // Apply uploads, and the "clean" that follows clears the title's mark.
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty") && first.dirty());
        first.window.apply();
        first.settle();
        QVERIFY(!first.window.windowTitle().startsWith('*') && !editor->isDirty());
        QVERIFY(first.window.close() && !editor); // closed, then deleted
        QVERIFY(QDir(store->filePath(StoreHost::lockFolder)).isEmpty(QDir::Files));
    }

    void lateOutputsLockOfAFormerSystemIsReleasedOnClose() {
        Session first(loader, store->path(), "tester", Mode::Queued);
        QVERIFY(first.window.openEntry());
        first.settle();
        QVERIFY(first.window.chooseSystem("north"));
        QVERIFY(first.window.chooseSystem("south")); // before north's replies arrive
        first.settle();
        QCOMPARE(first.host.lockHolder(north), QString("tester"));
        QVERIFY(first.window.close());
        QCOMPARE(first.host.lockHolder(north), QString());
    }

    void applyAndQuitThatFailsKeepsTheWindowOpen() {
        Session open(loader, store->path(), "tester", Mode::Queued);
        QPointer<config_plugin_base> editor = open.openOnFirstModule();
        QVERIFY(editor && QMetaObject::invokeMethod(editor, "markDirty"));
        open.host.failOperation("upload", north, "disk full");
        answerApplyAndQuit();
        QVERIFY(!open.window.close());
        QVERIFY(editor && open.dirty() && modal->seen.size() == 1);
        QVERIFY(modal->seen[0].caption == "Error" && modal->seen[0].text.contains("disk full"));
        open.host.clearFailures();
        answerApplyAndQuit();
        QVERIFY(open.window.close() && !editor);
    }
};

QTEST_MAIN(tst_plugin_load)
#include "tst_plugin_load.moc"
