// The host command protocol, driven by replies given directly to the editor.
#include "common/editor_probe.h"
#include "common/test_support.h"
#include "common/trace_capture.h"

#include "editor/documents.h"
#include "platform/system_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString outputs = "config/alarms/north/outputs";
const QString definitions = "config/alarms/north/proc_def.cfg";
const QString systemIni = "config/system/tolv_system.ini";

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray moduleFile(const QByteArray& name, const QByteArray& tool) {
    return "[System]\r\nName=" + name + "\r\nConfigTool=" + tool +
           "\r\nModule=alm_tolv_op\r\nAlmSystem=north\r\n[TOLV_CONFIG]\r\nDriver=3\r\n"
           "[Process]\r\n";
}

} // namespace

class tst_protocol : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void activationAsksOnlyForWhatIsStillMissing() {
        QTemporaryDir root;
        writeFile(root.path() + "/" + systemIni, "[Status]\r\nDeviceInfodriverId=7\r\n");
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);

        editor.activate(true);
        QCOMPARE(log.take(),
                 QStringList({"dir config/alarms", "checkoutFile config/devicetypes.xml",
                              "checkoutFile config/instances.xml",
                              "syncDirDownload config/devicetypes", "downloadFile " + systemIni}));
        QVERIFY(editor.getSystemDocument() != nullptr);

        probe.reply(HostReply::Ok, "lock", "config/devicetypes.xml");
        probe.reply(HostReply::Ok, "lock", "config/instances.xml");
        probe.reply(HostReply::Done, "download", "config/devicetypes");
        // The ini is read from the working copy, whatever letter case the reply uses.
        probe.reply(HostReply::Ok, "download", "CONFIG/System/TOLV_system.INI");
        editor.activate(true);
        QCOMPARE(log.take(), QStringList("dir config/alarms"));

        auto* doc = static_cast<Document_TolvSystem*>(editor.getSystemDocument());
        QCOMPARE(doc->deviceInfodriverId(), 7);
        QCOMPARE(probe.maxSlot(), 4096);
        QCOMPARE(probe.processEditor()->infodriverNumber->maximum(), 999);
    }

    void systemIniWithoutTheKeyIsAskedForAgain() {
        QTemporaryDir root;
        writeFile(root.path() + "/" + systemIni, "[Status]\r\nOther=1\r\n");
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);
        TraceCapture traces;
        editor.activate(true);
        probe.reply(HostReply::Ok, "download", systemIni);
        QVERIFY(traces.contains("Failed to read Device Status ID"));
        log.take();
        editor.activate(true);
        QVERIFY(log.lines.contains("downloadFile " + systemIni));
    }

    void selectingASystemFetchesItsFiles() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);
        ModalScript modal;

        probe.selectSystem("north");
        QCOMPARE(log.take(),
                 QStringList({"downloadFile " + definitions, "checkoutDir " + outputs}));

        // A failed download records nothing: the next selection asks again.
        probe.reply(HostReply::Fail, "download", definitions, "no such file");
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Error"));
        QCOMPARE(modal.seen[0].text,
                 QString("Error:\nno such file\nNew file may be generated automatically."));
        probe.selectSystem("north");
        QCOMPARE(log.take(),
                 QStringList({"downloadFile " + definitions, "checkoutDir " + outputs}));

        writeFile(root.path() + "/" + definitions, "[P1]\r\nGroup=G1\r\n[P2]\r\n");
        probe.reply(HostReply::Ok, "download", definitions);
        probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(probe.processNames(), QStringList({"P1", "P2"}));
        QCOMPARE(probe.processEditor()->procList->topLevelItemCount(), 2);

        probe.selectSystem("north"); // everything is here now
        QVERIFY(log.take().isEmpty());
    }

    void moduleFilesOfTheOutputsFolder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("module") << "al_out_0001.cfg" << moduleFile("Pumps", "tolv")
                                << QStringList({"Pumps", "al_out_0001.cfg"});
        QTest::newRow("any character before cfg") << "al_out_0001xcfg" << moduleFile("Fans", "tolv")
                                                  << QStringList({"Fans", "al_out_0001xcfg"});
        QTest::newRow("five digits")
            << "al_out_00001.cfg" << moduleFile("A", "tolv") << QStringList();
        QTest::newRow("text after the extension")
            << "al_out_0001.cfg.bak" << moduleFile("A", "tolv") << QStringList();
        QTest::newRow("another tool's")
            << "al_out_0002.cfg" << moduleFile("A", "other") << QStringList();
        QTest::newRow("no name") << "al_out_0003.cfg"
                                 << QByteArray("[System]\r\nConfigTool=tolv\r\n")
                                 << QStringList({"", "al_out_0003.cfg"});
    }
    void moduleFilesOfTheOutputsFolder() {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, row);
        QTemporaryDir root;
        writeFile(root.path() + "/" + outputs + "/" + fileName, content);
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        probe.selectSystem("north");
        probe.reply(HostReply::ReadOnly, "download", outputs + "/" + fileName);

        // The same file reported again (a second checkout) is listed once.
        probe.reply(HostReply::Ok, "download", outputs + "/" + fileName);
        QTreeWidget* list = probe.fileList();
        QCOMPARE(list->topLevelItemCount(), row.isEmpty() ? 0 : 1);
        QCOMPARE(int(probe.modules().size()), row.isEmpty() ? 0 : 1);
        if (row.isEmpty())
            return;
        QCOMPARE(list->topLevelItem(0)->text(0), row[0]);
        QCOMPARE(list->topLevelItem(0)->text(1), row[1]);
        QVERIFY(list->topLevelItem(0)->flags() & Qt::ItemIsEditable);
        QCOMPARE(probe.modules()[0]->fileName, outputs + "/" + fileName);
        QCOMPARE(probe.modules()[0]->configTool, QString("tolv"));
        QVERIFY(probe.modules()[0]->lastModified.isValid());
    }

    void locksAndReadOnlyWorking() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        ModalScript modal;
        TraceCapture traces;
        probe.selectSystem("north");

        probe.reply(HostReply::Fail, "lock", outputs, "held by bob@desk");
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Lock"));
        QCOMPARE(modal.seen[0].text,
                 "Lock: " + outputs + " - held by bob@desk\nFile will be available read only");
        QVERIFY(probe.lockedDirs().isEmpty());

        // A device description lock in other letter case still counts as one.
        probe.reply(HostReply::Done, "lock", "Config/DeviceTypes/north_Pumps.xml");
        QVERIFY(probe.devDescLocked());
        QCOMPARE(probe.lockedDevDescFiles(), QStringList("Config/DeviceTypes/north_Pumps.xml"));
        QVERIFY(traces.contains("0/1:Dev desc file - Config/DeviceTypes/north_Pumps.xml"));

        // The shared device types file begins like a description path: its refusal
        // takes the description lock flag away as well.
        probe.reply(HostReply::Fail, "lock", "config/devicetypes.xml", "busy");
        QVERIFY(!probe.devDescLocked());
        QVERIFY(!probe.devTypesLocked());
    }

    void lockDevDescTracesTheListAndAsksOnce() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);
        TraceCapture traces;
        const QString a = "config/devicetypes/north_A.xml";
        editor.lockDevDesc(a);
        QVERIFY(traces.contains("0/0:No dev desc files."));
        QCOMPARE(log.take(), QStringList("lock " + a));
        probe.reply(HostReply::Ok, "lock", a);
        probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_B.xml");
        traces.lines.clear();
        editor.lockDevDesc(a);
        QVERIFY(log.lines.isEmpty());
        QCOMPARE(traces.lines.mid(1, 3),
                 QStringList({"0/2:Dev desc file - " + a,
                              "1/2:Dev desc file - config/devicetypes/north_B.xml",
                              "lockDevDesc. already locked. file='" + a + "'"}));
        QVERIFY(probe.devDescLocked());
    }

    void applyUploadsAndCloseUnlocksInOrder() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);
        probe.selectSystem("north");
        probe.reply(HostReply::Ok, "lock", outputs);
        probe.reply(HostReply::Ok, "lock", "config/instances.xml");
        probe.reply(HostReply::Ok, "lock", "config/devicetypes.xml");
        probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_A.xml");
        log.take();

        editor.apply();
        QCOMPARE(
            log.take(),
            QStringList({"syncDirUpload " + outputs, "uploadFile config/devicetypes/north_A.xml",
                         "uploadFile config/devicetypes.xml", "uploadFile config/instances.xml"}));
        editor.close();
        QCOMPARE(log.take(), QStringList({"unlock " + outputs, "unlock config/devicetypes.xml",
                                          "unlock config/instances.xml",
                                          "unlock config/devicetypes/north_A.xml"}));
    }

    void dirtyAndCleanReachTheHost() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        CommandLog log(editor);
        cOutputFile* module =
            probe.modules()
                .emplace_back(std::make_unique<cOutputFile>("A", "tolv", outputs + "/x"))
                .get();
        probe.setCurrentModule(module);

        editor.markDirty(); // still loading: the module is not marked, the host is told
        QVERIFY(!module->modified);
        QVERIFY(editor.isDirty());
        editor.markDirty();
        QCOMPARE(log.take(), QStringList("dirty"));

        probe.reply(HostReply::Ok, "upload", outputs); // only Done counts
        QVERIFY(editor.isDirty());
        probe.reply(HostReply::Done, "upload", outputs);
        probe.reply(HostReply::Done, "upload", "config/instances.xml");
        QCOMPARE(log.take(), QStringList({"clean", "clean"}));
        QVERIFY(!editor.isDirty());
        probe.setCurrentModule(nullptr);
    }

    void directoryListingFillsTheSelector() {
        QTemporaryDir root;
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        auto* combo = editor.dockWindows()[0]->findChild<QComboBox*>("systemCombo");
        QVERIFY(combo);
        probe.reply(HostReply::Ok, "dir", "config/alarms", "north\nsouth");
        QCOMPARE(combo->count(), 2);
        probe.reply(HostReply::Fail, "dir", "config/alarms", "east");
        QCOMPARE(combo->count(), 2);
        probe.reply(HostReply::Ok, "elsewhere", "config/alarms", "east");
        QCOMPARE(combo->count(), 2);
    }

    void uncreatableOutputsFolderDropsThePendingNavigation() {
        QTemporaryDir root;
        writeFile(root.path() + "/config/alarms", "a file where a folder belongs");
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        ModalScript modal;
        probe.selectSystem("north");
        editor.navigate("", "Pumps");
        probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Alarms/Processes"));
        QCOMPARE(modal.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(modal.seen[0].text,
                 "Could not Create directory\n" + root.path() + "/config/alarms.\n\n");
        QVERIFY(probe.checkedOutDirs().contains(outputs));
    }

    void processDefinitionsAreReadOnceWhileUnchanged() {
        QTemporaryDir root;
        const QString path = root.path() + "/" + definitions;
        writeFile(path, "Group=before\r\n[P1]\r\nGroup=A=B\r\n[]\r\nGroup=x\r\n[P2]\r\n"
                        " Group = no\r\ngroup=no\r\n[P1]\r\nGroup\r\n");
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        QVERIFY(editor.loadProcesses(path));
        QCOMPARE(probe.processNames(), QStringList({"P1", "P2", "P1"}));
        QTreeWidget* list = probe.processEditor()->procList;
        QCOMPARE(list->topLevelItemCount(), 3);
        QStringList groups;
        for (int i = 0; i < 3; ++i)
            groups << list->topLevelItem(i)->text(0) + ":" + list->topLevelItem(i)->text(1);
        groups.sort();
        QCOMPARE(groups, QStringList({"P1:", "P1:A", "P2:"}));

        list->topLevelItem(0)->setText(4, "12");
        QVERIFY(editor.loadProcesses(path)); // unchanged: the slot stays
        QCOMPARE(list->topLevelItem(0)->text(4), QString("12"));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                         QFileDevice::FileModificationTime);
        file.close();
        QVERIFY(editor.loadProcesses(path));
        QCOMPARE(list->topLevelItem(0)->text(4), QString());

        QVERIFY(!editor.loadProcesses(root.path() + "/missing.cfg"));
        QCOMPARE(list->topLevelItemCount(), 3);
    }
};

QTEST_MAIN(tst_protocol)
#include "tst_protocol.moc"
