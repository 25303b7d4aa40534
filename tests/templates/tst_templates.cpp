// Templates and the device files through the editor: their load and save, the module's own
// description, the shared files, the rename of device types, and what an Apply brings the store.
#include "common/template_fixture.h"

#include <QtWidgets>

using Change = std::function<void(Hosted&)>; // a test table's change through the editor
Q_DECLARE_METATYPE(Change)

class tst_templates : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    // A change, applied: the store holds what the golden file shows (files added, changed or
    // removed, the locks held), the editor is clean; a second Apply asks and changes nothing.
    void applyBringsTheChangeToTheStore_data() {
        QTest::addColumn<QString>("prepare"); // the store before the editor sees it
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("dialogs"); // seen in all
        QTest::addColumn<QString>("golden");
        const Change okWithoutEdits = [](Hosted& h) { h.manage(); };
        QTest::newRow("slot edited") << "" << Change([](Hosted& h) {
            setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
            h.editor.markDirty();
        }) << 0 << "apply_slot_edited.txt";
        // OK saves the module, so that Cancel, which reads the files again, keeps what it made: a
        // slot of "pump" edited, and a template "ps" on the power supply processes PS_*, its six
        // parameters numbered 1..6 in name order, base slot 200, offset 5, instance "PS_".
        QTest::newRow("template made, then cancelled") << "" << Change([](Hosted& h) {
            h.manage("ps", true, [](manage_temp& manager) {
                setParameterSlot(manager, "_AUTO", "9");
                manager.buttonNew->click();
                manager.editPrefix->setText("PS_");
                manager.listSlots->selectAll();
                manager.buttonAutoNumberSlots->click();
                manager.spinBase->setValue(200);
                manager.spinOffset->setValue(5);
                manager.tabWidget->setCurrentIndex(1);
                manager.buttonSelectAll->click();
            });
            h.manage({}, false);
        }) << 3 << "apply_template_made.txt";
        // Its description leaves the store and its lock is given back.
        QTest::newRow("template deleted") << "" << Change([](Hosted& h) {
            h.manage({}, true, [](manage_temp& manager) {
                manager.listSlots->selectAll();
                manager.buttonClearSlots->click();
            });
        }) << 1 << "apply_template_deleted.txt";
        QTest::newRow("OK without edits, the prefix lists no parameter")
            << "module_blr_prefix.cfg" << okWithoutEdits << 1 << "apply_nothing.txt";
        // The store's instances follow the module file's order, which is kept.
        QTest::newRow("OK without edits, instances out of file order")
            << "module_p2_first.cfg" << okWithoutEdits << 1 << "apply_p2_first.txt";
        QTest::newRow("OK without edits, a description missing")
            << descPath("north_Pumps_pump") << okWithoutEdits << 2
            << "apply_description_missing.txt";
        // Made where there were none (failed downloads told), the driver's number being retyped.
        QTest::newRow("shared files missing")
            << devTypes + ' ' + instances << Change([=](Hosted& h) {
                   h.probe.processEditor()->infodriverNumber->findChild<QLineEdit*>()->setText("");
                   okWithoutEdits(h);
               })
            << 3 << "apply_shared_created.txt";
        QTest::newRow("module renamed")
            << "" << Change([](Hosted& h) { h.renameTo("Pumpen"); }) << 0 << "apply_renamed.txt";
        QTest::newRow("module renamed, replies later") << "" << Change([](Hosted& h) {
            h.host.setReplyMode(StoreHost::ReplyMode::Queued);
            h.renameTo("Pumpen");
            h.settle(); // the locks of the new names
        }) << 0 << "apply_renamed.txt";
        // An Apply before the lock of the new description arrives keeps the module modified;
        // the next one completes.
        QTest::newRow("Apply before the renamed description is locked")
            << "" << Change([](Hosted& h) {
                   h.host.setReplyMode(StoreHost::ReplyMode::Queued);
                   h.renameTo("Pumpen");
                   h.editor.apply();
                   h.settle();
                   QVERIFY(h.modal.seen.value(0).text.endsWith("lock on file - " +
                                                               descPath("north_Pumpen")));
                   QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty());
               })
            << 1 << "apply_renamed.txt";
    }
    void applyBringsTheChangeToTheStore() {
        QFETCH(QString, prepare);
        QFETCH(Change, change);
        QFETCH(int, dialogs);
        QFETCH(QString, golden);
        Hosted h(prepare);
        change(h);
        for (int round = 0; round < 2; ++round) { // the second Apply changes nothing
            h.editor.apply();
            h.settle();
            QVERIFY(matchesGolden(h.changes(), golden));
            QCOMPARE(h.modal.seen.size(), dialogs);
            QVERIFY(!h.editor.isDirty());
        }
    }

    // Templates loaded from the module file's lines: each asks for the lock of its description
    // and claims its rows (a process claimed twice stays with the first); one that cannot be
    // loaded is named in a box and, while its description cannot be read, its lines are kept.
    void templatesLoadFromTheirLines_data() {
        QTest::addColumn<QString>("saved");          // their descriptions written first
        QTest::addColumn<QByteArray>("description"); // then written over that of "pump"
        QTest::addColumn<QString>("lines");          // [Templates] lines, "|", [Instances] lines
        QTest::addColumn<QString>("rows");           // P1_RUN, P1_X and P2_X
        QTest::addColumn<QString>("box");            // why one was not loaded
        QTest::addColumn<QString>("after");          // the lines saved, then the locks asked
        const auto row = [](const char* tag, const QString& saved, const QString& lines,
                            const QString& rows, const QString& box, const QString& after,
                            const QByteArray& description = {}) {
            QTest::newRow(tag) << saved << description << lines << rows << box << after;
        };
        for (const QString name : {"Pump", "a&b", "Pumpe_S\u00fcd"})
            row(qPrintable(name), name + " _X:2,_RUN:1 P1", name + "=0,1,''|" + name + "=P1,",
                name + "/P1/ " + name + "/P1/ // free", "",
                name + "=0,1,'' " + name + "=P1, lock " + descPath("north_Pumps_" + name));
        // P1 + _RUN and P1_ + RUN spell one process.
        row("claimed twice", "b RUN:1 P1_; a _RUN:1 P1", "b;a|a=P1,;b=P1_,",
            "b/P1_/ // free // free", "",
            "a=0,1,'' b=0,1,'' a=P1, b=P1_, lock " + descPath("north_Pumps_b") + " lock " +
                descPath("north_Pumps_a"));
        const QString none = "// free // free // free";
        const QString unfit = "'pump': its device description north_Pumps_pump.xml ";
        row("missing", "", "pump=0,1,'P'|pump=P1,", none,
            unfit + "cannot be read: No such file or directory", "pump=0,1,'P' pump=P1, ");
        row("malformed", "pump _X:1 P1", "pump=0,1,'P'|pump=P1,", none,
            unfit + "is not well-formed XML", "pump=0,1,'P' pump=P1, ", "<device_description");
        row("no instances", "pump _X:1 P1", "pump=0,1,'P'|other=P1,", none,
            "'pump': it has no line under [Instances]", "");
        // Read from config/x.xml, its description would be found.
        row("unsafe name", "", "/../../x|/../../x=P1,", none,
            "'/../../x': its name makes no file name", "");
    }
    void templatesLoadFromTheirLines() {
        QFETCH(QString, saved);
        QFETCH(QByteArray, description);
        QFETCH(QString, lines);
        QFETCH(QString, box);
        TemplateEditor f("P1_RUN P1_X P2_X");
        f.write("config/x.xml", "<device_description name=\"north_Pumps_/../../x\"/>");
        f.addTemplates(saved);
        f.saveTemplates(true);
        if (!description.isEmpty())
            f.write(descPath("north_Pumps_pump"), description);
        QMap<QString, QString> instanceLines;
        for (const QString& line : lines.section('|', 1).split(';'))
            instanceLines.insert(line.section('=', 0, 0), line.section('=', 1));
        ModalScript modal;
        CommandLog log(f.editor);
        f.editor.loadTemplates(lines.section('|', 0, 0).split(';'), instanceLines);
        QTEST(f.row("P1_RUN") + ' ' + f.row("P1_X") + ' ' + f.row("P2_X"), "rows");
        QCOMPARE(modal.seen.size(), box.isEmpty() ? 0 : 1);
        QCOMPARE(modal.seen.value(0).text.section("\n\t", 1).section('\n', 0, 0), box);
        QTEST(f.saveTemplates() + log.lines.join(' '), "after");
    }

    // A device description is written without its lock only for a duplicate being made; the
    // module's own refused is a box, and if the module is gone or another shown once it closes,
    // the save leaves the shared files. A template name that makes no file name writes none.
    void saveWithoutTheLocksOfTheDescriptions_data() {
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<int>("meanwhile"); // 1: the module dropped by a rescan, 2: another shown
        QTest::newRow("refused") << false << 0;
        QTest::newRow("refused, the module dropped meanwhile") << false << 1;
        QTest::newRow("refused, another module shown meanwhile") << false << 2;
        QTest::newRow("duplicate being made") << true << 0;
    }
    void saveWithoutTheLocksOfTheDescriptions() {
        QFETCH(bool, duplicate);
        QFETCH(int, meanwhile);
        TemplateEditor f;
        f.probe.lockedDevDescFiles().clear();
        f.addTemplates("pump _RUN:1 P1; a\\b _RUN:1 P2");
        const QByteArray old = "<devicetypes>\r\n</devicetypes>\r\n";
        f.write(devTypes, old);
        ModalScript modal;
        modal.answer([&](QDialog&) {
            if (meanwhile == 1)
                f.probe.modules().clear();
            if (meanwhile)
                f.probe.setCurrentModule(meanwhile == 1 ? nullptr : &f.module(1));
            return 0;
        });
        f.probe.currentModule()->modified = true;
        QVERIFY(f.editor.saveFile(f.probe.currentModule(), !duplicate, duplicate));
        QCOMPARE(modal.seen.size(), duplicate ? 0 : 1);
        QCOMPARE(f.read(devTypes) == old && !f.exists(instances), meanwhile > 0);
        QCOMPARE(QDir(f.root.filePath("config/devicetypes")).entryList(QDir::Files).join(' '),
                 duplicate ? "north_Pumps.xml north_Pumps_pump.xml" : "");
    }

    // A name giving a module or template the device type id of another is refused where it is
    // typed, as unfit names are; a duplicate's name passes such names over.
    void namesGivingAnotherTypeIdAreRefused() {
        Hosted h; // north: Pumps (template pump), Boilers (template boiler)
        QTreeWidgetItem* boilers = h.probe.fileList()->findItems("Boilers", Qt::MatchExactly)[0];
        h.editor.renameModule(boilers, 0, "Pumps_spare"); // free: Pumps has no template spare
        h.manage("spare", false, [](manage_temp& manager) { manager.buttonNew->click(); });
        QCOMPARE(h.modal.seen.value(2).text, QString("The specified name 'spare' already exists."));
        h.editor.renameModule(boilers, 0, "Pumps_pump");
        QCOMPARE(boilers->text(0), QString("Pumps_spare"));
        QVERIFY(h.modal.seen.value(3).text.contains("'north_Pumps_pump' of the new name already"));
        h.editor.renameModule(boilers, 0, "Copy 1 of Pumps_pump");
        QString copy;
        h.editor.copyName(copy);
        QCOMPARE(copy, QString("Copy 2 of Pumps"));
    }

    // A rename of the device types needs the locks of both shared files, else nothing changes;
    // with both, the lock of the old description is given back, also when granted late.
    void renameOfTheDeviceTypes_data() {
        QTest::addColumn<QStringList>("locked");
        QTest::newRow("devicetypes only") << QStringList{devTypes};
        QTest::newRow("instances only") << QStringList{instances};
        QTest::newRow("both") << QStringList{devTypes, instances};
    }
    void renameOfTheDeviceTypes() {
        QFETCH(QStringList, locked);
        TemplateEditor f;
        f.addTemplates("t _RUN:1 P1");
        const QByteArray types = "<devicetypes><type id=\"north_Pumps\"/></devicetypes>\n";
        const QByteArray instanceList =
            "<instances><instance id=\"north_Pumps\" type=\"north_Pumps\"/></instances>\n";
        f.write(devTypes, types);
        f.write(instances, instanceList);
        f.write(descPath("north_Pumps"), "x");
        f.write(descPath("north_Pumps_t"), "x");
        for (const QString& path : locked)
            f.grant(path);
        CommandLog log(f.editor);
        f.editor.changeDevType("north_Pumps", "north_Pumpen");
        QCOMPARE(f.exists(descPath("north_Pumps")) + f.exists(descPath("north_Pumps_t")),
                 locked.size() == 1 ? 2 : 0);
        if (locked.size() == 1) {
            QCOMPARE(f.read(devTypes) + f.read(instances), types + instanceList);
            QCOMPARE(log.lines, QStringList());
            return;
        }
        QCOMPARE(log.take().join(' '), "unlock " + descPath("north_Pumps") + " lock " +
                                           descPath("north_Pumpen") + " lock " +
                                           descPath("north_Pumpen_t"));
        // The answer to a request sent before the rename (or the same answer twice).
        f.grant(descPath("north_Pumps"));
        QCOMPARE(log.take(), QStringList{"unlock " + descPath("north_Pumps")});
        QVERIFY(!f.probe.lockedDevDescFiles().contains(descPath("north_Pumps")));
        f.editor.lockDevDesc(descPath("north_Pumps")); // asked for again, it is held again
        f.grant(descPath("north_Pumps"));
        QVERIFY(f.probe.lockedDevDescFiles().contains(descPath("north_Pumps")));
    }

    // Each file a save writes, made to fail (or a shared file not well-formed): the working copy
    // and the store keep the old bytes, the user is told where a box is due (where the parser
    // stopped), the module stays modified; the next Apply that can write completes.
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
        const QString kept =
            QMap<QString, QString>{{"config", instances}, {"broken", devTypes}}.value(blocked,
                                                                                      blocked);
        Hosted h;
        if (blocked == "config")
            QVERIFY(QFile::remove(h.work.filePath(instances)));
        if (blocked == "broken")
            writeFile(h.work.filePath(devTypes), "<devicetypes>\n<type id=\"a\" id=\"b\"/>\n"
                                                 "</devicetypes>\n");
        const auto local = h.under(h.work, kept), stored = h.under(h.store, kept);
        setSlot(*h.probe.processEditor(), "PS_UPS_FAULT", "103");
        addTemplates(h.probe.templates(), "x  X1"); // a change to both shared files
        h.editor.lockDevDesc(descPath("north_Pumps_x"));
        h.editor.markDirty();
        cOutputFile* boilers = h.probe.modules()[1].get();
        if (blocked == descPath("north_Pumps")) // another module saved well while its box is open
            h.modal.answer([&](QDialog&) {
                h.probe.templates().clear(); // (the templates shown are not Boilers')
                boilers->modified = true;
                h.editor.saveFile(boilers, false, false);
                return 0;
            });
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
        QVERIFY(h.probe.currentModule()->modified && h.editor.isDirty() && !boilers->modified);
        if (blocked == "broken") {
            QVERIFY(h.modal.seen[0].text.endsWith(
                "\nconfig/devicetypes.xml, line 2, column 14: attribute 'id' given twice"));
            return;
        }
        h.editor.apply();
        h.settle();
        QVERIFY(!h.probe.currentModule()->modified && !h.editor.isDirty());
        QVERIFY(readAll(h.store.filePath(descPath("north_Pumps")))
                    .contains("\"PS_UPS_FAULT\" slot=\"103\""));
    }
};

QTEST_MAIN(tst_templates)
#include "tst_templates.moc"
