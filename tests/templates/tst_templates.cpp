// Templates and the device files through the editor: loading and saving a
// module's templates, its own device description, the shared files and the
// rename of its device types.
#include "common/fixture.h"
#include "common/shared_file_view.h"

#include "host/store_host.h"
#include "templates/manage_temp.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtWidgets>

namespace {

const QString outputs = "config/alarms/north/outputs";
const QString devTypes = "config/devicetypes.xml";
const QString instances = "config/instances.xml";

QString descPath(const QString& typeId) {
    return "config/devicetypes/" + typeId + ".xml";
}

std::unique_ptr<devTemplate> makeTemplate(const QString& name, const QMap<QString, int>& params,
                                          const QStringList& instanceNames) {
    auto entry = std::make_unique<devTemplate>(name);
    entry->params = params;
    entry->instances = instanceNames;
    return entry;
}

// An editor on module "Pumps" of system "north", with the given process rows.
struct Fixture {
    explicit Fixture(const QStringList& processes = {"P1_RUN", "P1_TRIP", "P2_RUN", "PS"})
        : editor(root.path(), "alm_tolv_output", ""), probe(editor) {
        QDir(root.path()).mkpath("config/devicetypes");
        probe.selectSystem("north");
        QVector<ProcessDefinition> rows;
        for (const QString& name : processes)
            rows.append({name, "G"});
        probe.processEditor()->setProcesses(rows);
        probe.modules().push_back(std::make_unique<cOutputFile>("Pumps", "alm_tolv_output",
                                                                outputs + "/al_out_0001.cfg"));
        probe.setCurrentModule(probe.modules().back().get());
    }
    void grant(const QString& storePath) { probe.reply(HostReply::Ok, "lock", storePath); }
    QString local(const QString& storePath) const { return root.path() + '/' + storePath; }
    bool exists(const QString& storePath) const { return QFile::exists(local(storePath)); }
    QByteArray read(const QString& storePath) const { return readAll(local(storePath)); }
    void write(const QString& storePath, const QByteArray& bytes) {
        writeFile(local(storePath), bytes);
    }
    ProcessRow row(const QString& name) const { return processNamed(*probe.processEditor(), name); }
    // Saves the templates as the module writer does; the lines come back.
    QPair<QString, QString> saveTemplates(bool duplicate = false) {
        QPair<QString, QString> lines;
        editor.saveTemplates(probe.currentModule(), duplicate, lines.first, lines.second);
        return lines;
    }

    QTemporaryDir root;
    alm_tolv_output editor;
    EditorProbe probe;
};

// The editor on a copy of the sample store through the store host, showing the
// north module "Pumps" (template "pump" on P1..P8, free rows PS_*).
struct Hosted {
    explicit Hosted(bool queued = false)
        : host((copyTree(sampleStore(), store.path()), store.path()), work.path(), "tester"),
          editor(work.path(), "alm_tolv_output", ""), probe(editor) {
        host.setReplyMode(queued ? StoreHost::ReplyMode::Queued : StoreHost::ReplyMode::Immediate);
        host.attach(&editor);
        editor.activate(true);
        settle();
        probe.selectSystem("north");
        settle();
        const auto rows = probe.fileList()->findItems("Pumps", Qt::MatchExactly);
        if (!rows.isEmpty())
            probe.fileList()->setCurrentItem(rows.first());
        settle();
    }
    void settle() { host.flushReplies(); }
    QByteArray stored(const QString& storePath) const { return readAll(store.filePath(storePath)); }
    ProcessRow row(const QString& name) const { return processNamed(*probe.processEditor(), name); }

    QTemporaryDir store;
    QTemporaryDir work;
    StoreHost host;
    alm_tolv_output editor;
    EditorProbe probe;
};

} // namespace

class tst_templates : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void templateSurvivesSaveAndLoad_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Pump";
        QTest::newRow("ampersand") << "a&b";
        QTest::newRow("less") << "a<b";
        QTest::newRow("greater") << "a>b";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("umlaut") << "Pumpe_S\u00fcd";
    }
    void templateSurvivesSaveAndLoad() {
        QFETCH(QString, name);
        const QString param = "_" + name;
        Fixture f({"P1" + param, "P2" + param, "P1_RUN"});
        f.probe.templates().insert(makeTemplate(name, {{param, 2}, {"_RUN", 1}}, {"P1"}));
        f.grant(descPath("north_Pumps_" + name));
        const auto [templateLines, instanceLines] = f.saveTemplates();
        QCOMPARE(templateLines, name + "=0,1,''\n");
        QCOMPARE(instanceLines, name + "=P1,\n");

        f.probe.templates().clear();
        f.editor.loadTemplates({templateLines.trimmed()}, {{name, "P1,"}});
        const devTemplate* back = f.probe.templates().find(name);
        QVERIFY(back);
        QCOMPARE(back->params, (QMap<QString, int>{{param, 2}, {"_RUN", 1}}));
        QCOMPARE(back->instances, QStringList{"P1"});
        QCOMPARE(f.row("P1" + param).devType, name);
        QCOMPARE(f.row("P1" + param).instance, QString("P1"));
        QVERIFY(!f.row("P1" + param).free);
        QVERIFY(f.row("P2" + param).free);
    }

    // A template that cannot be loaded is named to the user; while its
    // description cannot be read, its lines stay in the module file.
    void templateNotLoadedIsNamedAndKeptWhileUnreadable_data() {
        QTest::addColumn<QByteArray>("description"); // "" for none
        QTest::addColumn<QString>("instances");      // the [Instances] key
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("kept");
        QTest::newRow("missing") << QByteArray() << "pump"
                                 << "'pump': its device description north_Pumps_pump.xml cannot "
                                    "be read: No such file or directory"
                                 << "pump=0,1,'P' pump=P1,";
        QTest::newRow("malformed") << QByteArray("<device_description") << "pump"
                                   << "'pump': its device description north_Pumps_pump.xml is "
                                      "not well-formed XML"
                                   << "pump=0,1,'P' pump=P1,";
        QTest::newRow("no instances")
            << QByteArray("<device_description name=\"north_Pumps_pump\"><param name=\"_RUN\" "
                          "slot=\"1\"/></device_description>")
            << "other"
            << "'pump': it has no line under [Instances]"
            << " ";
    }
    void templateNotLoadedIsNamedAndKeptWhileUnreadable() {
        QFETCH(QByteArray, description);
        QFETCH(QString, instances);
        Fixture f;
        if (!description.isEmpty())
            f.write(descPath("north_Pumps_pump"), description);
        ModalScript modal;
        f.editor.loadTemplates({"pump=0,1,'P'"}, {{instances, "P1,"}});
        QVERIFY(f.probe.templates().isEmpty() && f.row("P1_RUN").free);
        QCOMPARE(modal.seen.size(), 1);
        QFETCH(QString, why);
        QVERIFY2(modal.seen[0].text.contains("\n\t" + why + "\n\n"),
                 qPrintable(modal.seen[0].text));
        const auto [templateLines, instanceLines] = f.saveTemplates();
        QTEST(QString(templateLines + ' ' + instanceLines).replace('\n', ""), "kept");
    }

    void firstTemplateKeepsAProcessClaimedTwice() {
        Fixture f;
        // "P1" + "_RUN" and "P1_" + "RUN" spell the same process.
        f.probe.templates().insert(makeTemplate("b", {{"RUN", 1}}, {"P1_"}));
        f.probe.templates().insert(makeTemplate("a", {{"_RUN", 1}}, {"P1"}));
        f.saveTemplates(true);
        f.probe.templates().clear();
        CommandLog log(f.editor);
        f.editor.loadTemplates({"b", "a"}, {{"a", "P1,"}, {"b", "P1_,"}});
        QCOMPARE(f.probe.templates().count(), 2);
        QCOMPARE(f.row("P1_RUN").devType, QString("b"));
        QCOMPARE(f.row("P1_RUN").instance, QString("P1_"));
        QCOMPARE(log.lines, (QStringList{"lock " + descPath("north_Pumps_b"),
                                         "lock " + descPath("north_Pumps_a")}));
    }

    void templateFileNeedsItsLockUnlessDuplicating_data() {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<bool>("written");
        QTest::newRow("locked") << true << false << true;
        QTest::newRow("not locked") << false << false << false;
        QTest::newRow("duplicate") << false << true << true;
    }
    void templateFileNeedsItsLockUnlessDuplicating() {
        QFETCH(bool, locked);
        QFETCH(bool, duplicate);
        Fixture f;
        f.probe.templates().insert(makeTemplate("pump", {{"_RUN", 1}}, {"P1"}));
        if (locked)
            f.grant(descPath("north_Pumps_pump"));
        f.saveTemplates(duplicate);
        QTEST(f.exists(descPath("north_Pumps_pump")), "written");
    }

    void unsafeTemplateNamesTouchNoFile() {
        Fixture f;
        ModalScript modal;
        f.write("config/x.xml", "<device_description name=\"north_Pumps_/../../x\"/>");
        CommandLog log(f.editor);
        TraceCapture trace;
        f.editor.loadTemplates({"/../../x"}, {{"/../../x", "P1,"}});
        QVERIFY(f.probe.templates().isEmpty());
        QCOMPARE(log.lines, QStringList());
        f.probe.templates().insert(makeTemplate("a\\b", {{"_RUN", 1}}, {"P1"}));
        f.saveTemplates(true);
        QCOMPARE(QDir(f.local("config/devicetypes")).entryList(QDir::Files), QStringList());
    }

    void moduleFileListsFreeRowsWithValidSlots() {
        Fixture f({"A", "B", "C", "D", "E", "F"});
        const QStringList slotTexts = {"007", "0", "5000", "x", "", "3"};
        f.probe.processEditor()->editRows([&](int, ProcessRow& row) {
            row.slot = slotTexts[row.name.at(0).unicode() - 'A'];
            row.free = row.name != "F";
        });
        f.grant(descPath("north_Pumps"));
        f.editor.writeDevDescFile(f.probe.currentModule(), true);
        QCOMPARE(f.read(descPath("north_Pumps")),
                 QByteArray("<?xml version=\"1.0\"?>\r\n"
                            "<!DOCTYPE device_description SYSTEM \"device_description.dtd\">\r\n"
                            "<device_description name=\"north_Pumps\">\r\n"
                            "\t<param name=\"A\" slot=\"007\" class=\"enum\" style=\"popup_list\" "
                            "access=\"readwrite\" template=\"alarmButton\">\r\n"
                            "\t</param>\r\n"
                            "</device_description>"));
    }

    void moduleFileNeedsItsLockWhenRequired() {
        Fixture f;
        ModalScript modal;
        f.editor.writeDevDescFile(f.probe.currentModule(), true);
        QVERIFY(!f.exists(descPath("north_Pumps")));
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Alarms TOLV Output"));
        QCOMPARE(modal.seen[0].text,
                 QString("We have not got the lock on file - config/devicetypes/north_Pumps.xml"));
        f.editor.writeDevDescFile(f.probe.currentModule(), false);
        QVERIFY(f.exists(descPath("north_Pumps")));
        QCOMPARE(modal.seen.size(), 1);
    }

    void applyBeforeTheRenamedDescriptionIsLockedKeepsTheModuleModified() {
        Hosted h(true); // the host answers later
        ModalScript modal;
        h.editor.renameModule(h.probe.fileList()->currentItem(), 0, "Pumps2");
        h.editor.apply(); // before the lock of the new description arrives
        h.settle();
        QCOMPARE(modal.seen.value(0).text,
                 QString("We have not got the lock on file - config/devicetypes/north_Pumps2.xml"));
        QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty());
        h.editor.apply();
        h.settle();
        QVERIFY(!h.editor.isDirty());
        QVERIFY(h.stored(descPath("north_Pumps2")).contains("north_Pumps2"));
    }

    void sharedFilesCreatedWhenMissing() {
        Fixture f;
        f.probe.processEditor()->infodriverNumber->setValue(12);
        // The user has just erased the number to type another: the value holds.
        f.probe.processEditor()->infodriverNumber->findChild<QLineEdit*>()->setText("");
        f.probe.templates().insert(makeTemplate("pump", {{"_RUN", 1}}, {"P1", "P2"}));
        QVERIFY(f.editor.writeDeviceTypesFile(f.probe.currentModule()));
        QVERIFY(f.editor.writeInstances());
        // As created (the layout is the core suite's golden), with the spin box's value.
        QVERIFY(f.read(devTypes).startsWith("<?xml version = '1.0' encoding='windows-1252' ?>"));
        QCOMPARE(viewSharedFile(f.read(devTypes), "type", "id", {"north_Pumps", "north_Pumps_pump"})
                     .ownIds,
                 (QStringList{"north_Pumps", "north_Pumps_pump"}));
        QVERIFY(f.read(instances).endsWith(
            "    <instance id=\"north_Pumps_P2\" type=\"north_Pumps_pump\" composite=\"no\" "
            "ref=\"device=12,offset=1\"/>\r\n</instances>\r\n"));
    }

    // A name that would give a module or template the device type id of another
    // module or template of the system is refused where it is typed, with the
    // boxes that refuse unfit names; a duplicate's name passes such names over.
    void namesGivingAnotherTypeIdAreRefused() {
        ModalScript modal;
        Hosted h; // north: Pumps (template pump), Boilers (template boiler)
        QTreeWidgetItem* boilers = h.probe.fileList()->findItems("Boilers", Qt::MatchExactly)[0];
        h.editor.renameModule(boilers, 0, "Pumps_spare"); // free: Pumps has no template spare
        modal.answer([](QDialog& dialog) {
            dynamic_cast<manage_temp&>(dialog).buttonNew->click();
            return 0;
        });
        modal.answer([](QDialog& dialog) {
            dynamic_cast<QInputDialog&>(dialog).setTextValue("spare");
            return QDialog::Accepted;
        });
        h.editor.manageTemplate();
        QCOMPARE(modal.seen.value(2).text, QString("The specified name 'spare' already exists."));
        h.editor.renameModule(boilers, 0, "Pumps_pump");
        QCOMPARE(boilers->text(0), QString("Pumps_spare"));
        QCOMPARE(modal.seen.value(3).text, QString("The device type 'north_Pumps_pump' of the new "
                                                   "name already belongs to another module or "
                                                   "template."));
        h.editor.renameModule(boilers, 0, "Copy 1 of Pumps_pump");
        QString copy;
        h.editor.copyName(copy);
        QCOMPARE(copy, QString("Copy 2 of Pumps"));
    }

    void renameWithoutBothLocksChangesNothing_data() {
        QTest::addColumn<QString>("locked"); // the one shared file whose lock is held
        QTest::newRow("devicetypes only") << devTypes;
        QTest::newRow("instances only") << instances;
    }
    void renameWithoutBothLocksChangesNothing() {
        QFETCH(QString, locked);
        Fixture f;
        f.probe.templates().insert(makeTemplate("t", {{"_RUN", 1}}, {"P1"}));
        const QByteArray types = "<devicetypes>\r\n<type id=\"north_X\"/>\r\n</devicetypes>\r\n";
        const QByteArray instanceList = "<instances>\r\n<instance id=\"north_X\" type=\"north_X\" "
                                        "ref=\"device=0,offset=0\"/>\r\n</instances>\r\n";
        f.write(devTypes, types);
        f.write(instances, instanceList);
        f.write(descPath("north_X_t"), "x");
        f.grant(locked);
        CommandLog log(f.editor);
        f.editor.changeDevType("north_X", "north_Y");
        QCOMPARE(f.read(devTypes), types);
        QCOMPARE(f.read(instances), instanceList);
        QVERIFY(f.exists(descPath("north_X_t")));
        QCOMPARE(log.lines, QStringList());
    }

    void lateGrantOfALockGivenBackAtRenameIsGivenBack() {
        Fixture f;
        f.grant(devTypes);
        f.grant(instances);
        f.write(descPath("north_Pumps"), "x");
        f.grant(descPath("north_Pumps"));
        CommandLog log(f.editor);
        f.editor.changeDevType("north_Pumps", "north_Pumpen");
        QCOMPARE(log.take(), (QStringList{"unlock " + descPath("north_Pumps"),
                                          "lock " + descPath("north_Pumpen")}));
        // The answer to a request sent before the rename (or the same answer twice).
        f.grant(descPath("north_Pumps"));
        QCOMPARE(log.take(), QStringList{"unlock " + descPath("north_Pumps")});
        QVERIFY(!f.probe.lockedDevDescFiles().contains(descPath("north_Pumps")));
        // Asked for again, it is held again.
        f.editor.lockDevDesc(descPath("north_Pumps"));
        f.grant(descPath("north_Pumps"));
        QVERIFY(f.probe.lockedDevDescFiles().contains(descPath("north_Pumps")));
    }

    void moduleGoneOrHiddenDuringTheLockMessageLeavesTheSharedFiles_data() {
        QTest::addColumn<bool>("dropped"); // else another module is shown meanwhile
        QTest::newRow("module dropped by a rescan") << true;
        QTest::newRow("another module shown") << false;
    }
    void moduleGoneOrHiddenDuringTheLockMessageLeavesTheSharedFiles() {
        QFETCH(bool, dropped);
        Fixture f;
        const QByteArray old = "<devicetypes>\r\n</devicetypes>\r\n";
        f.write(devTypes, old);
        QDir(f.root.path()).mkpath(outputs);
        ModalScript modal;
        modal.answer([&](QDialog&) {
            if (dropped)
                f.probe.modules().clear();
            else
                f.probe.modules().push_back(std::make_unique<cOutputFile>("Fans", "", "f.cfg"));
            f.probe.setCurrentModule(dropped ? nullptr : f.probe.modules().back().get());
            return 0;
        });
        f.probe.currentModule()->modified = true;
        QVERIFY(f.editor.saveFile(f.probe.currentModule(), true, false));
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(f.read(devTypes), old);
        QVERIFY(!f.exists(instances));
    }

    void savingAModuleUpdatesTheStoreExactly() {
        ModalScript modal;
        Hosted h;
        const QByteArray types = h.stored(devTypes);
        const QByteArray instanceList = h.stored(instances);
        const QByteArray own = h.stored(descPath("north_Pumps"));
        const QByteArray pump = h.stored(descPath("north_Pumps_pump"));
        QCOMPARE(h.row("P1_RUN").devType, QString("pump"));
        QCOMPARE(h.row("P8_TRIP").instance, QString("P8"));
        QVERIFY(!h.row("P8_TRIP").free && h.row("PS_UPS_FAULT").free);

        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.editor.markDirty();
        h.editor.apply();
        QCOMPARE(modal.seen.size(), 0);
        QCOMPARE(h.stored(devTypes), types);
        QCOMPARE(h.stored(instances), instanceList);
        QCOMPARE(h.stored(descPath("north_Pumps")),
                 QByteArray(own).replace("\"PS_UPS_FAULT\" slot=\"102\"",
                                         "\"PS_UPS_FAULT\" slot=\"103\""));
        QCOMPARE(h.stored(descPath("north_Pumps_pump")), pump);
    }

    void templateMadeInTheManagerReachesTheStore() {
        ModalScript modal;
        Hosted h;
        const QString moduleFile = outputs + "/al_out_0001.cfg";
        const QByteArray module = h.stored(moduleFile);
        const QByteArray types = h.stored(devTypes);
        const QByteArray instanceList = h.stored(instances);
        const QByteArray pump = h.stored(descPath("north_Pumps_pump"));
        const QStringList untouched = {outputs + "/al_out_0002.cfg", outputs + "/al_out_0003.cfg",
                                       descPath("north_Boilers"), descPath("north_Boilers_boiler")};
        QList<QByteArray> before;
        for (const QString& path : untouched)
            before.append(h.stored(path));

        // A template "ps" on the power supply processes PS_*: the six parameters
        // numbered 1..6 in name order, base slot 200, offset 5, instance "PS_".
        modal.answer([](QDialog& dialog) {
            auto& manager = dynamic_cast<manage_temp&>(dialog);
            manager.buttonNew->click();
            manager.editPrefix->setText("PS_");
            manager.listSlots->selectAll();
            manager.buttonAutoNumberSlots->click();
            manager.spinBase->setValue(200);
            manager.spinOffset->setValue(5);
            manager.tabWidget->setCurrentIndex(1);
            manager.buttonSelectAll->click();
            manager.buttonOk->click();
            return manager.result();
        });
        modal.answer([](QDialog& dialog) {
            dynamic_cast<QInputDialog&>(dialog).setTextValue("ps");
            dialog.accept();
            return dialog.result();
        });
        h.editor.manageTemplate();
        h.settle();
        h.editor.apply();
        h.settle();
        QCOMPARE(modal.seen.size(), 2);
        QCOMPARE(modal.seen[1].caption, QString("New Template"));
        QCOMPARE(h.row("PS_MAINS_FAIL").devType, QString("ps"));

        const QByteArray psLines =
            "PS_BREAKER_TRIP=201\r\nPS_GEN_FAIL=202\r\nPS_GEN_RUN=203\r\n"
            "PS_MAINS_FAIL=204\r\nPS_UPS_FAULT=205\r\nPS_UPS_ON_BATT=206\r\n";
        QCOMPARE(h.stored(moduleFile),
                 QByteArray(module)
                     .replace("pump=0,10,'P1'\r\n", "ps=200,5,'PS_'\r\npump=0,10,'P1'\r\n")
                     .replace("pump=P1,", "ps=PS_,\r\npump=P1,")
                     .replace("PS_MAINS_FAIL=100\r\nPS_UPS_FAULT=102\r\nPS_UPS_ON_BATT=101\r\n",
                              psLines));

        QByteArray ps = "<?xml version=\"1.0\"?>\r\n"
                        "<!DOCTYPE device_description SYSTEM \"device_description.dtd\">\r\n"
                        "<device_description name=\"north_Pumps_ps\">\r\n";
        const QStringList params = {"BREAKER_TRIP", "GEN_FAIL",  "GEN_RUN",
                                    "MAINS_FAIL",   "UPS_FAULT", "UPS_ON_BATT"};
        for (int slot = 1; slot <= params.size(); ++slot)
            ps += "\t<param name=\"" + params[slot - 1].toLatin1() + "\" slot=\"" +
                  QByteArray::number(slot) +
                  "\" class=\"enum\" style=\"popup_list\" access=\"readwrite\" "
                  "template=\"alarmButton\">\r\n\t</param>\r\n";
        QCOMPARE(h.stored(descPath("north_Pumps_ps")), ps + "</device_description>");
        // No free row of the module has a slot any more.
        QCOMPARE(h.stored(descPath("north_Pumps")),
                 QByteArray("<?xml version=\"1.0\"?>\r\n"
                            "<!DOCTYPE device_description SYSTEM \"device_description.dtd\">\r\n"
                            "<device_description name=\"north_Pumps\">\r\n"
                            "</device_description>"));
        QCOMPARE(h.stored(descPath("north_Pumps_pump")), pump);

        // The new template's type and instance go before the end tags.
        QCOMPARE(h.stored(devTypes),
                 QByteArray(types).replace("</devicetypes>",
                                           "\t<type id=\"north_Pumps_ps\" family=\"alarms\" "
                                           "composite=\"no\"/>\r\n</devicetypes>"));
        QCOMPARE(h.stored(instances),
                 QByteArray(instanceList)
                     .replace("</instances>",
                              "\t<instance id=\"north_Pumps_PS_\" type=\"north_Pumps_ps\" "
                              "composite=\"no\" ref=\"device=12,offset=200\"/>\r\n</instances>"));
        for (int i = 0; i < untouched.size(); ++i)
            QCOMPARE(h.stored(untouched[i]), before[i]);
        QVERIFY(!h.editor.isDirty());
    }

    void deletedTemplateLeavesTheStoreWithItsSharedEntries() {
        ModalScript modal;
        Hosted h;
        modal.answer([](QDialog& dialog) { // the only template loses all its slots
            auto& manager = dynamic_cast<manage_temp&>(dialog);
            manager.listSlots->selectAll();
            manager.buttonClearSlots->click();
            manager.buttonOk->click();
            return manager.result();
        });
        h.editor.manageTemplate();
        h.editor.apply();
        h.settle();
        QVERIFY(!QFile::exists(h.store.filePath(descPath("north_Pumps_pump"))));
        QVERIFY(!(h.stored(devTypes) + h.stored(instances)).contains("north_Pumps_pump"));
        QVERIFY(!h.editor.isDirty());
    }

    // Each file a save writes, made to fail: the working copy and the store keep
    // the old bytes, the user is told where a box is due (else a trace line tells),
    // the module stays modified and the editor dirty; once the file can be
    // written, the next Apply writes it and the editor is clean.
    void failedDeviceFileWriteKeepsTheModuleModified_data() {
        QTest::addColumn<QString>("blocked");   // what refuses the write; "": a full disk
        QTest::addColumn<QString>("kept");      // the files under this path keep their bytes
        QTest::addColumn<QStringList>("boxes"); // the start of each box text
        QTest::addColumn<QString>("traced");    // the start of a trace line
        const QString descBox = "alm_tolv_output::writeDevDescFile - Failed to open file - ";
        const QString pump = descPath("north_Pumps_pump"), own = descPath("north_Pumps");
        QTest::newRow("own device description")
            << own << own << QStringList{descBox} << "writeDevDescFile. Failed to write '";
        QTest::newRow("template device description")
            << pump << pump << QStringList() << "devTemplate::saveFile - Failed to write '";
        QTest::newRow("devicetypes") << devTypes << devTypes << QStringList()
                                     << "alm_tolv_output::writeDeviceTypesFile - Failed to open "
                                        "file - ";
        QTest::newRow("instances") << instances << instances << QStringList()
                                   << "alm_tolv_output::writeInstances - Failed to open file - ";
        QTest::newRow("instances to be created")
            << "config" << instances << QStringList()
            << "alm_tolv_output::writeDocument - Failed to write ";
        // Every write fails only once its bytes go out, after the file was made.
        QTest::newRow("full disk") << ""
                                   << "" << QStringList{descBox, "Failed to open file - "}
                                   << "alm_tolv_output::saveFile - Failed to write file '";
    }
    void failedDeviceFileWriteKeepsTheModuleModified() {
        QFETCH(QString, blocked);
        QFETCH(QString, kept);
        QFETCH(QStringList, boxes);
        QFETCH(QString, traced);
        ModalScript modal;
        Hosted h;
        if (blocked == "config")
            QVERIFY(QFile::remove(h.work.filePath(instances)));
        const auto keptOf = [&](const QTemporaryDir& dir) {
            auto tree = treeSnapshot(dir.path());
            tree.removeIf([&](const auto& entry) { return !entry.key().startsWith(kept); });
            return tree;
        };
        const auto local = keptOf(h.work), stored = keptOf(h.store);
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.probe.templates().insert(makeTemplate("x", {}, {"X1"})); // a change to both shared files
        h.editor.lockDevDesc(descPath("north_Pumps_x"));
        h.editor.markDirty();
        TraceCapture trace;
        {
            WriteBlocker blocker(blocked.isEmpty() ? QString() : h.work.filePath(blocked));
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a write here");
            h.editor.apply();
            h.settle();
        }
        QVERIFY(std::any_of(trace.lines.begin(), trace.lines.end(),
                            [&](const QString& line) { return line.startsWith(traced); }));
        QCOMPARE(keptOf(h.work), local);
        QCOMPARE(keptOf(h.store), stored);
        QStringList seen;
        for (const auto& box : modal.seen)
            seen.append(box.text.left(boxes.value(seen.size()).size()));
        QCOMPARE(seen, boxes);
        QVERIFY(h.probe.currentModule()->modified);
        QVERIFY(h.editor.isDirty());

        h.editor.apply();
        h.settle();
        QVERIFY(!h.probe.currentModule()->modified);
        QVERIFY(!h.editor.isDirty());
        QVERIFY(h.stored(descPath("north_Pumps")).contains("\"PS_UPS_FAULT\" slot=\"103\""));
    }

    // A shared file that is not well-formed is left alone and the user told once
    // per Apply, with where the parser stopped; the module stays modified.
    void unfitSharedFileIsLeftAloneAndTold() {
        ModalScript modal;
        Hosted h;
        const QByteArray broken = "<devicetypes>\n<type id=\"a\" id=\"b\"/>\n</devicetypes>\n";
        QFile file(h.work.filePath(devTypes));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(broken) == broken.size());
        file.close();
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.editor.markDirty();
        h.editor.apply();
        h.settle();
        QCOMPARE(modal.seen.size(), 1);
        QVERIFY(modal.seen[0].text.endsWith("\nconfig/devicetypes.xml, line 2, column 14: "
                                            "attribute 'id' given twice"));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == broken);
        QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty());
    }

    void saveMadeWhileTheFailureBoxIsOpenKeepsTheFailureCounted() {
        ModalScript modal;
        Hosted h;
        cOutputFile* boilers = nullptr;
        for (const auto& module : h.probe.modules())
            if (module->name == "Boilers")
                boilers = module.get();
        QVERIFY(boilers);
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.editor.markDirty();
        WriteBlocker blocker(h.work.filePath(descPath("north_Pumps")));
        if (!blocker.blocked())
            QSKIP("this file system cannot refuse a write here");
        modal.answer([&](QDialog&) {     // another module is saved, and saved well
            h.probe.templates().clear(); // (the templates shown are not Boilers')
            boilers->modified = true;
            h.editor.saveFile(boilers, false, false);
            return 0;
        });
        h.editor.apply();
        QCOMPARE(modal.seen.size(), 1);
        QVERIFY(!boilers->modified);
        QVERIFY(h.probe.currentModule()->modified);
    }

    void renamingAModuleRenamesItsDeviceTypes_data() {
        QTest::addColumn<bool>("queued");
        QTest::newRow("replies at once") << false;
        QTest::newRow("replies later") << true;
    }
    void renamingAModuleRenamesItsDeviceTypes() {
        QFETCH(bool, queued);
        ModalScript modal;
        Hosted h(queued);
        const QByteArray types = h.stored(devTypes);
        const QByteArray instanceList = h.stored(instances);
        const QByteArray pump = h.stored(descPath("north_Pumps_pump"));
        QTreeWidgetItem* row = h.probe.fileList()->currentItem();
        row->setText(0, "Pumpen");
        h.editor.renameModule(row, 0, "Pumpen");
        h.settle(); // the locks of the new names
        h.editor.apply();
        h.settle();
        QCOMPARE(modal.seen.size(), 0);

        QByteArray renamedTypes = types;
        renamedTypes.replace("\"north_Pumps", "\"north_Pumpen");
        QCOMPARE(h.stored(devTypes), renamedTypes);
        QCOMPARE(h.stored(instances),
                 QByteArray(instanceList).replace("\"north_Pumps", "\"north_Pumpen"));
        QCOMPARE(h.stored(descPath("north_Pumpen_pump")),
                 QByteArray(pump).replace("\"north_Pumps_pump\"", "\"north_Pumpen_pump\""));
        QVERIFY(h.stored(descPath("north_Pumpen")).contains("name=\"PS_MAINS_FAIL\" slot=\"100\""));
        // The old working copies are gone and their locks given back, so that Apply
        // uploads nothing missing; the store keeps the old files (no command deletes).
        for (const QString& old : {descPath("north_Pumps"), descPath("north_Pumps_pump")}) {
            QVERIFY(!QFile::exists(h.work.filePath(old)));
            QCOMPARE(h.host.lockHolder(old), QString());
        }
        QVERIFY(!h.editor.isDirty());
    }
};

QTEST_MAIN(tst_templates)
#include "tst_templates.moc"
