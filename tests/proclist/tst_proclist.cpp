// The process list editor through its widgets: what they add to the slot rules.
#include "common/fixture.h"
#include "core/documents.h"
#include "core/slot_rules.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/control_geometry.h"
#include "proclist/dialog.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

struct FakeDocuments : IGetDocuments {
    Document* getDocument0() override { return nullptr; }
    Document* getDocument1() override { return nullptr; }
    Document* getDocument2() override { return nullptr; }
    Document* getDocument3() override { return nullptr; }
    Document* getDocument4() override { return nullptr; }
    Document* getSystemDocument() override { return system; }
    Document* system = nullptr;
};

// The fixture: an editor holding the rows "name:group:slot", sorted by Process;
// a leading '#' marks a row claimed by a template (Dev Type set, not selectable).
static std::unique_ptr<dialog> makeEditor(const QString& table) {
    auto editor = std::make_unique<dialog>(nullptr);
    new QAbstractItemModelTester(editor->procList->model(), // checks every change the model signals
                                 QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 editor.get());
    const QStringList rows = table.split(' ', Qt::SkipEmptyParts);
    QVector<ProcessDefinition> definitions;
    QHash<QString, QString> entries;
    for (const QString& row : rows) {
        definitions.append({row.section(':', 0, 0).remove('#'), row.section(':', 1, 1)});
        entries.insert(definitions.last().name, row);
    }
    editor->setProcesses(definitions);
    editor->editRows([&](int, ProcessRow& row) {
        row.slot = entries[row.name].section(':', 2, 2);
        row.free = !entries[row.name].startsWith('#');
        row.devType = row.free ? "" : "pump";
    });
    return editor;
}

static QString column(const dialog& editor, int col) {
    return processColumn(editor, col);
}

static QLineEdit* openEditor(const dialog& editor) {
    return editor.procList->viewport()->findChild<QLineEdit*>();
}

// What the auto-number dialog showed.
struct Shown {
    bool offsetEnabled = false;
    int choice = -1, base = 0, offset = 0;
    QString group;
};

// Opens the real auto-number dialog from the editor and answers it; a choice of
// -1 keeps the proposed one.
static Shown autoNumber(dialog& editor, int choice, int base, int offset, bool accept = true) {
    Shown shown;
    ModalScript script;
    script.answer([&](QDialog& dialog) {
        auto* box = &dynamic_cast<autoNumberDialog&>(dialog);
        shown = {box->spinOffset->isEnabled(), box->selectGroup->checkedId(),
                 box->spinBase->value(), box->spinOffset->value(), box->comboGroup->currentText()};
        if (choice >= 0)
            box->selectGroup->button(choice)->setChecked(true);
        box->spinBase->setValue(base);
        box->spinOffset->setValue(offset);
        (accept ? box->buttonOk : box->buttonCancel)->click();
        return box->result();
    });
    editor.autoNumber();
    return shown;
}

const QString duplicates = "<h1>Warning</h1>\nThere are duplicates.";
const QString tenRows = "P0:G:1 P1:G:2 P2:G:3 P3:G:4 P4:G:5 P5:G:6 P6:G:7 #P7:G:8 #P8:G:9 #P9:G:10";

// Clicks the dialog's button with this text.
static void clickButton(QDialog& box, const QString& text) {
    for (QAbstractButton* button : box.findChildren<QAbstractButton*>())
        if (button->text() == text)
            return button->click();
    QFAIL(qPrintable("no button " + text));
}

// Types a slot into the row's in-place edit and commits it with Return.
static void typeSlot(dialog& editor, const QString& name, const QString& text) {
    QLineEdit* line = openSlotEdit(editor, name);
    QVERIFY(line);
    line->setText(text);
    QTest::keyClick(line, Qt::Key_Return);
}

class tst_proclist : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() {
        settings = std::make_unique<ScopedSettings>();
        dialog::lastBase = 1;
        dialog::lastOffset = 0;
    }

    void cleanup() { settings.reset(); }

    void sortingBySlotAndGroup() {
        auto editor = makeEditor("C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100");
        QCOMPARE(column(*editor, ColProcess), QString("A,B,C,D,E")); // as loaded
        editor->procList->sortByColumn(ColSlot, Qt::AscendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("C,E,B,A,D")); // empty first, 9 before 10
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("E,B,D,C,A")); // ties by slot
    }

    void equalKeysKeepTheirOrderInBothDirections() {
        auto editor = makeEditor("D:G1 B:G2 A:G1 C:G2");
        editor->procList->sortByColumn(ColGroup, Qt::DescendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("B,C,A,D")); // the Process order kept
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("A,D,B,C"));
    }

    void movingKeepsTheRowCurrent() {
        auto editor = makeEditor("A B C D E");
        editor->procList->sortByColumn(ColProcess, Qt::DescendingOrder);
        selectProcesses(*editor, {"E"});
        editor->moveProcUp(); // past the top: nothing moves, the list stays sorted
        selectProcesses(*editor, {"A"});
        editor->moveProcDown(); // past the bottom likewise
        QVERIFY(editor->sortActive);
        selectProcesses(*editor, {"C"});
        editor->moveProcDown();
        QCOMPARE(column(*editor, ColProcess), QString("E,D,B,C,A"));
        editor->moveProcUp();
        editor->moveProcUp();
        QCOMPARE(column(*editor, ColProcess), QString("E,C,D,B,A"));
        QCOMPARE(editor->currentProcess(), QString("C"));
        QCOMPARE(selectedProcesses(*editor), QString("C"));
        QVERIFY(!editor->sortActive);
    }

    void headerClickAfterAMoveSortsInTheSavedOrder() {
        auto editor = makeEditor("C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100");
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        editor->procList->sortByColumn(ColProcess, Qt::DescendingOrder);
        selectProcesses(*editor, {"C"});
        editor->moveProcUp();
        QCOMPARE(column(*editor, ColProcess), QString("E,C,D,B,A"));

        QWidget* header = editor->procList->header()->viewport();
        const QPoint group(editor->procList->header()->sectionViewportPosition(ColGroup) + 5, 5);
        QTest::mouseClick(header, Qt::LeftButton, {}, group);
        QCOMPARE(editor->procList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("C,A,E,B,D")); // ties by slot ascending
        QTest::mouseClick(header, Qt::LeftButton, {}, group); // sorted again: reverses as usual
        QCOMPARE(column(*editor, ColProcess), QString("E,B,D,C,A"));
    }

    void buttonsFollowTheSelection_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("selected"); // the first is the current row
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::addColumn<QString>("clearText");
        QTest::newRow("nothing selected") << "A B C"
                                          << "" << false << false << "Clear All Slots";
        QTest::newRow("one row") << "A"
                                 << "A" << false << true << "Clear Selected Slots";
        QTest::newRow("first row") << "A B C"
                                   << "A" << false << true << "Clear Selected Slots";
        QTest::newRow("middle row") << "A B C"
                                    << "B" << true << true << "Clear Selected Slots";
        QTest::newRow("last row") << "A B C"
                                  << "C" << true << false << "Clear Selected Slots";
        QTest::newRow("two rows") << "A B C"
                                  << "B,C" << false << false << "Clear Selected Slots";
        QTest::newRow("template row only") << "A #B C"
                                           << "B" << false << false << "Clear All Slots";
    }
    void buttonsFollowTheSelection() {
        QFETCH(QString, rows);
        QFETCH(QString, selected);
        auto editor = makeEditor(rows);
        selectProcesses(*editor, selected.split(',', Qt::SkipEmptyParts));
        QTEST(editor->upButton->isEnabled(), "up");
        QTEST(editor->downButton->isEnabled(), "down");
        QTEST(editor->clearSlotsButton->text(), "clearText");
    }

    void aRowSelectedInPartsCountsOnce() {
        auto editor = makeEditor("A B C");
        QAbstractItemModel* model = editor->procList->model();
        selectProcesses(*editor, {"B"});
        QItemSelection parts;
        parts.select(model->index(1, 0), model->index(1, 1));
        parts.select(model->index(1, 2), model->index(1, ColSlot));
        editor->procList->selectionModel()->select(parts, QItemSelectionModel::ClearAndSelect);
        QVERIFY(editor->upButton->isEnabled() && editor->downButton->isEnabled());
    }

    void duplicateAndOutOfRangeSlotsAreMarked() {
        auto editor = makeEditor("A:G:5 B:G:5 C:G:9000 D:G:6 E:G #T:G:2");
        editor->checkForDuplicates();
        QCOMPARE(editor->statusLabel->text(),
                 duplicates + "<p>There are entries out of range (1-4096).");
        for (QString name : {"A", "B", "C", "D", "E", "T"})
            QCOMPARE(processNamed(*editor, name).slotValid, name > "C");
        QCOMPARE(cellOf(*editor, "A").data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
    }

    void markedRowsArePaintedYellowAndDarkRedWhenSelected() {
        auto editor = makeEditor("A:G:5 B:G:5 D:G:6");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->checkForDuplicates();
        editor->procList->clearSelection();
        editor->procList->setCurrentIndex({});
        auto pixel = [&](const QString& name) { // the blank part of the last column
            const QImage image = editor->procList->viewport()->grab().toImage();
            const QRect rect = editor->procList->visualRect(cellOf(*editor, name, ColSlot));
            return image.pixelColor(qMin(rect.right(), image.width() - 1) - 3, rect.center().y());
        };
        QCOMPARE(pixel("A"), QColor(255, 255, 0));
        QVERIFY(pixel("D") != QColor(255, 255, 0));
        editor->procList->selectionModel()->select(
            cellOf(*editor, "A"), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(pixel("A"), QColor(139, 0, 0));
    }

    void mendedSlotsClearTheWarning() {
        auto editor = makeEditor("A:G:5 B:G:5 C:G:9000");
        editor->checkForDuplicates();
        setSlot(*editor, "B", "7");
        setSlot(*editor, "C", "");
        editor->checkForDuplicates();
        QVERIFY(editor->statusLabel->text().isEmpty());
        QVERIFY(processNamed(*editor, "A").slotValid);
    }

    void doubleClickEditsTheSlotOfAFreeRowOnly() {
        auto editor = makeEditor("E:G #T:G:2");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->itemDoubleClicked(cellOf(*editor, "T"));
        QVERIFY(!openEditor(*editor));
        const QRect row = editor->procList->visualRect(cellOf(*editor, "E"));
        const QPoint name(row.left() + 10, row.center().y());
        QTest::mouseClick(editor->procList->viewport(), Qt::LeftButton, {}, name);
        QTest::mouseDClick(editor->procList->viewport(), Qt::LeftButton, {}, name);
        QTRY_VERIFY(openEditor(*editor));
        openEditor(*editor)->setText("7");
        QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        QTRY_COMPARE(slotOf(*editor, "E"), QString("7"));
        QCOMPARE(column(*editor, ColProcess), QString("E,T"));
    }

    void typedSlotInRangeIsChecked() {
        auto editor = makeEditor("A:G:5 E:G");
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        typeSlot(*editor, "E", "5"); // valid, but A has it
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(slotOf(*editor, "E"), QString("5"));
        QCOMPARE(editor->statusLabel->text(), duplicates);
        QCOMPARE(script.seen.size(), 0);
    }

    void typedZeroOrNothingClearsTheSlot_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("zero") << "0";
        QTest::newRow("empty") << "";
    }
    void typedZeroOrNothingClearsTheSlot() {
        QFETCH(QString, typed);
        auto editor = makeEditor("A:G:5 E:G:5");
        editor->checkForDuplicates();
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        typeSlot(*editor, "E", typed);
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(slotOf(*editor, "E"), QString());
        QVERIFY(editor->statusLabel->text().isEmpty()); // checked again
        QCOMPARE(script.seen.size(), 0);
    }

    void typedInvalidSlotWarnsAndReopensTheEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("above the maximum") << "100";
        QTest::newRow("negative") << "-3";
        QTest::newRow("letters") << "abc";
    }
    void typedInvalidSlotWarnsAndReopensTheEdit() {
        QFETCH(QString, typed);
        auto editor = makeEditor("E:G");
        editor->maxSlot = 99;
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        typeSlot(*editor, "E", typed);
        QTRY_COMPARE(script.seen.size(), 1);
        QCOMPARE(script.seen[0].caption, QString("TOLV Output Configuration"));
        QCOMPARE(script.seen[0].text, QString("Valid entries are numbers between 0 and 99"));
        QTRY_VERIFY(openEditor(*editor)); // open again for the correction
        QCOMPARE(openEditor(*editor)->text(), typed);
        QCOMPARE(changed.count(), 0);
    }

    void invalidSlotWarningReopensTheEditOnTheReloadedRow() {
        auto editor = makeEditor("D:G E:G");
        ModalScript script;
        script.answer([&](QDialog&) {
            editor->setProcesses({{"E", "G"}, {"A", "G"}});
            return 0;
        });
        typeSlot(*editor, "E", "abc");
        QTRY_COMPARE(script.seen.size(), 1);
        QTRY_VERIFY(openEditor(*editor));
        openEditor(*editor)->setText("5");
        QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        QTRY_COMPARE(slotOf(*editor, "E"), QString("5"));
        QCOMPARE(slotOf(*editor, "A"), QString());
    }

    void autoNumberGroups_data() {
        QTest::addColumn<int>("choice"); // -1: the proposed one
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected");
        QTest::newRow("offset 10") << -1 << 10 << "1,2,3,11,12,21";
        QTest::newRow("offset 3") << -1 << 3 << "1,2,3,4,5,7";
        QTest::newRow("select group") << int(AutoNumberGroup) << 10 << ",,,11,12,99";
    }
    void autoNumberGroups() {
        QFETCH(int, choice);
        QFETCH(int, offset);
        QFETCH(QString, expected);
        auto editor = makeEditor("A1:G1 A2:G1 A3:G1 B1:G2 B2:G2 C1:G3:99");
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        selectProcesses(*editor, {"B2"});
        editor->procList->clearSelection();
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        const Shown shown = autoNumber(*editor, choice, 1, offset);
        QVERIFY(shown.offsetEnabled);
        QCOMPARE(shown.group, QString("G2")); // the current row's group is proposed
        QCOMPARE(column(*editor, ColSlot), expected);

        // The next opening proposes this run's values; Cancel keeps everything.
        QCOMPARE(autoNumber(*editor, -1, 50, 0, false).offset, offset);
        QCOMPARE(autoNumber(*editor, -1, 1, 0, false).base, 1); // Cancel stored nothing
        QCOMPARE(column(*editor, ColSlot), expected);
        QCOMPARE(changed.count(), 1);
    }

    void autoNumberSelectedRowsByProcess() {
        auto editor = makeEditor("P1:G:40 P2:G P3:G:41 P4:G P5:G");
        selectProcesses(*editor, {"P2", "P4"});
        dialog::lastOffset = 10; // from an earlier run sorted by Group
        const Shown shown = autoNumber(*editor, -1, 20, 0);
        QCOMPARE(shown.choice, int(AutoNumberSelected));
        QVERIFY(!shown.offsetEnabled && shown.offset == 0); // sorted by Process: no group offset
        QCOMPARE(column(*editor, ColSlot), QString("40,20,41,21,"));

        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        const Shown next = autoNumber(*editor, -1, 1, 0, false);
        QVERIFY(next.offsetEnabled && next.offset == 0); // dropped, not kept for later
    }

    void autoNumberTemplateRows() {
        auto editor = makeEditor("A:G1 #B:G1:1 C:G1 #D:G2:2 E:G2");
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder); // A C B E D
        autoNumber(*editor, -1, 1, 10);
        QCOMPARE(column(*editor, ColProcess), QString("A,B,C,D,E"));
        QCOMPARE(column(*editor, ColSlot), QString("1,1,2,2,11"));
        QCOMPARE(editor->statusLabel->text(), duplicates); // template slots are checked too
    }

    void autoNumberPlansTheShortenedListAfterTheDialog() {
        auto editor = makeEditor("A B C D E");
        ModalScript script;
        script.answer([&](QDialog& box) {
            editor->setProcesses({{"B", "G"}, {"A", "G"}}); // reloaded meanwhile
            box.accept();
            return box.result();
        });
        editor->autoNumber();
        QCOMPARE(column(*editor, ColProcess), QString("A,B"));
        QCOMPARE(column(*editor, ColSlot), QString("1,2"));
    }

    void autoNumberSkipsRowsThatBecameTemplateRowsMeanwhile() {
        auto editor = makeEditor("A B C");
        ModalScript script;
        script.answer([&](QDialog& box) {
            editor->setProcesses({{"A", "G"}, {"B", "G"}, {"C", "G"}});
            setSlot(*editor, "A", "7"); // now claimed by a template
            makeTemplateRow(*editor, "A");
            box.accept();
            return box.result();
        });
        editor->autoNumber();
        QCOMPARE(column(*editor, ColSlot), QString("7,1,2"));
    }

    void clearQuestion_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("changes");
        QTest::addColumn<bool>("templatesFreed");
        QTest::newRow("all") << "&All"
                             << ",,,,,,,,," << 1 << true;
        QTest::newRow("non template") << "&Non template assigned"
                                      << ",,,,,,,8,9,10" << 1 << false;
        QTest::newRow("cancel") << "&Cancel"
                                << "1,2,3,4,5,6,7,8,9,10" << 0 << false;
    }
    void clearQuestion() {
        QFETCH(QString, button);
        QFETCH(QString, expected);
        auto editor = makeEditor(tenRows);
        editor->procList->clearSelection(); // with a selection only those rows are cleared
        ModalScript script;
        script.clickButton(button);
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->clearSlots();
        QCOMPARE(script.seen.size(), 1);
        QCOMPARE(script.seen[0].text, clearQuestionText(10, 3, 7));
        QCOMPARE(script.seen[0].buttons.join(','), QString("&All,&Non template assigned,&Cancel"));
        QCOMPARE(column(*editor, ColSlot), expected);
        QTEST(int(changed.count()), "changes");
        QTEST(processNamed(*editor, "P9").free, "templatesFreed");
    }

    void clearWithASelectionClearsOnlyTheSelectedRows() {
        auto editor = makeEditor("A:G:1 B:G:2 C:G:3");
        editor->procList->clearSelection();
        selectProcesses(*editor, {"A", "C"});
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->clearSlots();
        QCOMPARE(script.seen.size(), 0);
        QCOMPARE(column(*editor, ColSlot), QString(",2,"));
        QCOMPARE(changed.count(), 1);
    }

    void pasteGroupQuestion_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ignore groups") << "&Ignore Groups" << 1 << "1,7,8,9,5,6,7,8,9,10";
        QTest::newRow("skip") << "&Skip" << 2 << "1,2,8,4,5,6,7,8,9,10";
        // P2 comes before the question; a cancel keeps it, as a change
        QTest::newRow("cancel") << "&Cancel" << 1 << "1,2,8,4,5,6,7,8,9,10";
    }
    void pasteGroupQuestion() {
        QFETCH(QString, button);
        QFETCH(QString, expected);
        auto editor = makeEditor(tenRows);
        QApplication::clipboard()->setText("P2\tG\t8\nP1\tH\t7\nP3\tH\t9"); // H: another group
        ModalScript script;
        script.clickButton(button);
        script.clickButton(button);
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->pasteData();
        QTEST(int(script.seen.size()), "asked");
        QCOMPARE(script.seen[0].caption, QString("TOLV Output"));
        QCOMPARE(script.seen[0].text, QString("Process P1 is not a member\ngroup H"));
        QCOMPARE(script.seen[0].buttons.join(','), QString("&Ignore Groups,&Skip,&Cancel"));
        QCOMPARE(column(*editor, ColSlot), expected);
        QCOMPARE(changed.count(), 1);
    }

    void pasteAfterAReloadWritesTheRowsFoundByName() {
        auto editor = makeEditor("P1:G P2:G");
        QApplication::clipboard()->setText("P1\tH\t7\nP2\tG\t8");
        ModalScript script;
        script.answer([&](QDialog& box) {
            editor->setProcesses({{"P2", "G"}, {"P0", "G"}, {"P1", "G"}});
            clickButton(box, "&Ignore Groups");
            return 0;
        });
        editor->pasteData();
        QCOMPARE(script.seen.size(), 1);
        QCOMPARE(column(*editor, ColProcess), QString("P0,P1,P2"));
        QCOMPARE(column(*editor, ColSlot), QString(",7,8"));
    }

    // Each question the editor asks, answered while the editor is made read-only
    // (the answer changes nothing) or deleted (nothing touches it afterwards).
    void answerToAnEditorMadeReadOnlyOrDeleted_data() {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("button"); // empty: the dialog is accepted
        QTest::addColumn<bool>("deleted");
        for (const bool deleted : {false, true}) {
            const char* how = deleted ? "deleted" : "read-only";
            QTest::addRow("auto-number, %s", how) << "auto-number" << QString() << deleted;
            QTest::addRow("paste, %s", how) << "paste"
                                            << "&Ignore Groups" << deleted;
            QTest::addRow("clear, %s", how) << "clear"
                                            << "&All" << deleted;
            QTest::addRow("invalid slot, %s", how) << "invalid slot" << QString() << deleted;
        }
    }
    void answerToAnEditorMadeReadOnlyOrDeleted() {
        QFETCH(QString, question);
        QFETCH(QString, button);
        QFETCH(bool, deleted);
        auto editor = makeEditor("P1:G:1 P2:G:2");
        QPointer<dialog> watch = editor.get();
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        ModalScript script;
        script.answer([&](QDialog& box) {
            if (button.isEmpty())
                box.accept();
            else
                clickButton(box, button);
            const int result = box.result();
            if (deleted)
                editor.reset();
            else
                editor->setEnabled(false);
            return result;
        });
        if (question == "auto-number") {
            watch->autoNumber();
        } else if (question == "paste") {
            QApplication::clipboard()->setText("P1\tH\t7\nP2\tG\t8");
            watch->pasteData();
        } else if (question == "clear") {
            watch->procList->clearSelection();
            watch->clearSlots();
        } else {
            typeSlot(*watch, "P1", "abc");
        }
        QTRY_COMPARE(script.seen.size(), 1);
        if (deleted) {
            QTRY_VERIFY(!watch);
            return;
        }
        QCOMPARE(column(*editor, ColSlot), QString("1,2")); // a refused entry is not kept
        QCOMPARE(changed.count(), 0);
        QVERIFY(!openEditor(*editor));
    }

    void copyTakesTheSelectedRowsInDisplayOrder() {
        auto editor = makeEditor("P1:G:3 P2:G P3:G:9 #P4:G:1");
        selectProcesses(*editor, {"P2", "P1"});
        editor->copyData();
        QCOMPARE(QApplication::clipboard()->text(), QString("P1\tG\t3\nP2\tG\t"));
        QVERIFY(editor->paste->isEnabled());
    }

    void ownCopyPastesBackUnchanged() {
        auto editor = makeEditor("P1::3 P2:G P3 P4:G:4");
        editor->procList->selectAll();
        editor->copyData();
        QVERIFY(editor->paste->isEnabled()); // the first row has no group
        editor->editRows([](int, ProcessRow& row) { row.slot = "9"; });
        ModalScript script;
        editor->pasteData();
        QCOMPARE(column(*editor, ColSlot), QString("3,9,9,4")); // no slot: the line is skipped
        QCOMPARE(
            script.seen.value(0).text, // no group question: an empty group is the row's own
            QString(
                "These lines were not pasted:\n\tP2\tG\t: no slot field\n\tP3\t\t: no slot field"));
    }

    void pasteSkipsUnknownNamesAndTemplateRows() {
        auto editor = makeEditor("P1:G:3 P2:G P3:G:9 #P4:G:1");
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        QApplication::clipboard()->setText(
            "P1\tG\t10\r\nNOPE\tG\t8\r\nP2\tG\t11\r\nP4\tG\t12\r\nP3\tG\t4097\r\n");
        editor->paste->click();
        QCOMPARE(column(*editor, ColSlot), QString("10,11,9,1")); // no CR left in a slot
        QCOMPARE(script.seen.value(0).text,
                 QString("These lines were not pasted:\n\tNOPE: no such process\n\tP4: a "
                         "template row\n\tP3: not a slot between 0 and 4096"));
        QCOMPARE(changed.count(), 1);
    }

    void pasteIsRefusedWhenTheFirstLineHasTwoFields() {
        auto editor = makeEditor("P1:G:3 P2:G");
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        QApplication::clipboard()->setText("P1\tG\nP2\tG\t7");
        QVERIFY(!editor->paste->isEnabled());
        editor->pasteData(); // the shortcut reaches the slot even so
        QCOMPARE(column(*editor, ColSlot), QString("3,"));
        QCOMPARE(changed.count(), 0);
    }

    void aNewEditorLooksAtTheClipboard() {
        QApplication::clipboard()->setText("P1\tG\t5");
        QVERIFY(dialog(nullptr).paste->isEnabled());
        QApplication::clipboard()->setText("P1\tG");
        QVERIFY(!dialog(nullptr).paste->isEnabled());
    }

    void refreshLimits() {
        FakeDocuments documents;
        dialog editor(&documents);
        editor.maxSlot = 10;
        editor.infodriverNumber->setMaximum(20);
        editor.refreshLimits(); // no system document: the limits stay
        QCOMPARE(std::pair(editor.maxSlot, editor.infodriverNumber->maximum()), std::pair(10, 20));
        Document_TolvSystem system; // built-in values 4096 and 999
        documents.system = &system;
        editor.refreshLimits();
        QCOMPARE(std::pair(editor.maxSlot, editor.infodriverNumber->maximum()),
                 std::pair(4096, 999));
        dialog(nullptr).refreshLimits(); // no interface at all: nothing to ask
    }

    void columnLayout() {
        const QString longName(60, QChar('W'));
        {
            auto editor = makeEditor(longName + ":G");
            // nothing stored: the columns fit their contents
            QVERIFY(editor->procList->columnWidth(ColProcess) >=
                    editor->procList->fontMetrics().horizontalAdvance(longName));
            editor->procList->header()->resizeSection(ColProcess, 123);
        } // closing saves the layout
        const QString stored = readControlSetting("Home/Alarms/Outputs/Tolv Output/ProcList");
        QCOMPARE(stored.section(',', 1, 1), QString("123"));
        auto editor = makeEditor(longName + ":G");
        QCOMPARE(editor->procList->columnWidth(ColProcess), 123); // the stored width: no room
        editor->resize(3000, 400);
        editor->show();
        editor->setProcesses({{longName, "G"}}); // room beside the slot column: not cut
        QVERIFY(editor->procList->columnWidth(ColProcess) > 123);
    }
};

QTEST_MAIN(tst_proclist)
#include "tst_proclist.moc"
