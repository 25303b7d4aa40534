// The host command protocol, driven by replies given directly to the editor.
#include "common/fixture.h"

namespace {

const QString outputs = "config/alarms/north/outputs";
const QString definitions = "config/alarms/north/proc_def.cfg";
const QString systemIni = "config/system/tolv_system.ini";
const QByteArray pumps = "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n";

// An editor on a fresh working copy, with its commands and boxes.
struct Fixture {
    explicit Fixture(const QString& file = {}, const QByteArray& content = {}) {
        if (!file.isEmpty())
            writeFile(root.filePath(file), content);
    }
    QString box() const { return modal.seen.value(0).caption + ": " + modal.seen.value(0).text; }

    QTemporaryDir root;
    alm_tolv_output editor{root.path(), "tolv", ""};
    EditorProbe probe{editor};
    CommandLog log{editor};
    ModalScript modal;
};

} // namespace

class tst_protocol : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    // The system file, read whatever letter case the reply uses, gives the process
    // list its limits; it is asked for again while it lacks the device status id.
    void activationAsksOnlyForWhatIsStillMissing_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("again"); // what the next activation asks for
        QTest::newRow("id") << QByteArray("[Status]\r\nDeviceInfodriverId=7\r\n")
                            << "dir config/alarms";
        QTest::newRow("no id") << QByteArray("[Status]\r\nOther=1\r\n")
                               << "dir config/alarms,downloadFile " + systemIni;
    }
    void activationAsksOnlyForWhatIsStillMissing() {
        QFETCH(QByteArray, ini);
        Fixture f(systemIni, ini);
        dialog& list = *f.probe.processEditor();
        list.maxSlot = 10;
        list.infodriverNumber->setMaximum(20);
        f.editor.activate(true);
        QCOMPARE(f.log.take(),
                 QStringList({"dir config/alarms", "checkoutFile config/devicetypes.xml",
                              "checkoutFile config/instances.xml",
                              "syncDirDownload config/devicetypes", "downloadFile " + systemIni}));
        f.probe.reply(HostReply::Ok, "lock", "config/devicetypes.xml");
        f.probe.reply(HostReply::Ok, "lock", "config/instances.xml");
        f.probe.reply(HostReply::Done, "download", "config/devicetypes");
        f.probe.reply(HostReply::Ok, "download", "system/tolv_system.ini"); // another file
        QCOMPARE(list.maxSlot, 10);
        f.probe.reply(HostReply::Ok, "download", "CONFIG/System/TOLV_system.INI");
        QCOMPARE(std::pair(list.maxSlot, list.infodriverNumber->maximum()), std::pair(4096, 999));
        f.editor.activate(true);
        QTEST(f.log.take().join(','), "again");
    }

    // Selecting a system fetches its files (a failed download records nothing, so
    // it is asked for again) and lists each module file of its folder once.
    void selectingASystemListsItsModules_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QString>("name"); // null: not listed
        QTest::newRow("module") << "al_out_0001.cfg" << pumps << "Pumps";
        QTest::newRow("text after the extension") << "al_out_0001.cfg.bak" << pumps << QString();
        QTest::newRow("another tool's")
            << "al_out_0002.cfg" << QByteArray("[System]\r\nName=A\r\nConfigTool=x\r\n")
            << QString();
        QTest::newRow("no name") << "al_out_0003.cfg"
                                 << QByteArray("[System]\r\nConfigTool=tolv\r\n") << "";
    }
    void selectingASystemListsItsModules() {
        QFETCH(QString, fileName);
        QFETCH(QString, name);
        QFETCH(QByteArray, system);
        Fixture f(outputs + "/" + fileName, system);
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::Fail, "download", definitions, "no such file");
        QCOMPARE(f.box(), "Error: Error:\nno such file\nNew file may be generated automatically.");
        f.probe.selectSystem("north");
        const QStringList fetch = {"downloadFile " + definitions, "checkoutDir " + outputs};
        QCOMPARE(f.log.take(), fetch + fetch);
        writeFile(f.root.filePath(definitions), "[P1]\r\n[P2]\r\n");
        f.probe.reply(HostReply::Ok, "download", definitions);
        f.probe.reply(HostReply::ReadOnly, "download", outputs + "/" + fileName);
        f.probe.reply(HostReply::Ok, "download", outputs + "/" + fileName); // checked out again
        f.probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(f.probe.processEditor()->rowCount(), 2);
        QStringList listed;
        for (QTreeWidgetItem* row : f.probe.fileList()->findItems("*", Qt::MatchWildcard))
            listed << row->text(0) + '|' + row->text(1);
        QCOMPARE(listed.join(','), name.isNull() ? QString() : name + '|' + fileName);
        for (const auto& module : f.probe.modules()) // one for each row, with its time
            QVERIFY(module->fileName == outputs + "/" + fileName && module->lastModified.isValid());
        QCOMPARE(int(f.probe.modules().size()), listed.size());
        f.probe.selectSystem("north"); // everything is here now
        QVERIFY(f.log.take().isEmpty());
    }

    // A refused lock leaves the file read-only; a description lock is asked for
    // once, and one granted in other letter case still counts.
    void locksAndReadOnlyWorking() {
        Fixture f;
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::Fail, "lock", outputs, "held by bob@desk");
        QCOMPARE(f.box(), "Lock: Lock: " + outputs +
                              " - held by bob@desk\nFile will be available read only");
        QVERIFY(f.probe.lockedDirs().isEmpty());
        const QString a = "config/devicetypes/north_A.xml";
        f.editor.lockDevDesc(a);
        f.probe.reply(HostReply::Ok, "lock", a);
        f.probe.reply(HostReply::Done, "lock", "Config/DeviceTypes/north_Pumps.xml");
        QCOMPARE(f.probe.lockedDevDescFiles(),
                 QStringList({a, "Config/DeviceTypes/north_Pumps.xml"}));
        // The shared device types file begins like a description path: its refusal
        // takes the description lock flag away as well.
        f.probe.reply(HostReply::Fail, "lock", "config/devicetypes.xml", "busy");
        QVERIFY(!f.probe.devDescLocked() && !f.probe.devTypesLocked());
        f.editor.lockDevDesc(a); // held: not asked for again
        QVERIFY(f.probe.devDescLocked());
        QCOMPARE(f.log.take().filter("lock "), QStringList("lock " + a));
    }

    // The editor is clean only once every upload of the Apply that saved its last change is
    // done; a change (not the module's loading) is told to the host once. Each step: edit, apply,
    // south (choose that system), lock:X or refuse:X (a lock reply), Ok:X, Done:X or Fail:X (an
    // upload reply); X is o (north's outputs), d (Pumps' description), i (instances), s (south's).
    void cleanOnlyOnceEveryUploadOfTheApplyIsDone_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sent"); // "dirty", the uploads and "clean" the editor sent
        QTest::addColumn<QString>("boxes");
        const QString locked = "lock:o lock:d lock:i edit apply ";
        auto row = [](const char* name, const QString& steps, const char* sent,
                      const char* boxes = "") { QTest::newRow(name) << steps << sent << boxes; };
        row("every upload done", locked + "Ok:o Done:o Done:d Done:i",
            "dirty up:d up:o up:i clean");
        row("one still to come", locked + "Done:o Done:d", "dirty up:d up:o up:i");
        row("failed, then applied again",
            locked + "Fail:o Done:d Done:i apply Done:d Done:o Done:i",
            "dirty up:d up:o up:i up:d up:o up:i clean", "Error");
        row("edited during the uploads", locked + "Done:o edit Done:d Done:i",
            "dirty up:d up:o up:i");
        row("upload reply without an Apply", "lock:o lock:d lock:i edit Done:o", "dirty");
        const QString early = "lock:d lock:i edit apply Done:d Done:i";
        row("Apply before the folder's lock", early, "dirty up:d up:i");
        row("then locked and applied", early + " lock:o apply Done:d Done:o Done:i",
            "dirty up:d up:i up:d up:o up:i clean");
        row("a change left in a system without its lock", "refuse:o edit south lock:s apply Done:s",
            "dirty up:s", "Lock Alarms TOLV Output"); // no description lock: not saved
    }
    void cleanOnlyOnceEveryUploadOfTheApplyIsDone() {
        QFETCH(QString, steps);
        Fixture f(outputs + "/al_out_0001.cfg", pumps); // Pumps selected as the replies bring it
        f.probe.processEditor()->infodriverNumber->setValue(3); // no module loaded: no edit
        f.probe.selectSystem("north");
        f.probe.reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        f.probe.reply(HostReply::Done, "download", outputs);
        f.probe.fileList()->topLevelItem(0)->setSelected(true);
        const QMap<QString, QString> paths{{"o", outputs},
                                           {"d", "config/devicetypes/north_Pumps.xml"},
                                           {"i", "config/instances.xml"},
                                           {"s", "config/alarms/south/outputs"}};
        for (const QString& step : steps.split(' ')) {
            const QString what = step.section(':', 0, 0), path = paths.value(step.section(':', 1));
            if (step == "edit")
                f.editor.markDirty();
            else if (step == "apply")
                f.editor.apply();
            else if (step == "south")
                f.probe.selectSystem("south");
            else
                f.probe.reply(what == "Done"                       ? HostReply::Done
                              : what == "Fail" || what == "refuse" ? HostReply::Fail
                                                                   : HostReply::Ok,
                              what == "lock" || what == "refuse" ? "lock" : "upload", path);
        }
        QStringList sent, boxes;
        for (const QString& line : f.log.take())
            if (line.startsWith("uploadFile") || line.startsWith("syncDirUpload"))
                sent << "up:" + paths.key(line.section(' ', 1));
            else if (line == "clean" || line == "dirty")
                sent << line;
        QTEST(sent.join(' '), "sent");
        QCOMPARE(f.editor.isDirty(), !sent.endsWith("clean"));
        for (const SeenDialog& box : f.modal.seen)
            boxes << box.caption;
        QTEST(boxes.join(' '), "boxes");
    }

    void applyUploadsTheFoldersLockedWhenItBegan() {
        Fixture f;
        const QString south = "config/alarms/south/outputs";
        f.probe.reply(HostReply::Ok, "lock", outputs);
        f.probe.reply(HostReply::Ok, "lock", south);
        // While the first upload is emitted the host grants the locks of other
        // systems' folders: more than the list has room for.
        QObject::connect(&f.editor, &alm_tolv_output::command, [&](const QString& word) {
            if (word == "syncDirUpload" && f.probe.lockedDirs().size() == 2)
                for (int i = 0; i < 40; ++i)
                    f.probe.reply(HostReply::Ok, "lock",
                                  QString("config/alarms/s%1/outputs").arg(i));
        });
        f.editor.apply();
        QCOMPARE(f.log.take().filter("syncDirUpload"),
                 QStringList({"syncDirUpload " + outputs, "syncDirUpload " + south}));
        QCOMPARE(f.probe.lockedDirs().size(), 42);
    }

    void uncreatableOutputsFolderDropsThePendingNavigation() {
        Fixture f("config/alarms", "a file where a folder belongs");
        f.probe.selectSystem("north");
        f.editor.navigate("", "Pumps");
        f.probe.reply(HostReply::Done, "download", outputs);
        QCOMPARE(f.modal.seen.size(), 1); // no "File not found"
        QCOMPARE(f.box(), "Alarms/Processes: Could not Create directory\n" + f.root.path() +
                              "/config/alarms.\n\n");
        QVERIFY(f.probe.checkedOutDirs().contains(outputs));
    }

    // The definitions are read again when their file's time changes, or when another
    // file of the same time was read meanwhile; a missing file keeps the rows.
    void processDefinitionsAreReadOnceWhileUnchanged() {
        Fixture f(definitions, "[P1]\r\n[P2]\r\n[P1]\r\n");
        writeFile(f.root.filePath("south.cfg"), "[S1]\r\n");
        const QDateTime time = QDateTime::currentDateTime().addSecs(-60);
        auto load = [&](const QString& file, int later = 0) { // with that modification time
            QFile open(f.root.filePath(file));
            return open.open(QIODevice::ReadWrite) &&
                   open.setFileTime(time.addSecs(later), QFileDevice::FileModificationTime) &&
                   f.editor.loadProcesses(open.fileName());
        };
        QVERIFY(load(definitions) && load("south.cfg"));
        QCOMPARE(f.probe.processNames(), QStringList("S1"));
        QVERIFY(load(definitions));
        QCOMPARE(f.probe.processNames(), QStringList({"P1", "P2", "P1"}));
        dialog& list = *f.probe.processEditor();
        setSlot(list, "P2", "12");
        QVERIFY(load(definitions)); // unchanged: the slot stays
        QCOMPARE(slotOf(list, "P2"), QString("12"));
        QVERIFY(load(definitions, 5));
        QCOMPARE(slotOf(list, "P2"), QString());
        QVERIFY(!f.editor.loadProcesses(f.root.filePath("missing.cfg")));
        QCOMPARE(list.rowCount(), 3);
    }
};

QTEST_MAIN(tst_protocol)
#include "tst_protocol.moc"
