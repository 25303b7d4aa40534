// The built plug-in loaded by path, and whole runs of the host window on a store copy.
#include "common/fixture.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

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

    static void answerApplyAndQuit() { // the host's own question: its default button
        QTimer::singleShot(0, [] {
            qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->defaultButton()->click();
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
        QVERIFY(first.window.openEntry());
        first.settle();
        // South is left before its lock may be granted: that lock too is given back at
        // close. Choosing a module locks its device description.
        QVERIFY(first.window.chooseSystem("south") && first.window.chooseSystem("north"));
        QPointer<config_plugin_base> editor = first.openOnFirstModule();
        QVERIFY(editor && editor->isVisible() && modal->seen.isEmpty());
        QCOMPARE(first.window.windowTitle(), "Tolv Output - tolv-host"); // the entry's name
        QCOMPARE(first.host.lockHolder("config/alarms/south/outputs"), QString("tester"));
        QCOMPARE(first.host.lockHolder("config/devicetypes/north_Pumps.xml"), QString("tester"));
        // A second owner, in the other reply mode, is told of the locks and works read-only.
        Session second(loader, store->path(), "second",
                       mode == Mode::Queued ? Mode::Immediate : Mode::Queued);
        QVERIFY(second.openOnFirstModule() && modal->seen.size() == 5);
        for (const SeenDialog& box : std::exchange(modal->seen, {}))
            QVERIFY2(box.caption == "Lock" && box.text.contains("tester"), qPrintable(box.text));
        const QString notice = second.window.findChild<QLabel*>("readOnlyLabel")->text();
        QVERIFY(notice.startsWith("Read only, Locked by tester: "));
        QCOMPARE(second.list()->topLevelItemCount(), 2); // read-only, but there
        second.window.close();                           // releases nothing of the first owner's
        QVERIFY(Session(loader, store->path(), "third", mode).window.close()); // no entry opened
        QCOMPARE(first.host.lockHolder(north), QString("tester"));
        // An Apply and quit that fails keeps the window open and the edits.
        QVERIFY(QMetaObject::invokeMethod(editor, "markDirty") && first.dirty());
        first.host.failOperation("upload", north, "disk full");
        answerApplyAndQuit();
        QVERIFY(!first.window.close());
        QVERIFY(editor && first.dirty() && modal->seen.size() == 1);
        QVERIFY(modal->seen[0].caption == "Error" && modal->seen[0].text.contains("disk full"));
        // Now it uploads, the "clean" that follows clears the title's mark, and the
        // editor is closed, then deleted.
        first.host.clearFailures();
        answerApplyAndQuit();
        QVERIFY(first.window.close() && !editor && !first.window.windowTitle().startsWith('*'));
        QVERIFY(QDir(store->filePath(StoreHost::lockFolder)).isEmpty(QDir::Files));
    }
};

QTEST_MAIN(tst_plugin_load)
#include "tst_plugin_load.moc"
