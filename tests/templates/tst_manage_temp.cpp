// The template manager through its widgets; its own boxes are answered through the modal seam.
#include "common/template_fixture.h"
#include "proclist/control_geometry.h"

#include <QtWidgets>

namespace {

const QStringList pumps{"Pump1_Run", "Pump1_Trip", "Pump2_Run", "Pump2_Trip", "Pump3_Run"};
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";

std::unique_ptr<manage_temp> openManager(const QStringList& processes,
                                         const QString& templates = {}) {
    TemplateList list;
    addTemplates(list, templates);
    return std::make_unique<manage_temp>(processes, list, nullptr);
}

// "parameter:slot" of each row of the slot list, in display order (unless only the instances),
// then the instance table, a "*" after each checked instance.
QStringList shown(const manage_temp& manager, bool parameters = true) {
    QStringList rows;
    for (const auto& row : manager.parameterTable()->rows())
        if (parameters)
            rows.append(row.parameter + ':' + row.slot);
    for (const auto& row : manager.instanceTable()->rows())
        rows.append(row.instance + (row.checked ? "*" : ""));
    return rows;
}

void select(QAbstractItemView* view, const QList<int>& rows) {
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// OK clicked: the templates the editor takes.
TemplateList confirmed(manage_temp& manager) {
    TemplateList result;
    manager.buttonOk->click();
    if (manager.result() != QDialog::Accepted)
        return result;
    manager.saveCurrentTemplate();
    manager.getTemplates(&result);
    return result;
}

} // namespace

class tst_manage_temp : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    // Without a template nothing is shown and the buttons only tell what is missing; a new one
    // shows every process (its prefix is empty), and its instances are those with every parameter.
    void instancesHaveEveryParameter() {
        ModalScript script;
        auto manager = openManager(pumps);
        manager->editPrefix->setText("Pump");
        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(shown(*manager), QStringList());
        manager->tabWidget->setCurrentIndex(0);
        manager->buttonAutoNumberSlots->click();
        manager->buttonClearSlots->click();
        QCOMPARE(script.seen.size(), 2);
        script.answer(newTemplateName("Pump"));
        manager->buttonNew->click();
        QCOMPARE(shown(*manager).size(), pumps.size());
        manager->editPrefix->setText("Pump1_");
        manager->listSlots->selectAll();
        manager->buttonAutoNumberSlots->click();
        manager->spinBase->setValue(100);
        manager->spinOffset->setValue(10);
        manager->tabWidget->setCurrentIndex(1); // Pump3_ lacks Trip
        QCOMPARE(shown(*manager), QStringList({"Run:1", "Trip:2", "Pump1_", "Pump2_"}));
        select(manager->tableInstance, {1});
        manager->buttonSelectSelected->click();
        QCOMPARE(shown(*manager, false), QStringList({"Pump1_", "Pump2_*"}));
        manager->buttonSelectAll->click();
        manager->buttonUnselectSelected->click();
        QCOMPARE(shown(*manager, false), QStringList({"Pump1_*", "Pump2_"}));
        manager->buttonUnselectAll->click();
        // A click on a check box checks that instance.
        const QModelIndex box = manager->instanceTable()->index(1, InstanceTable::ColEnabled);
        QVERIFY(manager->instanceTable()->setData(box, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(shown(*manager, false), QStringList({"Pump1_", "Pump2_*"}));
        manager->buttonSelectAll->click();
        QCOMPARE(describe(confirmed(*manager).find("Pump")),
                 QString("Pump=100,10,'Pump1_' Run:1,Trip:2 Pump1_,Pump2_"));
    }

    // The editor's templates stay as they were; the one left for another keeps its edits.
    void templatesAreEditedAsCopies() {
        TemplateList editor;
        addTemplates(editor, "Valve=0,1,'V1_' Open:3 V1_,V2_; Fan Fan1_On:1");
        manage_temp manager({"V1_Open", "V1_Shut", "V2_Open", "V3_Shut", "Fan1_On"}, editor,
                            nullptr);
        QCOMPARE(manager.comboTemplates->currentText(), QString("Fan")); // the first, sorted
        manager.editPrefix->setText("Fan1_");
        setParameterSlot(manager, "On", "7");
        QTest::keyClick(manager.comboTemplates, Qt::Key_Down); // the user picks "Valve"
        QCOMPARE(shown(manager), QStringList({"Open:3", "Shut:", "V1_*", "V2_*"}));
        setParameterSlot(manager, "Shut", "4");
        manager.tabWidget->setCurrentIndex(1); // now V2_ lacks Shut
        const TemplateList result = confirmed(manager);
        QCOMPARE(describe(result.find("Fan")) + '|' + describe(result.find("Valve")),
                 QString("Fan=0,1,'Fan1_' Fan1_On:1,On:7 |Valve=0,1,'V1_' Open:3,Shut:4 V1_"));
        QCOMPARE(describe(editor.find("Valve")), QString("Valve=0,1,'V1_' Open:3 V1_,V2_"));
    }

    void instancesTheModuleFileCannotHoldAreNotOffered_data() {
        QTest::addColumn<QStringList>("processes");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("notOffered");
        QTest::newRow("empty") << QStringList{"Run", "A_Run"} << QStringList{"A_"} << "''";
        QTest::newRow("comma") << QStringList{"a,b_Run", "c_Run"} << QStringList{"c_"} << "'a,b_'";
        QTest::newRow("equals, control")
            << QStringList{"a=b_Run", "c\td_Run"} << QStringList{} << "'a=b_'\n\t'c\td_'";
        QTest::newRow("none left out") << QStringList{"a_Run"} << QStringList{"a_*"} << "";
    }
    void instancesTheModuleFileCannotHoldAreNotOffered() {
        QFETCH(QStringList, processes);
        QFETCH(QString, notOffered);
        TemplateList editor;
        addTemplates(editor, "T Run:1");
        editor.find("T")->instances = {"a_", "", "a,b_"};
        manage_temp manager(processes, editor, nullptr);
        ModalScript script;
        manager.tabWidget->setCurrentIndex(1);
        QTEST(shown(manager, false), "offered");
        QCOMPARE(script.seen.size(), notOffered.isEmpty() ? 0 : 1);
        QCOMPARE(script.seen.value(0).text.section("\n\t", 1).section("\n\n", 0, 0), notOffered);
    }

    void autoNumberAndClearFollowTheSelectionInDisplayOrder() {
        auto manager = openManager({"A", "B", "C", "D", "E"}, "T A:9,B:8,C:7,D:6,E:5");
        select(manager->listSlots, {1, 3});
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(shown(*manager), QStringList({"A:9", "B:1", "C:7", "D:2", "E:5"}));
        manager->buttonClearSlots->click();
        QCOMPARE(shown(*manager), QStringList({"A:9", "B:", "C:7", "D:", "E:5"}));
        manager->listSlots->sortByColumn(1, Qt::DescendingOrder); // 9, 7, 5, then B and D
        manager->listSlots->clearSelection();
        select(manager->listSlots, {0, 1, 2, 3});
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(shown(*manager), QStringList({"A:1", "C:2", "E:3", "B:4", "D:"}));
    }

    // What is typed: a slot in place after a double click (what is no number, or 0, drops the
    // parameter), or the name of a new template (refused with a box, or taken trimmed). With
    // nothing typed, the template comes back as it was, whatever its prefix and instances.
    void typedEntries_data() {
        QTest::addColumn<QString>("stored");    // as describe() shows it
        QTest::addColumn<QString>("slot");      // null: none typed
        QTest::addColumn<QString>("name");      // null: the input is cancelled
        QTest::addColumn<QString>("box");       // a part of the box that refuses the name
        QTest::addColumn<QString>("confirmed"); // their count, "Pump" and "Valve" described
        const auto row = [](const char* tag, const QString& slot, const QString& name,
                            const QString& box, const QString& confirmed,
                            const QString& stored = "Pump=0,1,'Pump1_' Run:1 ") {
            QTest::newRow(tag) << stored << slot << name << box << confirmed;
        };
        const QString kept = "1 Pump=0,1,'Pump1_' Run:1 |none", unfit = "cannot contain";
        row("slot", "12", {}, {}, "1 Pump=0,1,'Pump1_' Run:12 |none");
        row("slot 0", "0", {}, {}, "1 Pump=0,1,'Pump1_'  |none");
        row("slot with letters", "12a", {}, {}, "1 Pump=0,1,'Pump1_'  |none");
        row("negative slot", "-3", {}, {}, "1 Pump=0,1,'Pump1_' Run:-3 |none");
        row("name exists", {}, "Pump", "'Pump' already exists", kept);
        row("name not loaded", {}, "Kept", "'Kept' already exists", kept);
        row("slash", {}, "a/b", unfit, kept);
        row("control", {}, "a\tb", unfit, kept);
        // A "[Templates]" line would give "Pump" and replace the template of that name.
        row("equals", {}, "Pump=5,10,'P_'", unfit, kept);
        row("blank", {}, "   ", {}, kept);
        row("new", {}, " Valve ", {}, "2 Pump=0,1,'Pump1_' Run:1 |Valve=0,1,''  ");
        for (const QString stored :
             {"Pump=0,10,'' Run:1 Pump2_,Pump1_", "Pump=5,10,'Pump1_R' Run:1,un:2 Pump2_,Pump1_",
              "Pump=0,10,'Pump1_' Run:1 Gone_,Pump3_,Pump1_"})
            row(qPrintable(stored), {}, {}, {}, "1 " + stored + "|none", stored);
    }
    void typedEntries() {
        QFETCH(QString, slot);
        QFETCH(QString, name);
        QFETCH(QString, box);
        QFETCH(QString, stored);
        auto manager = openManager(pumps, stored);
        manager->reserveNames({"Kept"});
        manager->tabWidget->setCurrentIndex(1);
        manager->tabWidget->setCurrentIndex(0);
        if (!slot.isNull()) {
            emit manager->listSlots->doubleClicked(manager->parameterTable()->index(0, 0));
            auto* edit = manager->listSlots->viewport()->findChild<QLineEdit*>();
            QVERIFY(edit);
            edit->setText(slot);
            emit manager->listSlots->itemDelegate()->commitData(edit); // as Return does
            QCOMPARE(shown(*manager).first(), "Run:" + slot);
        }
        ModalScript script;
        script.answer(newTemplateName(name));
        manager->buttonNew->click();
        QCOMPARE(script.seen.size(), box.isNull() ? 1 : 2);
        QVERIFY(script.seen.value(1).text.contains(box));
        const TemplateList result = confirmed(*manager);
        QTEST(QString::number(result.count()) + ' ' + describe(result.find("Pump")) + '|' +
                  describe(result.find("Valve")),
              "confirmed");
    }

    // What is stored is what was shown, however often the dialog opens maximised; a position no
    // screen shows any more is moved onto a screen.
    void layoutsAreKept_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::newRow("maximised") << "40,50,600,700,true" << QString("40,50,600,700,true");
        QTest::newRow("normal") << "40,50,450,400,false" << QString("40,50,450,400,false");
        QTest::newRow("off screen") << "-5000,9000,450,400,false" << QString("0,400,450,400,false");
        QTest::newRow("off screen right")
            << "9000,50,450,400,false" << QString("350,50,450,400,false");
    }
    void layoutsAreKept() {
        QFETCH(QString, stored);
        writeControlSetting(stored, posSize);
        for (int round = 0; round < 2; ++round) {
            auto manager = openManager(pumps);
            manager->listSlots->header()->resizeSection(0, 150 + round);
            manager->show();
            QVERIFY(QTest::qWaitForWindowExposed(manager.get()));
            QCOMPARE(manager->isMaximized(), stored.endsWith("true"));
        }
        QTEST(readControlSetting(posSize), "restored");
        QCOMPARE(openManager(pumps)->listSlots->columnWidth(0), 151);
    }
};

QTEST_MAIN(tst_manage_temp)
#include "tst_manage_temp.moc"
