// Applying templates to the process list, and the editor's template manager
// flow, with the world changing while its dialogs are open.
#include "common/fixture.h"
#include "templates/manage_temp.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString outputs = "config/alarms/north/outputs";
using Params = QMap<QString, int>;

std::unique_ptr<devTemplate> makeTemplate(const QString& name, int baseSlot, int offset,
                                          const Params& params, const QStringList& instances) {
    auto entry = std::make_unique<devTemplate>();
    entry->name = name;
    entry->baseSlot = baseSlot;
    entry->offset = offset;
    entry->params = params;
    entry->instances = instances;
    return entry;
}

// "Dev Type/Instance/slot" of a row, with " free" for a selectable row.
QString row(alm_tolv_output& editor, const QString& name) {
    const dialog& list = *EditorProbe(editor).processEditor();
    if (list.rowOf(name) < 0)
        return "no row";
    const ProcessRow item = processNamed(list, name);
    return item.devType + '/' + item.instance + '/' + item.slot + (item.free ? " free" : "");
}

// Fills the editor's list: "name:slot" is a free row, "name:slot:Dev:Inst" a
// template row.
void setRows(alm_tolv_output& editor, const QString& table) {
    EditorProbe probe(editor);
    const QStringList rows = table.split(' ', Qt::SkipEmptyParts);
    QVector<ProcessDefinition> definitions;
    QHash<QString, QString> entries;
    probe.processNames().clear();
    for (const QString& entry : rows) {
        definitions.append({entry.section(':', 0, 0), "G"});
        probe.processNames().append(entry.section(':', 0, 0));
        entries.insert(entry.section(':', 0, 0), entry);
    }
    probe.processEditor()->setProcesses(definitions);
    probe.processEditor()->editRows([&](int, ProcessRow& item) {
        const QString entry = entries.value(item.name);
        item.slot = entry.section(':', 1, 1);
        item.devType = entry.section(':', 2, 2);
        item.instance = entry.section(':', 3, 3);
        item.free = item.devType.isEmpty();
    });
}

QString boxText(const QStringList& duplicates, const QStringList& missing) {
    QString text;
    if (!duplicates.isEmpty())
        text += "The following processes are defined in 2 or more instances:-\n\t" +
                duplicates.join("\n\t") + "\n\n";
    if (!missing.isEmpty())
        text += "The following processes do not exist:-\n\t" + missing.join("\n\t") + "\n\n";
    return text;
}

} // namespace

class tst_apply_templates : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    QTemporaryDir root;
    cOutputFile pumps{"Pumps", "tolv", outputs + "/al_out_0001.cfg"};
    cOutputFile fans{"Fans", "tolv", outputs + "/al_out_0002.cfg"};

    // An editor on system "north" showing the module "Pumps".
    std::unique_ptr<alm_tolv_output> makeEditor(const QString& rows) {
        auto editor = std::make_unique<alm_tolv_output>(root.path(), "tolv", "");
        EditorProbe probe(*editor);
        probe.selectSystem("north");
        probe.setCurrentModule(&pumps);
        probe.loadingModule() = false; // as after selecting the module
        QDir(root.path()).mkpath(outputs);
        QDir(root.path()).mkpath("config/devicetypes");
        probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_Pumps.xml");
        setRows(*editor, rows);
        return editor;
    }

private slots:
    void init() {
        QFile::remove(root.filePath(pumps.fileName));
        pumps.modified = false;
        fans.modified = false;
    }

    void workedExampleGivesEachInstanceItsDevice() {
        auto editor = makeEditor("XA: XB: YA: YB:7 Z:5 W:3:Old:W");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 0, 10, {{"A", 1}, {"B", 2}}, {"X", "Y"}));
        selectProcesses(*probe.processEditor(), {"XA", "Z"});
        CommandLog commands(*editor);
        ModalScript modal;
        editor->applyTemplates();
        QCOMPARE(row(*editor, "XA"), QString("T/X/1"));
        QCOMPARE(row(*editor, "XB"), QString("T/X/2"));
        QCOMPARE(row(*editor, "YA"), QString("T/Y/11"));
        QCOMPARE(row(*editor, "YB"), QString("T/Y/12"));
        QCOMPARE(row(*editor, "Z"), QString("//5 free")); // free rows keep their slots
        QCOMPARE(row(*editor, "W"), QString("// free"));  // released
        QCOMPARE(selectedProcesses(*probe.processEditor()), QString("Z"));
        QVERIFY(modal.seen.isEmpty());
        QVERIFY(QFile::exists(root.filePath(pumps.fileName))); // saved
        QCOMPARE(commands.lines, QStringList({"dirty"}));
    }

    void withoutTemplatesEveryRowIsFreedSilently() {
        auto editor = makeEditor("A:1:T:X B:2:T:X C:9");
        CommandLog commands(*editor);
        ModalScript modal;
        editor->applyTemplates();
        QCOMPARE(row(*editor, "A"), QString("// free"));
        QCOMPARE(row(*editor, "B"), QString("// free"));
        QCOMPARE(row(*editor, "C"), QString("//9 free"));
        QVERIFY(modal.seen.isEmpty());
        QVERIFY(QFile::exists(root.filePath(pumps.fileName))); // saved
        QCOMPARE(commands.lines, QStringList({"dirty"}));
    }

    void duplicatesAndMissingAreListedOnce() {
        auto editor = makeEditor("XAB: XB: XAAB:");
        EditorProbe probe(*editor);
        // X + AB and XA + B spell one process; the second template claims it again.
        probe.templates().insert(makeTemplate("S", 0, 10, {{"AB", 1}, {"B", 2}}, {"X", "XA"}));
        probe.templates().insert(makeTemplate("T", 100, 1, {{"AB", 1}, {"C", 2}}, {"X", "Q"}));
        probe.templates().insert(makeTemplate("U", 0, 1, {{"AB", 1}}, {"Q"})); // QAB again
        ModalScript modal;
        editor->applyTemplates();
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Applying template error"));
        QCOMPARE(modal.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(modal.seen[0].buttons, QStringList({"OK"}));
        QCOMPARE(modal.seen[0].text, boxText({"XAB"}, {"XC", "QAB", "QC"}));
        QCOMPARE(row(*editor, "XAB"), QString("S/X/1")); // the first claim keeps the row
        QCOMPARE(row(*editor, "XB"), QString("S/X/2"));
        QCOMPARE(row(*editor, "XAAB"), QString("S/XA/11"));
        QVERIFY(QFile::exists(root.filePath(pumps.fileName))); // saved
    }

    void templateSlotCollidingWithManualSlotIsReported() {
        auto editor = makeEditor("PA: PB: M:12");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 10, 1, {{"A", 1}, {"B", 2}}, {"P"}));
        ModalScript modal;
        editor->applyTemplates();
        QCOMPARE(row(*editor, "PB"), QString("T/P/12"));
        QCOMPARE(probe.processEditor()->statusLabel->text(),
                 QString("<h1>Warning</h1>\nThere are duplicates."));
        QVERIFY(!processNamed(*probe.processEditor(), "M").slotValid);
    }

    void slotBeyondIntIsWrittenAndReported() {
        auto editor = makeEditor("XA: YA: ZA:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", INT_MAX, INT_MAX, {{"A", 1}}, {"X", "Y"}));
        probe.templates().insert(makeTemplate("U", INT_MIN, 0, {{"A", -1}}, {"Z"}));
        ModalScript modal;
        editor->applyTemplates();
        QCOMPARE(row(*editor, "XA"), QString("T/X/2147483648"));
        QCOMPARE(row(*editor, "YA"), QString("T/Y/4294967295"));
        QCOMPARE(row(*editor, "ZA"), QString("U/Z/-2147483649"));
        QVERIFY(probe.processEditor()->statusLabel->text().contains("out of range"));
        QVERIFY(!processNamed(*probe.processEditor(), "XA").slotValid);
    }

    void moduleSwitchedWhileTheErrorIsShownIsNotMarked() {
        auto editor = makeEditor("XA:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 0, 1, {{"A", 1}, {"B", 2}}, {"X"}));
        ModalScript modal;
        modal.answer([&](QDialog& box) {
            probe.setCurrentModule(&fans); // a reply selects another module
            box.reject();
            return box.result();
        });
        CommandLog commands(*editor);
        editor->applyTemplates();
        QCOMPARE(modal.seen.size(), 1);
        QVERIFY(!fans.modified && !pumps.modified);
        QVERIFY(commands.lines.isEmpty());
        probe.setCurrentModule(nullptr);
    }

    void confirmedManagerReplacesLocksAndApplies() {
        auto editor = makeEditor("Pump1_Run: Pump1_Trip: Pump2_Run: Pump2_Trip: Pump3_Run:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("Old", 0, 1, {{"Run", 5}}, {"Pump3_"}));
        probe.templates().find("Old")->prefix = "Pump3_";
        ModalScript modal;
        modal.answer([](QDialog& dialog) {
            auto& manager = dynamic_cast<manage_temp&>(dialog);
            manager.buttonNew->click();
            manager.editPrefix->setText("Pump1_");
            manager.listSlots->selectAll();
            manager.buttonAutoNumberSlots->click();
            manager.spinOffset->setValue(10);
            manager.tabWidget->setCurrentIndex(1);
            manager.buttonSelectAll->click();
            manager.buttonOk->click();
            return manager.result();
        });
        modal.answer([](QDialog& dialog) { // the name of the new template
            dynamic_cast<QInputDialog&>(dialog).setTextValue("Pump");
            dialog.accept();
            return dialog.result();
        });
        CommandLog commands(*editor);
        editor->manageTemplate();
        QCOMPARE(modal.seen.size(), 2);
        QCOMPARE(probe.templates().count(), 2);
        QCOMPARE(probe.templates().find("Pump")->instances, QStringList({"Pump1_", "Pump2_"}));
        QCOMPARE(commands.lines,
                 QStringList({"lock config/devicetypes/north_Pumps_Old.xml",
                              "lock config/devicetypes/north_Pumps_Pump.xml", "dirty"}));
        QCOMPARE(row(*editor, "Pump2_Trip"), QString("Pump/Pump2_/12"));
        QCOMPARE(row(*editor, "Pump3_Run"), QString("Old/Pump3_/5"));
    }

    void cancelRereadsDeviceDescriptionsAndDropsTemplatesWithoutOne() {
        auto editor = makeEditor("PA:");
        EditorProbe probe(*editor);
        QVERIFY(QDir(root.path()).mkpath("config/devicetypes"));
        QFile stored(root.filePath("config/devicetypes/north_Pumps_Kept.xml"));
        QVERIFY(stored.open(QIODevice::WriteOnly));
        stored.write("<?xml version=\"1.0\"?>\n<device_description name=\"north_Pumps_Kept\">\n"
                     "\t<param name=\"A\" slot=\"3\" class=\"enum\"/>\n</device_description>");
        stored.close();
        // Confirmed earlier but never saved: a changed slot, and a template without a file.
        probe.templates().insert(makeTemplate("Kept", 0, 1, {{"A", 9}}, {"P"}));
        probe.templates().insert(makeTemplate("New", 0, 1, {{"A", 1}}, {"Q"}));
        ModalScript modal;
        modal.answer([](QDialog& dialog) {
            dialog.reject();
            return dialog.result();
        });
        editor->manageTemplate();
        QCOMPARE(probe.templates().count(), 1);
        QCOMPARE(probe.templates().find("Kept")->params, Params({{"A", 3}}));
    }

    void managerResultAppliedToTheListReloadedMeanwhile() {
        auto editor = makeEditor("XA: XB: YA: YB:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 0, 10, {{"A", 1}, {"B", 2}}, {"X", "Y"}));
        probe.templates().find("T")->prefix = "X"; // the manager offers A and B
        ModalScript modal;
        modal.answer([&](QDialog& dialog) {
            // The process definitions arrive again while the dialog is open: other
            // rows in another order, YB gone.
            setRows(*editor, "ZZ:4 YA: XB: XA:");
            probe.processEditor()->procList->sortByColumn(ColSlot, Qt::DescendingOrder);
            dialog.accept();
            return dialog.result();
        });
        editor->manageTemplate();
        QCOMPARE(modal.seen.size(), 2);
        QCOMPARE(modal.seen[1].text, boxText({}, {"YB"}));
        QCOMPARE(row(*editor, "XA"), QString("T/X/1"));
        QCOMPARE(row(*editor, "XB"), QString("T/X/2"));
        QCOMPARE(row(*editor, "YA"), QString("T/Y/11"));
        QCOMPARE(row(*editor, "ZZ"), QString("//4 free"));
    }

    void managerResultDroppedWhenTheModuleChanged() {
        auto editor = makeEditor("XA:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 0, 1, {{"A", 1}}, {"X"}));
        ModalScript modal;
        modal.answer([&](QDialog& dialog) {
            auto& manager = dynamic_cast<manage_temp&>(dialog);
            manager.spinBase->setValue(50);
            probe.setCurrentModule(&fans); // a reply selects another module
            probe.templates().clear();     // ... which has no templates
            manager.buttonOk->click();
            return manager.result();
        });
        CommandLog commands(*editor);
        editor->manageTemplate();
        QVERIFY(probe.templates().isEmpty());
        QVERIFY(commands.lines.isEmpty());
        QVERIFY(!fans.modified);
        probe.setCurrentModule(nullptr);
    }

    void lockRefusalThatSwitchesTheModuleStopsTheApply() {
        auto editor = makeEditor("XA:");
        EditorProbe probe(*editor);
        probe.templates().insert(makeTemplate("T", 0, 1, {{"A", 1}}, {"X"}));
        probe.templates().find("T")->prefix = "X";
        // A host that refuses the lock from within the request.
        connect(editor.get(), &alm_tolv_output::command, this,
                [&](const QString& word, const QString& file) {
                    if (word == "lock")
                        probe.reply(HostReply::Fail, "lock", file, "held by bob");
                });
        ModalScript modal;
        modal.answer([](QDialog& dialog) {
            dialog.accept();
            return dialog.result();
        });
        modal.answer([&](QDialog& box) { // while the refusal is shown, another module
            probe.setCurrentModule(&fans);
            dynamic_cast<QMessageBox&>(box).buttons().first()->click();
            return box.result();
        });
        editor->manageTemplate();
        QCOMPARE(modal.seen.size(), 2);
        QCOMPARE(modal.seen[1].caption, QString("Lock"));
        QCOMPARE(row(*editor, "XA"), QString("// free"));
        QVERIFY(!fans.modified);
        probe.setCurrentModule(nullptr);
    }

    void editorDeletedWhileTheManagerIsOpen() {
        auto editor = makeEditor("XA:");
        EditorProbe(*editor).templates().insert(makeTemplate("T", 0, 1, {{"A", 1}}, {"X"}));
        ModalScript modal;
        modal.answer([&](QDialog& dialog) {
            editor.reset(); // the host closes the editor
            dialog.accept();
            return dialog.result();
        });
        QMetaObject::invokeMethod(editor.get(), "manageTemplate");
        QVERIFY(!editor);
    }
};

QTEST_MAIN(tst_apply_templates)
#include "tst_apply_templates.moc"
