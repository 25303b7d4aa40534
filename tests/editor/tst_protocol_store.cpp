// The editor working against a real store folder through the store host.
#include "common/editor_probe.h"
#include "common/store_copy.h"
#include "common/test_support.h"

#include "host/store_host.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString outputs = "config/alarms/north/outputs";
const QString definitions = "config/alarms/north/proc_def.cfg";

// An editor attached to a store host on a fresh copy of the sample store.
struct Bench {
    explicit Bench(StoreHost::ReplyMode mode, const QString& owner = "tester",
                   const QString& storeDir = QString())
        : store(storeDir.isEmpty() ? ownStore.path() : storeDir), host(store, work.path(), owner),
          editor(work.path(), "alm_tolv_output", ""), probe(editor) {
        if (storeDir.isEmpty())
            copyTree(sampleStore(), store);
        host.setReplyMode(mode);
        host.attach(&editor);
    }
    void settle() {
        host.flushReplies();
        QCoreApplication::processEvents();
    }
    void activateOn(const QString& system) {
        editor.activate(true);
        settle();
        probe.selectSystem(system);
        settle();
    }

    QTemporaryDir ownStore;
    QTemporaryDir work;
    QString store;
    StoreHost host;
    alm_tolv_output editor;
    EditorProbe probe;
};

} // namespace

Q_DECLARE_METATYPE(StoreHost::ReplyMode)

class tst_protocol_store : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void selectingASystem_data() {
        QTest::addColumn<StoreHost::ReplyMode>("mode");
        QTest::newRow("replies at once") << StoreHost::ReplyMode::Immediate;
        QTest::newRow("replies later") << StoreHost::ReplyMode::Queued;
    }
    void selectingASystem() {
        QFETCH(StoreHost::ReplyMode, mode);
        ModalScript modal;
        Bench bench(mode);
        bench.activateOn("north");

        QVERIFY(modal.seen.isEmpty());
        QVERIFY(bench.probe.devTypesLocked() && bench.probe.instancesLocked());
        QVERIFY(bench.probe.devTypesSynced());
        QCOMPARE(bench.probe.checkedOutDirs(), QStringList(outputs));
        QCOMPARE(bench.probe.lockedDirs(), QStringList(outputs));
        QCOMPARE(bench.probe.downloadedFiles(), QStringList(definitions));
        QVERIFY(bench.probe.processNames().size() > 100);
        QCOMPARE(bench.probe.processEditor()->procList->topLevelItemCount(),
                 bench.probe.processNames().size());
        QCOMPARE(int(bench.probe.modules().size()), 2); // the third file is another tool's
        QVERIFY(bench.probe.action("new")->isEnabled());
        QVERIFY(!bench.probe.action("delete")->isEnabled());

        // Choosing a module makes it current and locks its device description.
        bench.probe.fileList()->topLevelItem(0)->setSelected(true);
        bench.settle();
        QCOMPARE(bench.probe.currentModule()->name, QString("Pumps"));
        QCOMPARE(bench.probe.lockedDevDescFiles(),
                 QStringList("config/devicetypes/north_Pumps.xml"));
        for (const char* name : {"new", "duplicate", "delete", "rename"})
            QVERIFY2(bench.probe.action(name)->isEnabled(), name);
        QVERIFY(bench.probe.processEditor()->isEnabled());

        // Another system empties the module list and checks its own folder out.
        bench.probe.selectSystem("south");
        bench.settle();
        QCOMPARE(int(bench.probe.modules().size()), 1);
        QCOMPARE(bench.probe.fileList()->topLevelItemCount(), 1);
        QCOMPARE(bench.probe.lockedDirs(), QStringList({outputs, "config/alarms/south/outputs"}));
    }

    void readOnlyEditorUploadsAndUnlocksNothing() {
        ModalScript modal;
        Bench first(StoreHost::ReplyMode::Immediate, "first");
        first.activateOn("north");
        Bench second(StoreHost::ReplyMode::Immediate, "second", first.store);
        second.activateOn("north");
        QCOMPARE(modal.seen.size(), 3); // the folder and both shared files are refused
        QVERIFY(second.probe.lockedDirs().isEmpty());
        QCOMPARE(int(second.probe.modules().size()), 2); // read-only copies still list

        const QList<StoreHost::Command> before = second.host.commandLog();
        second.editor.apply();
        second.editor.close();
        QCOMPARE(second.host.commandLog(), before);
    }
};

QTEST_MAIN(tst_protocol_store)
#include "tst_protocol_store.moc"
