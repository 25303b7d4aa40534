// The template manager through its widgets; its own boxes are answered through
// the modal seam.
#include "common/test_support.h"
#include "common/trace_capture.h"
#include "core/device_template.h"
#include "proclist/control_geometry.h"
#include "templates/manage_temp.h"

#include <QtTest>
#include <QtWidgets>

using Params = QMap<QString, int>;

const QStringList pumps{"Pump1_Run", "Pump1_Trip", "Pump2_Run", "Pump2_Trip", "Pump3_Run"};
const QString controls = "Home/Alarms/Outputs/Tolv Output/ManageTemplates/";

static std::unique_ptr<devTemplate> makeTemplate(const QString& name, const QString& prefix,
                                                 const Params& params,
                                                 const QStringList& instances = {}) {
    auto entry = std::make_unique<devTemplate>();
    entry->name = name;
    entry->prefix = prefix;
    entry->params = params;
    entry->instances = instances;
    return entry;
}

static std::unique_ptr<manage_temp> openManager(const QStringList& processes,
                                                const TemplateList& templates = {}) {
    return std::make_unique<manage_temp>(processes, templates, nullptr);
}

// "column 0:column 1" of each row of the slot list, in display order.
static QStringList slotRows(const manage_temp& manager) {
    QStringList rows;
    for (int i = 0; i < manager.listSlots->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = manager.listSlots->topLevelItem(i);
        rows.append(item->text(0) + ':' + item->text(1));
    }
    return rows;
}

// The instance table, a "*" after each checked instance.
static QStringList instanceRows(const manage_temp& manager) {
    QStringList rows;
    for (int row = 0; row < manager.tableInstance->rowCount(); ++row) {
        const QTableWidgetItem* check = manager.tableInstance->item(row, 1);
        rows.append(manager.tableInstance->item(row, 0)->text() +
                    (check->checkState() == Qt::Checked ? "*" : "") +
                    (check->text() == "Selected" ? "" : "?"));
    }
    return rows;
}

static QTreeWidgetItem* slotRow(const manage_temp& manager, const QString& parameter) {
    const auto found = manager.listSlots->findItems(parameter, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
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
        QCOMPARE(manager->objectName(), QString("manage_tempBase"));
        QCOMPARE(manager->windowTitle(), QString("Manage Templates"));
        QVERIFY(manager->isSizeGripEnabled());
        QVERIFY(manager->width() >= 443 && manager->height() >= 571);
        QVERIFY(manager->windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(manager->windowFlags() & Qt::WindowMinimizeButtonHint);
        const QList<QPair<QString, QString>> texts{{"textLabel1", "Template"},
                                                   {"buttonNew", "New"},
                                                   {"buttonOk", "&OK"},
                                                   {"buttonCancel", "&Cancel"},
                                                   {"textLabel1_2", "Prefix for Template"},
                                                   {"textLabel1_2_2_2", "Base Slot"},
                                                   {"textLabel1_2_2", "Offset"},
                                                   {"buttonAutoNumberSlots", "Auto Number"},
                                                   {"buttonClearSlots", "Clear Slots"},
                                                   {"buttonSelectAll", "Select All"},
                                                   {"buttonUnselectAll", "Unselect All"},
                                                   {"buttonSelectSelected", "Select Selected"},
                                                   {"buttonUnselectSelected", "Unselect Selected"}};
        for (const auto& [name, text] : texts) {
            auto* widget = manager->findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            QCOMPARE(widget->property("text").toString(), text);
        }
        QCOMPARE(manager->buttonOk->shortcut(), QKeySequence("Alt+O"));
        QCOMPARE(manager->findChild<QComboBox*>("comboTemplates")->isEditable(), false);
        auto* tabs = manager->findChild<QTabWidget*>("tabWidget");
        QCOMPARE(tabs->widget(0)->objectName(), QString("tab"));
        QCOMPARE(tabs->tabText(0), QString("Configuration"));
        QCOMPARE(tabs->widget(1)->objectName(), QString("tab_2"));
        QCOMPARE(tabs->tabText(1), QString("Instances"));
        QCOMPARE(manager->findChild<QTreeWidget*>("listSlots")->headerItem()->text(1),
                 QString("Slot"));
        auto* table = manager->findChild<QTableWidget*>("tableInstance");
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Instance"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("Enabled"));
        QCOMPARE(manager->spinBase->minimum(), 0);
        QCOMPARE(manager->spinBase->maximum(), 4096);
        QCOMPARE(manager->spinOffset->minimum(), 1);
    }

    void withoutTemplatesOnlyNewLeadsOn() {
        TraceCapture traces;
        ModalScript script;
        auto manager = openManager(pumps);
        QVERIFY(traces.contains("manage_temp::selectTemplate - can not find template - "));
        QCOMPARE(manager->comboTemplates->count(), 0);
        manager->editPrefix->setText("Pump");
        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(manager->listSlots->topLevelItemCount(), 0);
        QCOMPARE(manager->tableInstance->rowCount(), 0);
        QVERIFY(traces.contains("currentTemplate - no current template"));
        manager->tabWidget->setCurrentIndex(0);
        manager->buttonAutoNumberSlots->click();
        manager->buttonClearSlots->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[0].caption, QString("No row is selected"));
        QCOMPARE(script.seen[0].text, QString("Please select rows for auto numbering"));
        QCOMPARE(script.seen[0].icon, QMessageBox::Warning);
        QCOMPARE(script.seen[1].caption, QString("No row is selected"));
        QCOMPARE(script.seen[1].text, QString("Please select rows to clear"));
        QVERIFY(confirmed(*manager).isEmpty());

        enterName(script, "Pump");
        auto again = openManager(pumps);
        again->buttonNew->click();
        QCOMPARE(script.seen.last().caption, QString("New Template"));
        QCOMPARE(again->comboTemplates->currentText(), QString("Pump"));
        QCOMPARE(slotRows(*again).size(), pumps.size()); // empty prefix: every process
        const TemplateList result = confirmed(*again);
        const devTemplate* pump = result.find("Pump");
        QVERIFY(pump);
        QCOMPARE(pump->baseSlot, 0);
        QCOMPARE(pump->offset, 1);
        QVERIFY(pump->prefix.isEmpty() && pump->params.isEmpty() && pump->instances.isEmpty());
    }

    void instancesHaveEveryParameter() {
        ModalScript script;
        enterName(script, "Pump");
        auto manager = openManager(pumps);
        manager->buttonNew->click();
        manager->editPrefix->setText("Pump1_");
        QCOMPARE(slotRows(*manager), QStringList({"Run:", "Trip:"}));
        manager->listSlots->selectAll();
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"Run:1", "Trip:2"}));
        manager->spinBase->setValue(100);
        manager->spinOffset->setValue(10);

        manager->tabWidget->setCurrentIndex(1);
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_", "Pump2_"})); // Pump3_ lacks Trip
        manager->tableInstance->item(1, 0)->setSelected(true);
        manager->buttonSelectSelected->click();
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_", "Pump2_*"}));
        manager->buttonSelectAll->click();
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_*", "Pump2_*"}));
        manager->buttonUnselectSelected->click();
        QCOMPARE(instanceRows(*manager), QStringList({"Pump1_*", "Pump2_"}));
        manager->buttonUnselectAll->click();
        manager->buttonSelectAll->click();

        const TemplateList result = confirmed(*manager);
        const devTemplate* pump = result.find("Pump");
        QVERIFY(pump);
        QCOMPARE(pump->prefix, QString("Pump1_"));
        QCOMPARE(pump->baseSlot, 100);
        QCOMPARE(pump->offset, 10);
        QCOMPARE(pump->params, (Params{{"Run", 1}, {"Trip", 2}}));
        QCOMPARE(pump->instances, QStringList({"Pump1_", "Pump2_"}));
    }

    void templatesAreEditedAsCopies() {
        TemplateList editor;
        editor.insert(makeTemplate("Valve", "V1_", {{"Open", 3}}, {"V1_", "V2_"}));
        editor.insert(makeTemplate("Fan", "", {{"Fan1_On", 1}}));
        auto manager = openManager({"V1_Open", "V1_Shut", "V2_Open", "V3_Shut", "Fan1_On"}, editor);
        QCOMPARE(manager->comboTemplates->count(), 2);
        QCOMPARE(manager->comboTemplates->itemText(0), QString("Fan")); // sorted
        QCOMPARE(manager->comboTemplates->currentText(), QString("Fan"));
        QCOMPARE(slotRows(*manager).filter(":1"), QStringList({"Fan1_On:1"}));

        // Another template: the one left keeps its edits.
        manager->editPrefix->setText("Fan1_");
        slotRow(*manager, "On")->setText(1, "7");
        QTest::keyClick(manager->comboTemplates, Qt::Key_Down); // the user picks "Valve"
        QCOMPARE(manager->editPrefix->text(), QString("V1_"));
        QCOMPARE(slotRows(*manager), QStringList({"Open:3", "Shut:"}));
        QCOMPARE(instanceRows(*manager), QStringList({"V1_*", "V2_*"}));
        slotRow(*manager, "Shut")->setText(1, "4");
        manager->tabWidget->setCurrentIndex(1); // now V2_ lacks Shut
        QCOMPARE(instanceRows(*manager), QStringList({"V1_*"}));

        const TemplateList result = confirmed(*manager);
        QCOMPARE(result.find("Fan")->params, (Params{{"On", 7}}));
        QCOMPARE(result.find("Valve")->params, (Params{{"Open", 3}, {"Shut", 4}}));
        QCOMPARE(result.find("Valve")->instances, QStringList({"V1_"}));
        QCOMPARE(editor.find("Fan")->params, (Params{{"Fan1_On", 1}}));
        QCOMPARE(editor.find("Valve")->instances, QStringList({"V1_", "V2_"}));
    }

    void autoNumberGivesSelectedRowsOneUp() {
        TemplateList editor;
        editor.insert(makeTemplate("T", "", {{"A", 9}, {"B", 8}, {"C", 7}, {"D", 6}, {"E", 5}}));
        auto manager = openManager({"A", "B", "C", "D", "E"}, editor);
        manager->listSlots->topLevelItem(1)->setSelected(true);
        manager->listSlots->topLevelItem(3)->setSelected(true);
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"A:9", "B:1", "C:7", "D:2", "E:5"}));
        manager->buttonClearSlots->click();
        QCOMPARE(slotRows(*manager), QStringList({"A:9", "B:", "C:7", "D:", "E:5"}));
    }

    void autoNumberFollowsDisplayOrder() {
        TemplateList editor;
        editor.insert(makeTemplate("T", "", {{"A", 30}, {"B", 20}, {"C", 10}}));
        auto manager = openManager({"A", "B", "C"}, editor);
        manager->listSlots->sortByColumn(1, Qt::AscendingOrder); // C, B, A
        manager->listSlots->selectAll();
        manager->buttonAutoNumberSlots->click();
        QCOMPARE(slotRow(*manager, "C")->text(1), QString("1"));
        QCOMPARE(slotRow(*manager, "B")->text(1), QString("2"));
        QCOMPARE(slotRow(*manager, "A")->text(1), QString("3"));
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
        QFETCH(Params, params);
        TemplateList editor;
        editor.insert(makeTemplate("Pump", "Pump1_", {{"Run", 1}}));
        auto manager = openManager(pumps, editor);
        manager->show();
        QVERIFY(QTest::qWaitForWindowActive(manager.get()));
        QTreeWidgetItem* run = slotRow(*manager, "Run");
        const QRect rect = manager->listSlots->visualItemRect(run);
        const QPoint point(rect.left() + 5, rect.center().y());
        QTest::mouseClick(manager->listSlots->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(manager->listSlots->viewport(), Qt::LeftButton, {}, point);
        QLineEdit* edit = nullptr;
        QTRY_VERIFY((edit = manager->listSlots->viewport()->findChild<QLineEdit*>()));
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(run->text(1), text);
        QCOMPARE(confirmed(*manager).find("Pump")->params, params);
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
        editor.insert(makeTemplate("Pump", "Pump1_", {{"Run", 1}}));
        auto manager = openManager(pumps, editor);
        ModalScript script;
        enterName(script, name);
        manager->buttonNew->click();
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[1].caption, QString("New Template Failed"));
        QCOMPARE(script.seen[1].text, text);
        QCOMPARE(script.seen[1].icon, QMessageBox::Warning);
        QCOMPARE(manager->comboTemplates->count(), 1);
        const TemplateList result = confirmed(*manager);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.find("Pump")->params, (Params{{"Run", 1}}));
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

    void layoutsAreKept() {
        {
            auto manager = openManager(pumps);
            manager->show();
            QVERIFY(QTest::qWaitForWindowExposed(manager.get()));
            manager->move(40, 50);
            manager->resize(600, 700);
            manager->listSlots->header()->resizeSection(0, 150);
            manager->showMaximized();
            QTRY_VERIFY(manager->isMaximized());
        }
        QCOMPARE(readControlSetting(controls + "PosSize"), QString("40,50,600,700,true"));
        QCOMPARE(readControlSetting(controls + "ListSlots").section(',', 1, 1), QString("150"));
        QCOMPARE(readControlSetting(controls + "TableInstance").count(','), 2);

        auto manager = openManager(pumps);
        QCOMPARE(manager->listSlots->columnWidth(0), 150);
        manager->show();
        QVERIFY(QTest::qWaitForWindowExposed(manager.get()));
        QTRY_VERIFY(manager->isMaximized());
        manager->showNormal();
        QTRY_COMPARE(manager->geometry().size(), QSize(600, 700));
        QCOMPARE(manager->pos(), QPoint(40, 50));
    }
};

QTEST_MAIN(tst_manage_temp)
#include "tst_manage_temp.moc"
