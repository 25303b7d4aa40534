// Applying templates to the process list, and the editor's template manager
// flow, with the world changing while its dialogs are open.
#include "common/template_fixture.h"

#include <QtWidgets>

namespace {

const QString duplicated = "The following processes are defined in 2 or more instances:-\n\t";
const QString missing = "The following processes do not exist:-\n\t";

} // namespace

class tst_apply_templates : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    // Each instance gets its device from the base slot and offset; free rows keep
    // their slots, rows of templates no longer there are released; the module is
    // saved and the user told once of processes claimed twice or missing.
    void applyGivesEachInstanceItsDevice_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("templates");
        QTest::addColumn<QString>("after");  // the rows in table order
        QTest::addColumn<QString>("box");    // "" for none
        QTest::addColumn<QString>("status"); // contained in the list's status text
        QTest::newRow("worked example") << "XA: XB: YA: YB:7 Z:5 W:3:Old:W"
                                        << "T=0,10,'' A:1,B:2 X,Y"
                                        << "T/X/1 T/X/2 T/Y/11 T/Y/12 //5 free // free"
                                        << ""
                                        << "";
        QTest::newRow("without templates") << "A:1:T:X B:2:T:X C:9"
                                           << ""
                                           << "// free // free //9 free"
                                           << ""
                                           << "";
        // X + AB and XA + B spell one process: the first claim keeps the row.
        QTest::newRow("duplicates and missing")
            << "XAB: XB: XAAB:"
            << "S=0,10,'' AB:1,B:2 X,XA; T=100,1,'' AB:1,C:2 X,Q; U=0,1,'' AB:1 Q"
            << "S/X/1 S/X/2 S/XA/11" << duplicated + "XAB\n\n" + missing + "XC\n\tQAB\n\tQC\n\n"
            << "";
        QTest::newRow("slot of a manual row") << "PA: PB: M:12"
                                              << "T=10,1,'' A:1,B:2 P"
                                              << "T/P/11 T/P/12 //12 free"
                                              << ""
                                              << "<h1>Warning</h1>\nThere are duplicates.";
        QTest::newRow("slot beyond int")
            << "XA: YA: ZA:"
            << "T=2147483647,2147483647,'' A:1 X,Y; U=-2147483648,0,'' A:-1 Z"
            << "T/X/2147483648 T/Y/4294967295 U/Z/-2147483649"
            << ""
            << "out of range";
    }
    void applyGivesEachInstanceItsDevice() {
        QFETCH(QString, rows);
        QFETCH(QString, templates);
        QFETCH(QString, status);
        TemplateEditor f(rows);
        f.addTemplates(templates);
        selectProcesses(*f.probe.processEditor(), {"XA", "Z"});
        CommandLog commands(f.editor);
        ModalScript modal;
        f.editor.applyTemplates();
        QStringList shown;
        for (const QString& row : rows.split(' '))
            shown.append(f.row(row.section(':', 0, 0)));
        QTEST(shown.join(' '), "after");
        QStringList boxes;
        for (const SeenDialog& box : modal.seen)
            boxes.append(box.caption + ": " + box.text + box.buttons.join(','));
        QFETCH(QString, box);
        QCOMPARE(boxes.join(""), box.isEmpty() ? box : "Applying template error: " + box + "OK");
        QVERIFY(f.probe.processEditor()->statusLabel->text().contains(status));
        QVERIFY(f.exists(f.module().fileName)); // saved, but no description whose lock is not held
        QVERIFY(!f.exists(descPath("north_Pumps_T")));
        QCOMPARE(commands.lines, QStringList({"dirty"}));
        if (rows.contains("Z:5")) // the selection keeps only the free rows
            QCOMPARE(selectedProcesses(*f.probe.processEditor()), QString("Z"));
    }

    // Confirmed earlier but never saved: a changed slot, and a template without a file.
    void cancelRereadsDeviceDescriptionsAndDropsTemplatesWithoutOne() {
        TemplateEditor f("PA:");
        f.addTemplates("Kept A:3 P");
        f.saveTemplates(true);
        f.addTemplates("Kept A:9 P; New A:1 Q");
        ModalScript modal;
        modal.answer(managerAnswer([](manage_temp&) {}, false));
        f.editor.manageTemplate();
        QCOMPARE(f.probe.templates().count(), 1);
        QCOMPARE(f.probe.templates().find("Kept")->params, Params({{"A", 3}}));
    }

    // The result goes to the rows as they are now, and each template's lock is asked for.
    void managerResultAppliedToTheListReloadedMeanwhile() {
        TemplateEditor f("XA: XB: YA: YB:");
        f.addTemplates("T=0,10,'X' A:1,B:2 X,Y"); // the manager offers A and B
        ModalScript modal;
        modal.answer([&](QDialog& dialog) {
            // The process definitions arrive again while the dialog is open: other rows in
            // another order, YB gone.
            f.setRows("ZZ:4 YA: XB: XA:");
            f.probe.processEditor()->procList->sortByColumn(ColSlot, Qt::DescendingOrder);
            dialog.accept();
            return dialog.result();
        });
        CommandLog commands(f.editor);
        f.editor.manageTemplate();
        QCOMPARE(modal.seen.size(), 2);
        QCOMPARE(modal.seen[1].text, missing + "YB\n\n");
        QCOMPARE(f.row("XA") + ' ' + f.row("XB") + ' ' + f.row("YA") + ' ' + f.row("ZZ"),
                 QString("T/X/1 T/X/2 T/Y/11 //4 free"));
        QCOMPARE(commands.lines, QStringList({"lock " + descPath("north_Pumps_T"), "dirty"}));
    }

    // A reply shows another module while a dialog is open: neither module is changed.
    void moduleSwitchedDuringADialogIsLeftAlone_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QStringList>("captions"); // of the dialogs seen
        QTest::newRow("the error box of applying")
            << "error" << QStringList{"Applying template error"};
        QTest::newRow("the manager") << "manager" << QStringList{"Manage Templates"};
        // The host refuses the lock from within the request.
        QTest::newRow("the box of a refused lock")
            << "refusal" << QStringList{"Manage Templates", "Lock"};
    }
    void moduleSwitchedDuringADialogIsLeftAlone() {
        QFETCH(QString, during);
        TemplateEditor f("XA:");
        f.addTemplates(during == "error" ? "T A:1,B:2 X" : "T=0,1,'X' A:1 X");
        ModalScript modal;
        if (during != "error")
            modal.answer(managerAnswer([&](manage_temp& manager) {
                if (during != "manager")
                    return;
                manager.spinBase->setValue(50);
                f.probe.setCurrentModule(&f.module(1));
                f.probe.templates().clear(); // ... which has no templates
            }));
        modal.answer([&](QDialog& box) {
            f.probe.setCurrentModule(&f.module(1));
            dynamic_cast<QMessageBox&>(box).buttons().first()->click();
            return box.result();
        });
        if (during == "refusal")
            connect(&f.editor, &alm_tolv_output::command, this,
                    [&](const QString& word, const QString& file) {
                        if (word == "lock")
                            f.probe.reply(HostReply::Fail, "lock", file, "held by bob");
                    });
        CommandLog commands(f.editor);
        during == "error" ? f.editor.applyTemplates() : f.editor.manageTemplate();
        QStringList captions;
        for (const SeenDialog& seen : modal.seen)
            captions.append(seen.caption);
        QTEST(captions, "captions");
        QCOMPARE(f.row("XA") == "// free", during != "error"); // applied before its error box
        QVERIFY(!f.module(0).modified && !f.module(1).modified);
        QCOMPARE(commands.lines.isEmpty(), during != "refusal");
    }

    void editorDeletedWhileTheManagerIsOpen() {
        auto f = std::make_unique<TemplateEditor>("XA:");
        f->addTemplates("T A:1 X");
        ModalScript modal;
        modal.answer([&](QDialog& dialog) {
            f.reset(); // the host closes the editor
            dialog.accept();
            return dialog.result();
        });
        QMetaObject::invokeMethod(&f->editor, "manageTemplate");
        QVERIFY(!f);
    }
};

QTEST_MAIN(tst_apply_templates)
#include "tst_apply_templates.moc"
