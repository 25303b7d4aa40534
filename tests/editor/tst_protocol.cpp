// The host command protocol, driven by replies given directly to the editor.
#include "common/fixture.h"

#include "core/documents.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString outputs = "config/alarms/north/outputs";
const QString definitions = "config/alarms/north/proc_def.cfg";
const QString systemIni = "config/system/tolv_system.ini";
const QString pumpsDesc = "config/devicetypes/north_Pumps.xml";

// An editor on a fresh working copy, with its commands, boxes and traces.
struct Fixture {
    explicit Fixture(const QString& file = QString(), const QByteArray& content = QByteArray()) {
        if (!file.isEmpty())
            write(file, content);
    }
    void write(const QString& file, const QByteArray& content) {
        const QString path = root.path() + "/" + file;
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(content);
    }
    // System "north" with the module "Pumps" selected, as the host's replies bring them.
    void selectModule() {
        write(outputs + "/al_out_0001.cfg", "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n");
        probe.selectSystem("north");
        probe.reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        probe.reply(HostReply::Done, "download", outputs);
        probe.fileList()->topLevelItem(0)->setSelected(true);
    }

    QTemporaryDir root;
    alm_tolv_output editor{root.path(), "tolv", ""};
    EditorProbe probe{editor};
    CommandLog log{editor};
    ModalScript modal;
    TraceCapture traces;
};

} // namespace

class tst_protocol : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void activationAsksOnlyForWhatIsStillMissing() {
        Fixture f(systemIni, "[Status]\r\nDeviceInfodriverId=7\r\n");
        f.editor.activate(true);
        QCOMPARE(f.log.take(),
                 QStringList({"dir config/alarms", "checkoutFile config/devicetypes.xml",
                              "checkoutFile config/instances.xml",
                              "syncDirDownload config/devicetypes", "downloadFile " + systemIni}));
        f.probe.reply(HostReply::Ok, "lock", "config/devicetypes.xml");
        f.probe.reply(HostReply::Ok, "lock", "config/instances.xml");
        f.probe.reply(HostReply::Done, "download", "config/devicetypes");
        // Read from the working copy, whatever letter case the reply uses.
        f.probe.reply(HostReply::Ok, "download", "CONFIG/System/TOLV_system.INI");
        f.editor.activate(true);
        QCOMPARE(f.log.take(), QStringList("dir config/alarms"));
        auto* doc = static_cast<Document_TolvSystem*>(f.editor.getSystemDocument());
        QCOMPARE(doc->deviceInfodriverId(), 7);
        QCOMPARE(f.probe.maxSlot(), 4096);
        QCOMPARE(f.probe.processEditor()->infodriverNumber->maximum(), 999);
    }

    void systemIniWithoutTheKeyIsAskedForAgain() {
        Fixture f(systemIni, "[Status]\r\nOther=1\r\n");
        f.editor.activate(true);
        f.probe.reply(HostReply::Ok, "download", systemIni);
        QVERIFY(f.traces.contains("Failed to read Device Status ID"));
        f.log.take();
        f.editor.activate(true);
        QVERIFY(f.log.lines.contains("downloadFile " + systemIni));
    }

    void selectingASystemFetchesItsFiles() {
        Fixture f;
        const QStringList fetch = {"downloadFile " + definitions, "checkoutDir " + outputs};
        f.probe.selectSystem("north");
        QCOMPARE(f.log.take(), fetch);

        // A failed download records nothing: the next selection asks again.
        f.probe.reply(HostReply::Fail, "download", definitions, "no such file");
        QCOMPARE(f.modal.seen.value(0).caption, QString("Error"));
        QCOMPARE(f.modal.seen.value(0).text,
                 QString("Error:\nno such file\nNew file may be generated automatically."));
        f.probe.selectSystem("north");
        QCOMPARE(f.log.take(), fetch);

        f.write(definitions, "[P1]\r\nGroup=G1\r\n[P2]\r\n");
        f.probe.reply(HostReply::Ok, "download", definitions);
        f.probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(f.probe.processNames(), QStringList({"P1", "P2"}));
        QCOMPARE(f.probe.processEditor()->rowCount(), 2);
        f.probe.selectSystem("north"); // everything is here now
        QVERIFY(f.log.take().isEmpty());
    }

    void moduleFilesOfTheOutputsFolder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QString>("name"); // null: not listed
        const QByteArray pumps = "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n";
        QTest::newRow("module") << "al_out_0001.cfg" << pumps << "Pumps";
        QTest::newRow("any character before cfg") << "al_out_0001xcfg" << pumps << "Pumps";
        QTest::newRow("five digits") << "al_out_00001.cfg" << pumps << QString();
        QTest::newRow("text after the extension") << "al_out_0001.cfg.bak" << pumps << QString();
        QTest::newRow("another tool's")
            << "al_out_0002.cfg" << QByteArray("[System]\r\nName=A\r\nConfigTool=x\r\n")
            << QString();
        QTest::newRow("no name") << "al_out_0003.cfg"
                                 << QByteArray("[System]\r\nConfigTool=tolv\r\n") << "";
    }
    void moduleFilesOfTheOutputsFolder() {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, system);
        QFETCH(QString, name);
        Fixture f(outputs + "/" + fileName, system);
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::ReadOnly, "download", outputs + "/" + fileName);
        // The same file reported again (a second checkout) is listed once.
        f.probe.reply(HostReply::Ok, "download", outputs + "/" + fileName);
        QStringList listed;
        for (QTreeWidgetItem* row : f.probe.fileList()->findItems("*", Qt::MatchWildcard))
            listed << row->text(0) + '|' + row->text(1);
        QCOMPARE(listed.join(','), name.isNull() ? QString() : name + '|' + fileName);
        for (const auto& module : f.probe.modules())
            QVERIFY(module->fileName == outputs + "/" + fileName && module->lastModified.isValid());
        QCOMPARE(int(f.probe.modules().size()), listed.size());
    }

    void locksAndReadOnlyWorking() {
        Fixture f;
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::Fail, "lock", outputs, "held by bob@desk");
        QCOMPARE(f.modal.seen.value(0).caption, QString("Lock"));
        QCOMPARE(f.modal.seen.value(0).text,
                 "Lock: " + outputs + " - held by bob@desk\nFile will be available read only");
        QVERIFY(f.probe.lockedDirs().isEmpty());

        // A device description lock in other letter case still counts as one.
        f.probe.reply(HostReply::Done, "lock", "Config/DeviceTypes/north_Pumps.xml");
        QVERIFY(f.probe.devDescLocked());
        QVERIFY(f.traces.contains("0/1:Dev desc file - Config/DeviceTypes/north_Pumps.xml"));
        // The shared device types file begins like a description path: its refusal
        // takes the description lock flag away as well.
        f.probe.reply(HostReply::Fail, "lock", "config/devicetypes.xml", "busy");
        QVERIFY(!f.probe.devDescLocked());
        QVERIFY(!f.probe.devTypesLocked());
    }

    void lockDevDescTracesTheListAndAsksOnce() {
        Fixture f;
        const QString a = "config/devicetypes/north_A.xml";
        f.editor.lockDevDesc(a);
        QVERIFY(f.traces.contains("0/0:No dev desc files."));
        QCOMPARE(f.log.take(), QStringList("lock " + a));
        f.probe.reply(HostReply::Ok, "lock", a);
        f.probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_B.xml");
        f.traces.lines.clear();
        f.editor.lockDevDesc(a);
        QVERIFY(f.log.lines.isEmpty());
        QCOMPARE(f.traces.lines.mid(1, 3),
                 QStringList({"0/2:Dev desc file - " + a,
                              "1/2:Dev desc file - config/devicetypes/north_B.xml",
                              "lockDevDesc. already locked. file='" + a + "'"}));
    }

    void applyUploadsAndCloseUnlocksInOrder() {
        Fixture f;
        f.probe.selectSystem("north");
        for (const QString& path :
             {outputs, QString("config/instances.xml"), QString("config/devicetypes.xml"),
              QString("config/devicetypes/north_A.xml")})
            f.probe.reply(HostReply::Ok, "lock", path);
        f.log.take();
        f.editor.apply();
        QCOMPARE(f.log.take(),
                 QStringList({"syncDirUpload " + outputs, "uploadFile config/devicetypes.xml",
                              "uploadFile config/instances.xml",
                              "uploadFile config/devicetypes/north_A.xml"})); // no local copy: last
        f.editor.close();
        QCOMPARE(f.log.take(), QStringList({"unlock " + outputs, "unlock config/devicetypes.xml",
                                            "unlock config/instances.xml",
                                            "unlock config/devicetypes/north_A.xml"}));
    }

    void editsSendDirtyOnceAndMarkTheModule() {
        Fixture f;
        f.probe.processEditor()->infodriverNumber->setValue(3); // no module loaded: no edit
        QVERIFY(f.log.lines.isEmpty() && !f.editor.isDirty());
        f.selectModule();
        QVERIFY(!f.log.take().contains("dirty")); // loading the module is no edit
        f.editor.markDirty();
        f.editor.markDirty();
        QCOMPARE(f.log.take(), QStringList("dirty"));
        QVERIFY(f.probe.currentModule()->modified);
        QVERIFY(f.editor.isDirty());
    }

    // The editor is clean only once every upload of the Apply that saved its
    // last change is done. Each step: edit, apply, south (choose that system),
    // lock:X or refuse:X (a lock reply), Ok:X, Done:X or Fail:X (an upload reply);
    // X is o (north's outputs folder), d (Pumps' description), i (instances), s (south).
    void cleanOnlyOnceEveryUploadOfTheApplyIsDone_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sent"); // the uploads and "clean" the editor sent
        QTest::addColumn<QString>("boxes");
        const QString locked = "lock:o lock:d lock:i edit apply ";
        auto row = [](const char* name, const QString& steps, const char* sent,
                      const char* boxes = "") { QTest::newRow(name) << steps << sent << boxes; };
        row("every upload done", locked + "Ok:o Done:o Done:d Done:i", "up:d up:o up:i clean");
        row("one still to come", locked + "Done:o Done:d", "up:d up:o up:i");
        row("failed upload", locked + "Fail:o Done:d Done:i", "up:d up:o up:i", "Error");
        row("failed, then applied again",
            locked + "Fail:o Done:d Done:i apply Done:d Done:o Done:i",
            "up:d up:o up:i up:d up:o up:i clean", "Error");
        row("edited during the uploads", locked + "Done:o edit Done:d Done:i", "up:d up:o up:i");
        row("upload reply without an Apply", "lock:o lock:d lock:i edit Done:o", "");
        row("Apply before the folder's lock", "lock:d lock:i edit apply Done:d Done:i",
            "up:d up:i");
        row("then locked and applied",
            "lock:d lock:i edit apply Done:d Done:i lock:o apply Done:d Done:o Done:i",
            "up:d up:i up:d up:o up:i clean");
        row("a change left in a system without its lock", "refuse:o edit south lock:s apply Done:s",
            "up:s", "Lock Alarms TOLV Output"); // the module cannot be saved: no description lock
    }
    void cleanOnlyOnceEveryUploadOfTheApplyIsDone() {
        QFETCH(QString, steps);
        Fixture f;
        f.selectModule();
        const QMap<QString, QString> paths{{"o", outputs},
                                           {"d", pumpsDesc},
                                           {"i", "config/instances.xml"},
                                           {"s", "config/alarms/south/outputs"}};
        f.log.take();
        for (const QString& step : steps.split(' ')) {
            const QString what = step.section(':', 0, 0), path = paths.value(step.section(':', 1));
            if (step == "edit")
                f.editor.markDirty();
            else if (step == "apply")
                f.editor.apply();
            else if (step == "south")
                f.probe.selectSystem("south");
            else if (what == "lock" || what == "refuse")
                f.probe.reply(what == "lock" ? HostReply::Ok : HostReply::Fail, "lock", path,
                              "held");
            else
                f.probe.reply(what == "Ok"     ? HostReply::Ok
                              : what == "Done" ? HostReply::Done
                                               : HostReply::Fail,
                              "upload", path, "disk full");
        }
        QStringList sent;
        for (const QString& line : f.log.take())
            if (line.startsWith("uploadFile") || line.startsWith("syncDirUpload") ||
                line == "clean")
                sent << (line == "clean" ? line : "up:" + paths.key(line.section(' ', 1)));
        QTEST(sent.join(' '), "sent");
        QCOMPARE(f.editor.isDirty(), !sent.endsWith("clean"));
        QStringList boxes;
        for (const SeenDialog& box : f.modal.seen)
            boxes << box.caption;
        QTEST(boxes.join(' '), "boxes");
        if (steps.contains("Fail:"))
            QVERIFY(f.modal.seen[0].text.contains("disk full") &&
                    f.modal.seen[0].text.contains(outputs));
    }

    void applyUploadsTheFoldersLockedWhenItBegan() {
        Fixture f;
        const QString south = "config/alarms/south/outputs";
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::Ok, "lock", outputs);
        f.probe.selectSystem("south");
        f.probe.reply(HostReply::Ok, "lock", south);
        // While the first upload is emitted the user switches systems and the host grants
        // their locks: more than the list has room for.
        bool answered = false;
        QObject::connect(&f.editor, &alm_tolv_output::command, [&](const QString& word) {
            if (word != "syncDirUpload" || answered)
                return;
            answered = true;
            for (int i = 0; i < 40; ++i) {
                const QString system = QString("s%1").arg(i);
                f.probe.selectSystem(system);
                f.probe.reply(HostReply::Ok, "lock", "config/alarms/" + system + "/outputs");
            }
        });
        f.log.take();
        f.editor.apply();
        QCOMPARE(f.log.take().filter("syncDirUpload"),
                 QStringList({"syncDirUpload " + outputs, "syncDirUpload " + south}));
        QCOMPARE(f.probe.lockedDirs().size(), 42);
    }

    void directoryListingFillsTheSelector() {
        Fixture f;
        auto* combo = f.editor.dockWindows()[0]->findChild<QComboBox*>("systemCombo");
        f.probe.reply(HostReply::Ok, "dir", "config/alarms", "north\nsouth");
        f.probe.reply(HostReply::Fail, "dir", "config/alarms", "east");
        f.probe.reply(HostReply::Ok, "elsewhere", "config/alarms", "east");
        QCOMPARE(combo->count(), 2);
    }

    void uncreatableOutputsFolderDropsThePendingNavigation() {
        Fixture f("config/alarms", "a file where a folder belongs");
        f.probe.selectSystem("north");
        f.editor.navigate("", "Pumps");
        f.probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(f.modal.seen.size(), 1); // no "File not found" box follows
        QCOMPARE(f.modal.seen[0].caption, QString("Alarms/Processes"));
        QCOMPARE(f.modal.seen[0].icon, QMessageBox::Critical);
        QCOMPARE(f.modal.seen[0].text,
                 "Could not Create directory\n" + f.root.path() + "/config/alarms.\n\n");
        QVERIFY(f.probe.checkedOutDirs().contains(outputs));
    }

    void processDefinitionsOfAnotherSystemWithTheSameTimeAreRead() {
        Fixture f(definitions, "[N1]\r\n");
        const QString south = "config/alarms/south/proc_def.cfg";
        f.write(south, "[S1]\r\n[S2]\r\n");
        const QDateTime time = QDateTime::currentDateTime().addSecs(-60);
        for (const QString& path : {definitions, south}) {
            QFile file(f.root.path() + "/" + path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        }
        QVERIFY(f.editor.loadProcesses(f.root.path() + "/" + definitions));
        QVERIFY(f.editor.loadProcesses(f.root.path() + "/" + south));
        QCOMPARE(f.probe.processNames(), QStringList({"S1", "S2"}));
    }

    void processDefinitionsAreReadOnceWhileUnchanged() {
        Fixture f(definitions, "Group=before\r\n[P1]\r\nGroup=A=B\r\n[]\r\nGroup=x\r\n[P2]\r\n"
                               " Group = no\r\ngroup=no\r\n[P1]\r\nGroup\r\n");
        const QString path = f.root.path() + "/" + definitions;
        QVERIFY(f.editor.loadProcesses(path));
        QCOMPARE(f.probe.processNames(), QStringList({"P1", "P2", "P1"}));
        dialog& list = *f.probe.processEditor();
        QCOMPARE(processColumn(list, 1), QString("A,,")); // sorted by Process, ties in file order

        setSlot(list, "P2", "12");
        QVERIFY(f.editor.loadProcesses(path)); // unchanged: the slot stays
        QCOMPARE(slotOf(list, "P2"), QString("12"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                         QFileDevice::FileModificationTime);
        file.close();
        QVERIFY(f.editor.loadProcesses(path));
        QCOMPARE(slotOf(list, "P2"), QString());
        QVERIFY(!f.editor.loadProcesses(f.root.path() + "/missing.cfg"));
        QCOMPARE(list.rowCount(), 3);
    }
};

QTEST_MAIN(tst_protocol)
#include "tst_protocol.moc"
