// The template manager through its widgets; its own boxes are answered through
// the modal seam.
#include "common/template_fixture.h"
#include "proclist/control_geometry.h"

#include <QtWidgets>

namespace {

const QStringList pumps{"Pump1_Run", "Pump1_Trip", "Pump2_Run", "Pump2_Trip", "Pump3_Run"};
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";

std::unique_ptr<manage_temp> openManager(const QStringList& processes,
                                         const TemplateList& templates = {}) {
    return std::make_unique<manage_temp>(processes, templates, nullptr);
}

// "parameter:slot" of each row of the slot list, in display order (unless only
// the instances), then the instance table, a "*" after each checked instance.
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

TemplateList confirmed(manage_temp& manager) {
    manager.buttonOk->click();
    TemplateList result;
    if (manager.result() == QDialog::Accepted) {
        manager.saveCurrentTemplate();
        manager.getTemplates(&result);
    }
    return result;
}

} // namespace

class tst_manage_temp : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() { settings = std::make_unique<ScopedSettings>(); }
    void cleanup() { settings.reset(); }

    void withoutTemplatesOnlyNewLeadsOn() {
        ModalScript script;
        auto manager = openManager(pumps);
        QCOMPARE(
            QString("%1 %2").arg(manager->spinBase->maximum()).arg(manager->spinOffset->maximum()),
            QString("4096 4096")); // the system's highest slot
        manager->editPrefix->setText("Pump");
        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(shown(*manager), QStringList());
        manager->tabWidget->setCurrentIndex(0);
        manager->buttonAutoNumberSlots->click();
        manager->buttonClearSlots->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[0].caption + '/' + script.seen[0].text + '/' + script.seen[1].text,
                 "No row is selected/Please select rows for auto numbering/Please select rows "
                 "to clear");
        QVERIFY(confirmed(*manager).isEmpty());

        script.answer(newTemplateName("Pump"));
        auto again = openManager(pumps);
        again->buttonNew->click();
        QCOMPARE(again->comboTemplates->currentText(), QString("Pump"));
        QCOMPARE(shown(*again).size(), pumps.size()); // empty prefix: every process
        QCOMPARE(describe(confirmed(*again).find("Pump")), QString("Pump=0,1,''  "));
    }

    void instancesHaveEveryParameter() {
        ModalScript script;
        script.answer(newTemplateName("Pump"));
        auto manager = openManager(pumps);
        manager->buttonNew->click();
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

    void templatesAreEditedAsCopies() {
        TemplateList editor;
        editor.insert(makeTemplate("Valve=0,1,'V1_'", {{"Open", 3}}, {"V1_", "V2_"}));
        editor.insert(makeTemplate("Fan", {{"Fan1_On", 1}}));
        auto manager = openManager({"V1_Open", "V1_Shut", "V2_Open", "V3_Shut", "Fan1_On"}, editor);
        QCOMPARE(manager->comboTemplates->itemText(0), QString("Fan")); // sorted
        QCOMPARE(manager->comboTemplates->currentText(), QString("Fan"));
        // Another template: the one left keeps its edits.
        manager->editPrefix->setText("Fan1_");
        setParameterSlot(*manager, "On", "7");
        QTest::keyClick(manager->comboTemplates, Qt::Key_Down); // the user picks "Valve"
        QCOMPARE(manager->editPrefix->text(), QString("V1_"));
        QCOMPARE(shown(*manager), QStringList({"Open:3", "Shut:", "V1_*", "V2_*"}));
        setParameterSlot(*manager, "Shut", "4");
        manager->tabWidget->setCurrentIndex(1); // now V2_ lacks Shut
        QCOMPARE(shown(*manager, false), QStringList({"V1_*"}));
        const TemplateList result = confirmed(*manager);
        QCOMPARE(describe(result.find("Fan")), QString("Fan=0,1,'Fan1_' Fan1_On:1,On:7 "));
        QCOMPARE(describe(result.find("Valve")), QString("Valve=0,1,'V1_' Open:3,Shut:4 V1_"));
        QCOMPARE(describe(editor.find("Valve")), QString("Valve=0,1,'V1_' Open:3 V1_,V2_"));
    }

    // The stored template comes back unchanged from a confirmed dialog in which
    // nothing was edited, whatever its prefix lists and whatever order its
    // instances have.
    void okWithoutEditsChangesNothing_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Params>("params");
        QTest::addColumn<QStringList>("instances");
        const QStringList both{"Pump2_", "Pump1_"};
        QTest::newRow("prefix lists them") << "P=0,10,'Pump1_'" << Params{{"Run", 1}} << both;
        QTest::newRow("empty prefix") << "P=0,10,''" << Params{{"Run", 1}} << both;
        QTest::newRow("prefix lists none") << "P=0,10,'BLR'" << Params{{"Run", 1}} << both;
        QTest::newRow("some listed") << "P=5,10,'Pump1_R'" << Params{{"Run", 1}, {"un", 2}} << both;
        QTest::newRow("no processes")
            << "P=0,10,'Pump1_'" << Params{{"Run", 1}} << QStringList{"Gone_", "Pump3_", "Pump1_"};
    }
    void okWithoutEditsChangesNothing() {
        QFETCH(QString, line);
        QFETCH(Params, params);
        QFETCH(QStringList, instances);
        TemplateList editor;
        editor.insert(makeTemplate(line, params, instances));
        auto manager = openManager(pumps, editor);
        manager->tabWidget->setCurrentIndex(1);
        manager->tabWidget->setCurrentIndex(0);
        QCOMPARE(describe(confirmed(*manager).find("P")), describe(editor.find("P")));
    }

    void instancesTheModuleFileCannotHoldAreNotOffered_data() {
        QTest::addColumn<QStringList>("processes");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("notOffered");
        QTest::newRow("empty") << QStringList{"Run", "A_Run"} << QStringList{"A_"} << "''";
        QTest::newRow("comma") << QStringList{"a,b_Run", "c_Run"} << QStringList{"c_"} << "'a,b_'";
        QTest::newRow("equals, control")
            << QStringList{"a=b_Run", "c\td_Run"} << QStringList{} << "'c\td_'";
        QTest::newRow("none left out") << QStringList{"a_Run"} << QStringList{"a_*"} << "";
    }
    void instancesTheModuleFileCannotHoldAreNotOffered() {
        QFETCH(QStringList, processes);
        QFETCH(QString, notOffered);
        TemplateList editor;
        editor.insert(makeTemplate("T", {{"Run", 1}}, {"a_", "", "a,b_"}));
        auto manager = openManager(processes, editor);
        ModalScript script;
        manager->tabWidget->setCurrentIndex(1);
        QTEST(shown(*manager, false), "offered");
        QCOMPARE(script.seen.size(), notOffered.isEmpty() ? 0 : 1);
        if (!notOffered.isEmpty())
            QVERIFY(script.seen[0].text.contains("\n\t" + notOffered + "\n\nThe module file"));
    }

    void autoNumberAndClearFollowTheSelectionInDisplayOrder() {
        TemplateList editor;
        editor.insert(makeTemplate("T", {{"A", 9}, {"B", 8}, {"C", 7}, {"D", 6}, {"E", 5}}));
        auto manager = openManager({"A", "B", "C", "D", "E"}, editor);
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

    void slotTextIsReadAsNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Params>("params");
        QTest::newRow("number") << "12" << Params{{"Run", 12}};
        QTest::newRow("zero drops") << "0" << Params{};
        QTest::newRow("letters drop") << "12a" << Params{};
        QTest::newRow("empty drops") << "" << Params{};
        QTest::newRow("negative kept") << "-3" << Params{{"Run", -3}};
    }
    void slotTextIsReadAsNumber() {
        QFETCH(QString, text);
        TemplateList editor;
        editor.insert(makeTemplate("Pump=0,1,'Pump1_'", {{"Run", 1}}));
        auto manager = openManager(pumps, editor);
        manager->show();
        QVERIFY(QTest::qWaitForWindowActive(manager.get()));
        const QRect rect = manager->listSlots->visualRect(manager->parameterTable()->index(0, 0));
        const QPoint point(rect.left() + 5, rect.center().y());
        QTest::mouseClick(manager->listSlots->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(manager->listSlots->viewport(), Qt::LeftButton, {}, point);
        QLineEdit* edit = nullptr;
        QTRY_VERIFY((edit = manager->listSlots->viewport()->findChild<QLineEdit*>()));
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(shown(*manager).first(), "Run:" + text);
        QTEST(confirmed(*manager).find("Pump")->params, "params");
    }

    void newName_data() {
        QTest::addColumn<QString>("name"); // null: the input is cancelled
        QTest::addColumn<QString>("text"); // of the box that refuses it
        const QString unusable = "A template name cannot contain \"/\", \"\\\", \"=\", control "
                                 "characters or characters that the configuration files cannot "
                                 "hold.";
        QTest::newRow("outside the files' characters") << "Насос" << unusable;
        QTest::newRow("exists") << "Pump"
                                << "The specified name 'Pump' already exists.";
        QTest::newRow("not loaded") << "Kept"
                                    << "The specified name 'Kept' already exists.";
        QTest::newRow("slash") << "a/b" << unusable;
        QTest::newRow("backslash") << "..\\b" << unusable;
        QTest::newRow("control") << "a\tb" << unusable;
        // A "[Templates]" line would give "Pump" and replace the template of that name.
        QTest::newRow("equals") << "Pump=5,10,'P_'" << unusable;
        QTest::newRow("blank") << "   "
                               << "";
        QTest::newRow("cancelled") << QString() << "";
        QTest::newRow("new") << " Valve "
                             << "";
    }
    void newName() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TemplateList editor;
        editor.insert(makeTemplate("Pump=0,1,'Pump1_'", {{"Run", 1}}));
        auto manager = openManager(pumps, editor);
        manager->reserveNames({"Kept"});
        ModalScript script;
        script.answer(newTemplateName(name));
        manager->buttonNew->click();
        QCOMPARE(script.seen.size(), text.isEmpty() ? 1 : 2);
        if (!text.isEmpty())
            QCOMPARE(script.seen[1].caption + '/' + script.seen[1].text,
                     "New Template Failed/" + text);
        const TemplateList result = confirmed(*manager);
        QCOMPARE(result.count(), name == " Valve " ? 2 : 1);
        QCOMPARE(describe(result.find("Valve")), name == " Valve " ? "Valve=0,1,''  " : "none");
    }

    // What is stored is what was shown, however often the dialog opens
    // maximised; a position no screen shows any more is moved onto a screen.
    void layoutsAreKept_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("restored");
        QTest::newRow("maximised") << "40,50,600,700,true"
                                   << "40,50,600,700,true";
        QTest::newRow("normal") << "40,50,450,400,false"
                                << "40,50,450,400,false";
        QTest::newRow("off screen") << "-5000,9000,450,400,false"
                                    << "0,400,450,400,false";
        QTest::newRow("off screen right") << "9000,50,450,400,false"
                                          << "350,50,450,400,false";
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
