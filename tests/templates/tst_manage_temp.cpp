// The template manager through its widgets; its own boxes are answered through
// the modal seam.
#include "common/fixture.h"
#include "core/device_template.h"
#include "proclist/control_geometry.h"
#include "templates/manage_temp.h"
#include "templates/template_tables.h"

#include <QtTest>
#include <QtWidgets>

using Params = QMap<QString, int>;

const QStringList pumps{"Pump1_Run", "Pump1_Trip", "Pump2_Run", "Pump2_Trip", "Pump3_Run"};
const QString posSize = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/PosSize";

// "name=base,offset,'prefix' params instances" of a template, as one line.
static QString describe(const devTemplate& t) {
    QStringList params;
    for (auto p = t.params.cbegin(); p != t.params.cend(); ++p)
        params.append(p.key() + ':' + QString::number(p.value()));
    return templatesLine(t) + ' ' + params.join(',') + ' ' + t.instances.join(',');
}

static std::unique_ptr<devTemplate> makeTemplate(const QString& line, const Params& params,
                                                 const QStringList& instances = {}) {
    auto entry = std::make_unique<devTemplate>(line);
    entry->params = params;
    entry->instances = instances;
    return entry;
}

static std::unique_ptr<manage_temp> openManager(const QStringList& processes,
                                                const TemplateList& templates = {}) {
    return std::make_unique<manage_temp>(processes, templates, nullptr);
}

// "parameter:slot" of each row of the slot list, in display order.
static QStringList slotRows(const manage_temp& manager) {
    QStringList rows;
    for (const auto& row : manager.parameterTable()->rows())
        rows.append(row.parameter + ':' + row.slot);
    return rows;
}

// The instance table, a "*" after each checked instance.
static QStringList instanceRows(const manage_temp& manager) {
    QStringList rows;
    const QAbstractItemModel* model = manager.instanceTable();
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row, 0).data().toString() +
                    (model->index(row, 1).data(Qt::CheckStateRole) == Qt::Checked ? "*" : "") +
                    (model->index(row, 1).data().toString() == "Selected" ? "" : "?"));
    return rows;
}

static void select(QAbstractItemView* view, const QList<int>& rows) {
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Answers the "New Template" input with a name.
static void enterName(ModalScript& script, const QString& name) {
    script.answer([name](QDialog& dialog) {
        auto& input = dynamic_cast<QInputDialog&>(dialog);
        if (input.labelText() != "Enter new template name" || !input.textValue().isEmpty())
            return -1; // not the dialog expected: answered by nobody
        input.setTextValue(name);
        input.accept();
        return input.result();
    });
}

static TemplateList confirmed(manage_temp& manager) {
    manager.buttonOk->click();
    TemplateList result;
    if (manager.result() == QDialog::Accepted) {
        manager.saveCurrentTemplate();
        manager.getTemplates(&result);
    }
    return result;
}

class tst_manage_temp : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() { settings = std::make_unique<ScopedSettings>(); }

    void cleanup() { settings.reset(); }

    void formHasItsTexts() {
        auto manager = openManager(pumps);
        QCOMPARE(manager->objectName() + ' ' + manager->windowTitle(),
                 QString("manage_tempBase Manage Templates"));
        QVERIFY(manager->isSizeGripEnabled() && manager->width() >= 443 &&
                manager->height() >= 571);
        QVERIFY(manager->windowFlags() & Qt::WindowMinMaxButtonsHint);
        QStringList texts;
        for (auto* widget : manager->findChildren<QPushButton*>(QString()))
            texts.append(widget->objectName() + '=' + widget->text());
        for (QAbstractItemView* view :
             {(QAbstractItemView*)manager->listSlots, (QAbstractItemView*)manager->tableInstance})
            for (int column = 0; column < view->model()->columnCount(); ++column)
                texts.append(view->objectName() + '=' +
                             view->model()->headerData(column, Qt::Horizontal).toString());
        texts.sort();
        QCOMPARE(texts.join(' '),
                 QString("buttonAutoNumberSlots=Auto Number buttonCancel=&Cancel "
                         "buttonClearSlots=Clear Slots buttonNew=New buttonOk=&OK "
                         "buttonSelectAll=Select All buttonSelectSelected=Select Selected "
                         "buttonUnselectAll=Unselect All buttonUnselectSelected=Unselect Selected "
                         "listSlots=Parameter listSlots=Slot tableInstance=Enabled "
                         "tableInstance=Instance"));
        QCOMPARE(manager->buttonOk->shortcut(), QKeySequence("Alt+O"));
        QCOMPARE(manager->tabWidget->tabText(0) + manager->tabWidget->tabText(1),
                 QString("ConfigurationInstances"));
        QCOMPARE(QString("%1 %2 %3")
                     .arg(manager->spinBase->minimum())
                     .arg(manager->spinBase->maximum())
                     .arg(manager->spinOffset->minimum()),
                 QString("0 4096 1"));
    }

    void withoutTemplatesOnlyNewLeadsOn() {
        TraceCapture traces;
        ModalScript script;
        auto manager = openManager(pumps);
        QVERIFY(traces.contains("manage_temp::selectTemplate - can not find template - "));
        manager->editPrefix->setText("Pump");
        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(slotRows(*manager) + instanceRows(*manager), QStringList());
        QVERIFY(traces.contains("currentTemplate - no current template"));
        manager->tabWidget->setCurrentIndex(0);
        manager->buttonAutoNumberSlots->click();
        manager->buttonClearSlots->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[0].caption + '/' + script.seen[0].text,
                 QString("No row is selected/Please select rows for auto numbering"));
        QCOMPARE(script.seen[1].caption + '/' + script.seen[1].text,
                 QString("No row is selected/Please select rows to clear"));
        QVERIFY(confirmed(*manager).isEmpty());

        enterName(script, "Pump");
        auto again = openManager(pumps);
        again->buttonNew->click();
        QCOMPARE(again->comboTemplates->currentText(), QString("Pump"));
        QCOMPARE(slotRows(*again).size(), pumps.size()); // empty prefix: every process
        QCOMPARE(describe(*confirmed(*again).find("Pump")), QString("Pump=0,1,''  "));
    }

    void instancesHaveEveryParameter() {
        ModalScript script;
        enterName(script, "Pump");
        auto manager = openManager(pumps);
        manager->buttonNew->click();
        manager->editPrefix->setText("Pump1_");
        manager->listSlots->selectAll();
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"Run:1", "Trip:2"}));
        manager->spinBase->setValue(100);
        manager->spinOffset->setValue(10);

        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_", "Pump2_"})); // Pump3_ lacks Trip
        select(manager->tableInstance, {1});
        manager->buttonSelectSelected->click();
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_", "Pump2_*"}));
        manager->buttonSelectAll->click();
        manager->buttonUnselectSelected->click();
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_*", "Pump2_"}));
        manager->buttonUnselectAll->click();
        manager->buttonSelectAll->click();
        QCOMPARE(describe(*confirmed(*manager).find("Pump")),
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
        manager->parameterTable()->setData(manager->parameterTable()->index(0, 1), "7");
        QTest::keyClick(manager->comboTemplates, Qt::Key_Down); // the user picks "Valve"
        QCOMPARE(manager->editPrefix->text(), QString("V1_"));
        QCOMPARE(slotRows(*manager), QStringList({"Open:3", "Shut:"}));
        QCOMPARE(instanceRows(*manager), QStringList({"V1_*", "V2_*"}));
        manager->parameterTable()->setData(manager->parameterTable()->index(1, 1), "4");
        manager->tabWidget->setCurrentIndex(1); // now V2_ lacks Shut
        QCOMPARE(instanceRows(*manager), QStringList({"V1_*"}));

        const TemplateList result = confirmed(*manager);
        QCOMPARE(describe(*result.find("Fan")), QString("Fan=0,1,'Fan1_' Fan1_On:1,On:7 "));
        QCOMPARE(describe(*result.find("Valve")), QString("Valve=0,1,'V1_' Open:3,Shut:4 V1_"));
        QCOMPARE(describe(*editor.find("Valve")), QString("Valve=0,1,'V1_' Open:3 V1_,V2_"));
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
        QCOMPARE(describe(*confirmed(*manager).find("P")), describe(*editor.find("P")));
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
        QFETCH(QStringList, offered);
        QFETCH(QString, notOffered);
        TemplateList editor;
        editor.insert(makeTemplate("T", {{"Run", 1}}, {"a_", "", "a,b_"}));
        auto manager = openManager(processes, editor);
        ModalScript script;
        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(instanceRows(*manager), offered);
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
        QCOMPARE(slotRows(*manager), QStringList({"A:9", "B:1", "C:7", "D:2", "E:5"}));
        manager->buttonClearSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"A:9", "B:", "C:7", "D:", "E:5"}));
        manager->listSlots->sortByColumn(1, Qt::DescendingOrder); // 9, 7, 5, then B and D
        manager->listSlots->clearSelection();
        select(manager->listSlots, {0, 1, 2, 3});
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"A:1", "C:2", "E:3", "B:4", "D:"}));
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
        QTRY_COMPARE(slotRows(*manager).first(), "Run:" + text);
        QTEST(confirmed(*manager).find("Pump")->params, "params");
    }

    void newNameIsRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
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
    }
    void newNameIsRefused() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TemplateList editor;
        editor.insert(makeTemplate("Pump=0,1,'Pump1_'", {{"Run", 1}}));
        auto manager = openManager(pumps, editor);
        manager->reserveNames({"Kept"});
        ModalScript script;
        enterName(script, name);
        manager->buttonNew->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[1].caption + '/' + script.seen[1].text, "New Template Failed/" + text);
        QCOMPARE(confirmed(*manager).count(), 1);
    }

    void cancelledOrBlankNameAddsNothing() {
        auto manager = openManager(pumps);
        ModalScript script;
        enterName(script, "   ");
        script.answer([](QDialog& dialog) {
            dynamic_cast<QInputDialog&>(dialog).setTextValue("Pump");
            dialog.reject();
            return dialog.result();
        });
        manager->buttonNew->click();
        manager->buttonNew->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(manager->comboTemplates->count(), 0);
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
        auto manager = openManager(pumps);
        QCOMPARE(manager->listSlots->columnWidth(0), 151);
    }
};

QTEST_MAIN(tst_manage_temp)
#include "tst_manage_temp.moc"
