// Templates and the device files through the editor: loading and saving a
// module's templates, its own device description, the shared files, the rename
// of its device types, and what an Apply brings to the store.
#include "common/shared_file_view.h"
#include "common/template_fixture.h"

#include <QtWidgets>

namespace {

// In the manager: a slot of "pump" edited, and a template "ps" on the power
// supply processes PS_*: its six parameters numbered 1..6 in name order, base
// slot 200, offset 5, instance "PS_".
void templateMade(Hosted& h) {
    h.manage(
        [](manage_temp& manager) {
            setParameterSlot(manager, "_AUTO", "9");
            manager.buttonNew->click();
            manager.editPrefix->setText("PS_");
            manager.listSlots->selectAll();
            manager.buttonAutoNumberSlots->click();
            manager.spinBase->setValue(200);
            manager.spinOffset->setValue(5);
            manager.tabWidget->setCurrentIndex(1);
            manager.buttonSelectAll->click();
        },
        true, "ps");
    QCOMPARE(h.row("PS_MAINS_FAIL").devType, QString("ps"));
}

} // namespace

class tst_templates : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    // A change, applied: the store holds what the golden file shows (each file
    // added, changed or removed, and the locks held), the editor is clean, and a
    // second Apply asks nothing and changes nothing.
    void applyBringsTheChangeToTheStore_data() {
        QTest::addColumn<Prepare>("prepare"); // the store before the editor sees it
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("dialogs"); // seen in all
        QTest::addColumn<QString>("golden");
        const Change okWithoutEdits = [](Hosted& h) { h.manage([](manage_temp&) {}); };
        QTest::newRow("slot edited") << Prepare() << Change([](Hosted& h) {
            setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
            h.editor.markDirty();
        }) << 0 << "apply_slot_edited.txt";
        QTest::newRow("template made")
            << Prepare() << Change(templateMade) << 2 << "apply_template_made.txt";
        // OK saves the module, so that Cancel, which reads the files again, keeps it.
        QTest::newRow("template made, then cancelled") << Prepare() << Change([](Hosted& h) {
            templateMade(h);
            h.manage([](manage_temp&) {}, false);
        }) << 3 << "apply_template_made.txt";
        // Its description leaves the store and its lock is given back.
        QTest::newRow("template deleted") << Prepare() << Change([](Hosted& h) {
            h.manage([](manage_temp& manager) {
                manager.listSlots->selectAll();
                manager.buttonClearSlots->click();
            });
        }) << 1 << "apply_template_deleted.txt";
        QTest::newRow("OK without edits")
            << Prepare() << okWithoutEdits << 1 << "apply_nothing.txt";
        QTest::newRow("OK without edits, prefix lists no parameter")
            << moduleFileFrom("module_blr_prefix.cfg") << okWithoutEdits << 1
            << "apply_nothing.txt";
        // The store's instances follow the module file's order, which is kept.
        QTest::newRow("OK without edits, instances out of file order")
            << moduleFileFrom("module_p2_first.cfg") << okWithoutEdits << 1 << "apply_p2_first.txt";
        QTest::newRow("OK without edits, a description missing")
            << Prepare([](const QString& store) {
                   QFile::remove(store + '/' + descPath("north_Pumps_pump"));
               })
            << okWithoutEdits << 2 << "apply_description_missing.txt";
        QTest::newRow("module renamed")
            << Prepare() << Change([](Hosted& h) { h.renameTo("Pumpen"); }) << 0
            << "apply_renamed.txt";
        QTest::newRow("module renamed, replies later") << Prepare() << Change([](Hosted& h) {
            h.queued();
            h.renameTo("Pumpen");
            h.settle(); // the locks of the new names
        }) << 0 << "apply_renamed.txt";
        // An Apply before the lock of the new description arrives keeps the module
        // modified; the next one completes.
        QTest::newRow("Apply before the renamed description is locked")
            << Prepare() << Change([](Hosted& h) {
                   h.queued();
                   h.renameTo("Pumpen");
                   h.editor.apply();
                   h.settle();
                   QCOMPARE(h.modal.seen.value(0).text,
                            "We have not got the lock on file - " + descPath("north_Pumpen"));
                   QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty());
               })
            << 1 << "apply_renamed.txt";
    }
    void applyBringsTheChangeToTheStore() {
        QFETCH(Prepare, prepare);
        QFETCH(Change, change);
        QFETCH(int, dialogs);
        QFETCH(QString, golden);
        Hosted h(prepare);
        change(h);
        h.editor.apply();
        h.settle();
        QVERIFY(matchesGolden(h.changes(), golden));
        QCOMPARE(h.modal.seen.size(), dialogs);
        QVERIFY(!h.editor.isDirty());
        const QByteArray applied = h.changes();
        h.editor.apply();
        h.settle();
        QCOMPARE(h.changes(), applied);
        QCOMPARE(h.modal.seen.size(), dialogs);
        QVERIFY(!h.editor.isDirty());
    }

    void templateSurvivesSaveAndLoad_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Pump";
        QTest::newRow("ampersand") << "a&b";
        QTest::newRow("angle brackets") << "a<b>c";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("umlaut") << "Pumpe_S\u00fcd";
    }
    void templateSurvivesSaveAndLoad() {
        QFETCH(QString, name);
        const QString param = "_" + name;
        TemplateEditor f("P1" + param + " P2" + param + " P1_RUN");
        f.probe.templates().insert(makeTemplate(name, {{param, 2}, {"_RUN", 1}}, {"P1"}));
        f.grant(descPath("north_Pumps_" + name));
        const auto [templateLines, instanceLines] = f.saveTemplates();
        QCOMPARE(templateLines + instanceLines, name + "=0,1,''\n" + name + "=P1,\n");
        f.probe.templates().clear();
        f.editor.loadTemplates({templateLines.trimmed()}, {{name, "P1,"}});
        const devTemplate* back = f.probe.templates().find(name);
        QVERIFY(back && back->instances == QStringList{"P1"});
        QCOMPARE(back->params, (Params{{param, 2}, {"_RUN", 1}}));
        QCOMPARE(f.row("P1" + param) + ' ' + f.row("P2" + param),
                 name + "/P1/ // free"); // slots come from the file
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
        TemplateEditor f;
        if (!description.isEmpty())
            f.write(descPath("north_Pumps_pump"), description);
        ModalScript modal;
        f.editor.loadTemplates({"pump=0,1,'P'"}, {{instances, "P1,"}});
        QVERIFY(f.probe.templates().isEmpty() && f.row("P1_RUN") == "// free");
        QCOMPARE(modal.seen.size(), 1);
        QFETCH(QString, why);
        QVERIFY2(modal.seen[0].text.contains("\n\t" + why + "\n\n"),
                 qPrintable(modal.seen[0].text));
        const auto [templateLines, instanceLines] = f.saveTemplates();
        QTEST(QString(templateLines + ' ' + instanceLines).replace('\n', ""), "kept");
    }

    void firstTemplateKeepsAProcessClaimedTwice() {
        TemplateEditor f;
        // "P1" + "_RUN" and "P1_" + "RUN" spell the same process.
        f.probe.templates().insert(makeTemplate("b", {{"RUN", 1}}, {"P1_"}));
        f.probe.templates().insert(makeTemplate("a", {{"_RUN", 1}}, {"P1"}));
        f.saveTemplates(true);
        f.probe.templates().clear();
        CommandLog log(f.editor);
        f.editor.loadTemplates({"b", "a"}, {{"a", "P1,"}, {"b", "P1_,"}});
        QCOMPARE(f.probe.templates().count(), 2);
        QCOMPARE(f.row("P1_RUN"), QString("b/P1_/"));
        QCOMPARE(log.lines, (QStringList{"lock " + descPath("north_Pumps_b"),
                                         "lock " + descPath("north_Pumps_a")}));
    }

    // A device description is written only with its lock, unless the module is
    // a duplicate being made; the own one refused is a box.
    void deviceDescriptionNeedsItsLockUnlessDuplicating_data() {
        QTest::addColumn<QString>("typeId");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<bool>("written");
        for (const QString typeId : {"north_Pumps_pump", "north_Pumps"}) {
            QTest::addRow("%s locked", qPrintable(typeId)) << typeId << true << false << true;
            QTest::addRow("%s not locked", qPrintable(typeId)) << typeId << false << false << false;
            QTest::addRow("%s duplicate", qPrintable(typeId)) << typeId << false << true << true;
        }
    }
    void deviceDescriptionNeedsItsLockUnlessDuplicating() {
        QFETCH(QString, typeId);
        QFETCH(bool, locked);
        QFETCH(bool, duplicate);
        TemplateEditor f;
        f.probe.lockedDevDescFiles().clear();
        f.probe.templates().insert(makeTemplate("pump", {{"_RUN", 1}}, {"P1"}));
        if (locked)
            f.grant(descPath(typeId));
        ModalScript modal;
        if (typeId == "north_Pumps")
            f.editor.writeDevDescFile(f.probe.currentModule(), !duplicate);
        else
            f.saveTemplates(duplicate);
        QTEST(f.exists(descPath(typeId)), "written");
        QCOMPARE(modal.seen.size(), typeId == "north_Pumps" && !locked && !duplicate ? 1 : 0);
    }

    void unsafeTemplateNamesTouchNoFile() {
        TemplateEditor f;
        ModalScript modal;
        f.write("config/x.xml", "<device_description name=\"north_Pumps_/../../x\"/>");
        CommandLog log(f.editor);
        f.editor.loadTemplates({"/../../x"}, {{"/../../x", "P1,"}});
        QVERIFY(f.probe.templates().isEmpty());
        QCOMPARE(log.lines, QStringList());
        f.probe.templates().insert(makeTemplate("a\\b", {{"_RUN", 1}}, {"P1"}));
        f.saveTemplates(true);
        QCOMPARE(QDir(f.local("config/devicetypes")).entryList(QDir::Files), QStringList());
    }

    // Only free rows with a valid slot; the layout is in the golden files above.
    void moduleFileListsFreeRowsWithValidSlots() {
        TemplateEditor f("A:007 B:0 C:5000 D:x E F:3:T:F");
        f.editor.writeDevDescFile(f.probe.currentModule(), true);
        const QByteArray written = f.read(descPath("north_Pumps"));
        QCOMPARE(written.count("<param "), 1);
        QVERIFY(written.contains("<param name=\"A\" slot=\"007\" "));
    }

    void sharedFilesCreatedWhenMissing() {
        TemplateEditor f;
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
        Hosted h; // north: Pumps (template pump), Boilers (template boiler)
        QTreeWidgetItem* boilers = h.probe.fileList()->findItems("Boilers", Qt::MatchExactly)[0];
        h.editor.renameModule(boilers, 0, "Pumps_spare"); // free: Pumps has no template spare
        h.manage([](manage_temp& manager) { manager.buttonNew->click(); }, false, "spare");
        QCOMPARE(h.modal.seen.value(2).text, QString("The specified name 'spare' already exists."));
        h.editor.renameModule(boilers, 0, "Pumps_pump");
        QCOMPARE(boilers->text(0), QString("Pumps_spare"));
        QCOMPARE(h.modal.seen.value(3).text,
                 QString("The device type 'north_Pumps_pump' of the new "
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
        TemplateEditor f;
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
        QCOMPARE(f.read(devTypes) + f.read(instances), types + instanceList);
        QVERIFY(f.exists(descPath("north_X_t")));
        QCOMPARE(log.lines, QStringList());
    }

    void lateGrantOfALockGivenBackAtRenameIsGivenBack() {
        TemplateEditor f;
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
        TemplateEditor f;
        f.probe.lockedDevDescFiles().clear();
        const QByteArray old = "<devicetypes>\r\n</devicetypes>\r\n";
        f.write(devTypes, old);
        ModalScript modal;
        modal.answer([&](QDialog&) {
            if (dropped)
                f.probe.modules().clear();
            f.probe.setCurrentModule(dropped ? nullptr : &f.module(1));
            return 0;
        });
        f.probe.currentModule()->modified = true;
        QVERIFY(f.editor.saveFile(f.probe.currentModule(), true, false));
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(f.read(devTypes), old);
        QVERIFY(!f.exists(instances));
    }

    // Each file a save writes, made to fail: the working copy and the store keep
    // the old bytes, the user is told where a box is due,
    // the module stays modified and the editor dirty; once the file can be
    // written, the next Apply writes it and the editor is clean. A shared file
    // that is not well-formed is left alone and the user told where the parser
    // stopped.
    void failedDeviceFileWriteKeepsTheModuleModified_data() {
        QTest::addColumn<QString>("blocked");   // "": a full disk; "broken": not well-formed
        QTest::addColumn<QStringList>("boxes"); // the start of each box text
        const QString descBox = "alm_tolv_output::writeDevDescFile - Failed to open file - ";
        QTest::newRow("own device description") << descPath("north_Pumps") << QStringList{descBox};
        QTest::newRow("template device description")
            << descPath("north_Pumps_pump") << QStringList();
        QTest::newRow("devicetypes") << devTypes << QStringList();
        QTest::newRow("instances") << instances << QStringList();
        QTest::newRow("instances to be created") << "config" << QStringList();
        // Every write fails only once its bytes go out, after the file was made.
        QTest::newRow("full disk") << "" << QStringList{descBox, "Failed to open file - "};
        QTest::newRow("devicetypes not well-formed")
            << "broken" << QStringList{"The module's entries were not written to these files"};
    }
    void failedDeviceFileWriteKeepsTheModuleModified() {
        QFETCH(QString, blocked);
        QFETCH(QStringList, boxes);
        // The files under this path keep their bytes.
        const QString kept = blocked == "config"   ? instances
                             : blocked == "broken" ? devTypes
                                                   : blocked;
        Hosted h;
        if (blocked == "config")
            QVERIFY(QFile::remove(h.work.filePath(instances)));
        if (blocked == "broken")
            writeFile(h.work.filePath(devTypes), "<devicetypes>\n<type id=\"a\" id=\"b\"/>\n"
                                                 "</devicetypes>\n");
        const auto local = h.under(h.work, kept), stored = h.under(h.store, kept);
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.probe.templates().insert(makeTemplate("x", {}, {"X1"})); // a change to both shared files
        h.editor.lockDevDesc(descPath("north_Pumps_x"));
        h.editor.markDirty();
        {
            std::optional<WriteBlocker> blocker;
            if (blocked != "broken")
                blocker.emplace(blocked.isEmpty() ? QString() : h.work.filePath(blocked));
            if (blocker && !blocker->blocked())
                QSKIP("this file system cannot refuse a write here");
            h.editor.apply();
            h.settle();
        }
        QCOMPARE(h.under(h.work, kept), local);
        QCOMPARE(h.under(h.store, kept), stored);
        QStringList seen;
        for (const auto& box : h.modal.seen)
            seen.append(box.text.left(boxes.value(seen.size()).size()));
        QCOMPARE(seen, boxes);
        QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty());
        if (blocked == "broken") {
            QVERIFY(h.modal.seen[0].text.endsWith(
                "\nconfig/devicetypes.xml, line 2, column 14: attribute 'id' given twice"));
            return;
        }
        h.editor.apply();
        h.settle();
        QVERIFY(!h.probe.currentModule()->modified && !h.editor.isDirty());
        QVERIFY(h.stored(descPath("north_Pumps")).contains("\"PS_UPS_FAULT\" slot=\"103\""));
    }

    void saveMadeWhileTheFailureBoxIsOpenKeepsTheFailureCounted() {
        Hosted h;
        cOutputFile* boilers = h.probe.modules()[1].get();
        QCOMPARE(boilers->name, QString("Boilers"));
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        h.editor.markDirty();
        WriteBlocker blocker(h.work.filePath(descPath("north_Pumps")));
        if (!blocker.blocked())
            QSKIP("this file system cannot refuse a write here");
        h.modal.answer([&](QDialog&) {   // another module is saved, and saved well
            h.probe.templates().clear(); // (the templates shown are not Boilers')
            boilers->modified = true;
            h.editor.saveFile(boilers, false, false);
            return 0;
        });
        h.editor.apply();
        QCOMPARE(h.modal.seen.size(), 1);
        QVERIFY(!boilers->modified && h.probe.currentModule()->modified);
    }
};

QTEST_MAIN(tst_templates)
#include "tst_templates.moc"
