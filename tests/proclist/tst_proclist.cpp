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

static QLineEdit* openEditor(const dialog& editor) {
    return editor.procList->viewport()->findChild<QLineEdit*>();
}

// What the auto-number dialog showed.
struct Shown {
    bool offsetEnabled = false;
    int choice = -1, base = 0, offset = 0;
    QString group;
    int boxes = 0; // shown after the dialog
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
    shown.boxes = int(script.seen.size()) - 1;
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

    // Locale-aware text, then the slot number ascending; equal keys keep their places.
    void sortOrder_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("expected");
        const QString five = "C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100";
        auto row = [](const char* name, const QString& rows, int col, bool down,
                      const char* expected) {
            QTest::newRow(name) << rows << col << down << expected;
        };
        row("as loaded", five, ColProcess, false, "A,B,C,D,E");
        row("slot: empty first, 9 before 10", five, ColSlot, false, "C,E,B,A,D");
        row("group: ties by slot", five, ColGroup, false, "E,B,D,C,A");
        row("group descending: ties by slot ascending", five, ColGroup, true, "C,A,E,B,D");
        row("equal keys keep their order", "D:G1 B:G2 A:G1 C:G2", ColGroup, false, "A,D,B,C");
        row("equal keys keep their order, descending", "D:G1 B:G2 A:G1 C:G2", ColGroup, true,
            "B,C,A,D");
    }
    void sortOrder() {
        QFETCH(int, sortColumn);
        QFETCH(bool, descending);
        QFETCH(QString, rows);
        auto editor = makeEditor(rows);
        editor->procList->sortByColumn(sortColumn,
                                       descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QTEST(processColumn(*editor, ColProcess), "expected");
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
        QCOMPARE(processColumn(*editor, ColProcess), QString("E,D,B,C,A"));
        editor->moveProcUp();
        editor->moveProcUp();
        QCOMPARE(processColumn(*editor, ColProcess), QString("E,C,D,B,A"));
        QCOMPARE(editor->currentProcess() + "|" + selectedProcesses(*editor), QString("C|C"));
        QVERIFY(!editor->sortActive);
    }

    void headerClickAfterAMoveSortsInTheSavedOrder() {
        auto editor = makeEditor("C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100");
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        editor->procList->sortByColumn(ColProcess, Qt::DescendingOrder);
        selectProcesses(*editor, {"C"});
        editor->moveProcUp(); // E,C,D,B,A
        QWidget* header = editor->procList->header()->viewport();
        const QPoint group(editor->procList->header()->sectionViewportPosition(ColGroup) + 5, 5);
        QTest::mouseClick(header, Qt::LeftButton, {}, group);
        QCOMPARE(editor->procList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(processColumn(*editor, ColProcess),
                 QString("C,A,E,B,D"));                       // ties by slot ascending
        QTest::mouseClick(header, Qt::LeftButton, {}, group); // sorted again: reverses as usual
        QCOMPARE(processColumn(*editor, ColProcess), QString("E,B,D,C,A"));
    }

    void buttonsFollowTheSelection_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>(
            "selected"); // the first is the current row; "parts": B in two ranges
        QTest::addColumn<QString>("enabled"); // up, down, and the Clear button's text
        auto row = [](const char* name, const char* rows, const char* selected,
                      const char* enabled) { QTest::newRow(name) << rows << selected << enabled; };
        row("nothing selected", "A B C", "", "--Clear All Slots");
        row("one row", "A", "A", "-vClear Selected Slots");
        row("first row", "A B C", "A", "-vClear Selected Slots");
        row("middle row", "A B C", "B", "^vClear Selected Slots");
        row("last row", "A B C", "C", "^-Clear Selected Slots");
        row("two rows", "A B C", "B,C", "--Clear Selected Slots");
        row("template row only", "A #B C", "B", "--Clear All Slots");
        row("a row selected in parts counts once", "A B C", "parts", "^vClear Selected Slots");
    }
    void buttonsFollowTheSelection() {
        QFETCH(QString, rows);
        QFETCH(QString, selected);
        auto editor = makeEditor(rows);
        selectProcesses(*editor, selected == "parts" ? QStringList{"B"}
                                                     : selected.split(',', Qt::SkipEmptyParts));
        if (selected == "parts") {
            QAbstractItemModel* model = editor->procList->model();
            QItemSelection parts(model->index(1, 0), model->index(1, 1));
            parts.select(model->index(1, 2), model->index(1, ColSlot));
            editor->procList->selectionModel()->select(parts, QItemSelectionModel::ClearAndSelect);
        }
        QTEST(QString(editor->upButton->isEnabled() ? "^" : "-") +
                  (editor->downButton->isEnabled() ? "v" : "-") + editor->clearSlotsButton->text(),
              "enabled");
    }

    void duplicateAndOutOfRangeSlotsAreMarkedUntilMended() {
        auto editor = makeEditor("A:G:5 B:G:5 C:G:9000 D:G:6 E:G #T:G:2");
        editor->checkForDuplicates();
        QCOMPARE(editor->statusLabel->text(),
                 duplicates + "<p>There are entries out of range (1-4096).");
        for (QString name : {"A", "B", "C", "D", "E", "T"})
            QCOMPARE(processNamed(*editor, name).slotValid, name > "C");
        QCOMPARE(cellOf(*editor, "A").data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        setSlot(*editor, "B", "7");
        setSlot(*editor, "C", "");
        editor->checkForDuplicates();
        QVERIFY(editor->statusLabel->text().isEmpty());
        QVERIFY(processNamed(*editor, "A").slotValid);
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

    // A double click opens the slot edit of a free row whose name a module file
    // can hold; for a name it cannot hold, a box names the row instead.
    void doubleClickEditsTheSlotOfAFreeRowOnly_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opens");
        QTest::newRow("free row") << "E" << true;
        QTest::newRow("template row") << "T" << false;
        for (const char* name : {"=A", " C ", "X=Y"})
            QTest::newRow(name) << name << false;
    }
    void doubleClickEditsTheSlotOfAFreeRowOnly() {
        QFETCH(QString, name);
        QFETCH(bool, opens);
        auto editor = makeEditor("");
        editor->setProcesses({{"E", "G"}, {"T", "G"}, {"=A", "G"}, {" C ", "G"}, {"X=Y", "G"}});
        makeTemplateRow(*editor, "T");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        ModalScript script;
        const QRect row = editor->procList->visualRect(cellOf(*editor, name));
        const QPoint point(row.left() + 10, row.center().y());
        QTest::mouseClick(editor->procList->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(editor->procList->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(bool(openEditor(*editor)), opens);
        QCOMPARE(script.seen.value(0).text.endsWith("cannot hold their names (an \"=\" or blanks "
                                                    "at an end):\n\t" +
                                                    name),
                 !opens && name != "T"); // one box names the row
        if (!opens)
            return;
        openEditor(*editor)->setText("7");
        QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        QTRY_COMPARE(slotOf(*editor, "E"), QString("7"));
    }

    // An entry committed in the slot cell: in range it is taken (and checked), 0 or
    // nothing clears the slot, anything else is refused with a box and edited again.
    void typedSlot_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("slot"); // E's slot afterwards
        QTest::addColumn<QString>("status");
        QTest::newRow("in range, A has it") << "5"
                                            << "5" << duplicates;
        QTest::newRow("zero") << "0"
                              << ""
                              << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        for (const char* refused : {"100", "-3", "abc"})
            QTest::newRow(refused) << refused << "5" << duplicates;
    }
    void typedSlot() {
        QFETCH(QString, typed);
        QFETCH(QString, slot);
        auto editor = makeEditor("A:G:5 E:G:5");
        editor->maxSlot = 99;
        editor->checkForDuplicates();
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        typeSlot(*editor, "E", typed);
        const bool refused = slot != typed && !slot.isEmpty();
        QTRY_COMPARE(int(changed.count() + script.seen.size()), 1);
        QCOMPARE(slotOf(*editor, "E"), slot);
        QTEST(editor->statusLabel->text(), "status"); // checked again
        QCOMPARE(script.seen.value(0).caption + script.seen.value(0).text,
                 refused ? "TOLV Output ConfigurationValid entries are numbers between 0 and 99"
                         : "");
        QTRY_COMPARE(openEditor(*editor) ? openEditor(*editor)->text() : "-",
                     refused ? typed : "-");
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

    // Auto-numbering by the sort in force; run twice with the same settings it
    // gives the same slots, and a row whose name a module file cannot hold gets none.
    void autoNumberByTheSort_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("descending"); // the Group column's sort
        QTest::addColumn<int>("choice");      // -1: the proposed one
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected"); // the slots in Process order
        const QString groups = "A1:G1 A2:G1 A3:G1 B1:G2 B2:G2 C1:G3:99";
        auto row = [](const char* name, const QString& rows, bool down, int choice, int offset,
                      const char* expected) {
            QTest::newRow(name) << rows << down << choice << offset << expected;
        };
        row("offset 10", groups, false, -1, 10, "1,2,3,11,12,21");
        row("offset 3", groups, false, -1, 3, "1,2,3,4,5,7");
        row("one group", groups, false, int(AutoNumberGroup), 10, ",,,11,12,99");
        row("descending", groups, true, -1, 10, "21,22,23,11,12,1");
        row("template rows keep theirs", "A:G1 #B:G1:1 C:G1 #D:G2:2 E:G2", false, -1, 10,
            "1,1,2,2,11");
        row("names a module file cannot hold", "=A:G1 B:G1 X=Y:G1 C:G2", false, -1, 10, ",1,11,");
    }
    void autoNumberByTheSort() {
        QFETCH(QString, rows);
        QFETCH(int, choice);
        QFETCH(int, offset);
        QFETCH(QString, expected);
        QFETCH(bool, descending);
        const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
        auto editor = makeEditor(rows);
        editor->procList->sortByColumn(ColGroup, order);
        if (rows.contains("B2:"))
            selectProcesses(*editor, {"B2"}); // its group is proposed
        editor->procList->clearSelection();
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        for (int run = 1; run <= 2; ++run) {
            const Shown shown = autoNumber(*editor, choice, 1, offset);
            editor->procList->sortByColumn(ColProcess, Qt::AscendingOrder);
            QCOMPARE(processColumn(*editor, ColSlot), expected);
            QCOMPARE(shown.boxes, rows.contains('=') ? 1 : 0); // one box names them
            editor->procList->sortByColumn(ColGroup, order);
        }
        QCOMPARE(changed.count(), 2);
        QCOMPARE(editor->statusLabel->text(), rows.contains('#') ? duplicates : QString());
    }

    // What the dialog proposes: the current row's group, the last run's values, the
    // selection when more than one row is selected; the group offset only when
    // sorted by Group. Cancel keeps everything.
    void autoNumberDialogProposes() {
        auto editor = makeEditor("P1:G:40 P2:G P3:G:41 P4:H P5:H");
        selectProcesses(*editor, {"P4", "P2"});
        dialog::lastOffset = 10; // from an earlier run sorted by Group
        const Shown shown = autoNumber(*editor, -1, 20, 0);
        QCOMPARE(shown.choice, int(AutoNumberSelected));
        QCOMPARE(shown.group, QString("H"));
        QVERIFY(!shown.offsetEnabled && shown.offset == 0); // sorted by Process: no group offset
        QCOMPARE(processColumn(*editor, ColSlot), QString("40,20,41,21,"));
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        Shown next = autoNumber(*editor, -1, 30, 7, false);
        QVERIFY(next.offsetEnabled && next.offset == 0 &&
                next.base == 20); // the offset was dropped
        next = autoNumber(*editor, -1, 1, 0, false);
        QVERIFY(next.offset == 0 && next.base == 20);                       // Cancel stored nothing
        QCOMPARE(processColumn(*editor, ColSlot), QString("20,40,41,,21")); // by Group, then slot
    }

    // The plan is made from the rows as they are when the dialog closes.
    void autoNumberAfterTheListChangedMeanwhile_data() {
        QTest::addColumn<bool>("claimA"); // else the list is reloaded shorter
        QTest::addColumn<QString>("expected");
        QTest::newRow("shortened list") << false << "A,B:1,2";
        QTest::newRow("a row became a template row") << true << "A,B,C:7,1,2";
    }
    void autoNumberAfterTheListChangedMeanwhile() {
        QFETCH(bool, claimA);
        auto editor = makeEditor("A B C D E");
        ModalScript script;
        script.answer([&](QDialog& box) {
            if (claimA) {
                editor->setProcesses({{"A", "G"}, {"B", "G"}, {"C", "G"}});
                setSlot(*editor, "A", "7");
                makeTemplateRow(*editor, "A");
            } else {
                editor->setProcesses({{"B", "G"}, {"A", "G"}});
            }
            box.accept();
            return box.result();
        });
        editor->autoNumber();
        QTEST(processColumn(*editor, ColProcess) + ":" + processColumn(*editor, ColSlot),
              "expected");
    }

    void clearQuestion_data() {
        QTest::addColumn<QString>("button"); // none: rows A and C are selected, nothing is asked
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("templatesFreed");
        auto row = [](const char* button, const char* expected, bool freed) {
            QTest::newRow(button) << button << expected << freed;
        };
        row("&All", ",,,,,,,,,", true);
        row("&Non template assigned", ",,,,,,,8,9,10", false);
        row("&Cancel", "1,2,3,4,5,6,7,8,9,10", false);
        row("", ",2,,4,5,6,7,8,9,10", false);
    }
    void clearQuestion() {
        QFETCH(QString, button);
        QFETCH(QString, expected);
        auto editor = makeEditor(tenRows);
        editor->procList->clearSelection(); // with a selection only those rows are cleared
        if (button.isEmpty())
            selectProcesses(*editor, {"P0", "P2"});
        ModalScript script;
        script.clickButton(button);
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->clearSlots();
        QCOMPARE(script.seen.size(), button.isEmpty() ? 0 : 1);
        QCOMPARE(script.seen.value(0).text + script.seen.value(0).buttons.join(','),
                 button.isEmpty()
                     ? ""
                     : clearQuestionText(10, 3, 7) + "&All,&Non template assigned,&Cancel");
        QCOMPARE(processColumn(*editor, ColSlot), expected);
        QCOMPARE(int(changed.count()), button == "&Cancel" ? 0 : 1);
        QTEST(processNamed(*editor, "P9").free, "templatesFreed");
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
        QTEST(processColumn(*editor, ColSlot), "expected");
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
        QCOMPARE(processColumn(*editor, ColProcess) + ":" + processColumn(*editor, ColSlot),
                 QString("P0,P1,P2:,7,8"));
    }

    void answerToAnEditorMadeReadOnlyOrDeleted_data() {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("button"); // empty: the dialog is accepted
        QTest::addColumn<bool>("deleted");
        const char* const questions[][2] = {{"auto-number", ""},
                                            {"paste", "&Ignore Groups"},
                                            {"clear", "&All"},
                                            {"invalid slot", ""}};
        for (const bool deleted : {false, true})
            for (const auto& [question, button] : questions)
                QTest::addRow("%s, %s", question, deleted ? "deleted" : "read-only")
                    << question << button << deleted;
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
            button.isEmpty() ? box.accept() : clickButton(box, button);
            const int result = box.result();
            deleted ? editor.reset() : editor->setEnabled(false);
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
        QCOMPARE(processColumn(*editor, ColSlot), QString("1,2")); // a refused entry is not kept
        QCOMPARE(changed.count(), 0);
        QVERIFY(!openEditor(*editor));
    }

    // What a paste takes, and the one box that lists what it left out and why; a
    // clipboard whose first line has no slot field is no paste at all.
    void pasteLeavesOutWhatItCannotTake_data() {
        QTest::addColumn<QString>("clipboard"); // empty: the editor's own copy of P2 and P1
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("skipped"); // empty: nothing changes
        auto row = [](const char* name, const char* clipboard, const char* expected,
                      const char* skipped) {
            QTest::newRow(name) << clipboard << expected << skipped;
        };
        row("own copy", "", "3,9,9,4", "\tP2\tG\t: no slot field");
        row("unknown, template rows, out of range",
            "P1\t\t10\r\nNOPE\tG\t8\r\nP2\tG\t11\r\nP4\tG\t12\r\nP3\tG\t4097\r\n", "10,11,9,4",
            "\tNOPE: no such process\n\tP4: a template row\n\tP3: not a slot between 0 and 4096");
        row("first line without a slot", "P1\tG\nP2\tG\t7", "9,9,9,4", "");
    }
    void pasteLeavesOutWhatItCannotTake() {
        QFETCH(QString, clipboard);
        QFETCH(QString, skipped);
        auto editor = makeEditor("P1::3 P2:G P3 #P4:G:4");
        QApplication::clipboard()->setText(clipboard);
        if (clipboard.isEmpty()) {
            selectProcesses(*editor, {"P2", "P1", "P4"});
            editor->copyData(); // in display order; a row without a slot, a line without one
            QCOMPARE(QApplication::clipboard()->text(), QString("P1\t\t3\nP2\tG\t"));
        }
        editor->editRows([](int, ProcessRow& row) { row.slot = row.free ? "9" : row.slot; });
        QCOMPARE(editor->paste->isEnabled(), !skipped.isEmpty());         // the first line decides
        QCOMPARE(dialog(nullptr).paste->isEnabled(), !skipped.isEmpty()); // a new editor looks too
        ModalScript script; // no group question: an empty group is the row's own
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->pasteData(); // the shortcut reaches the slot even when the button is off
        QTEST(processColumn(*editor, ColSlot), "expected"); // no CR left in a slot
        QCOMPARE(script.seen.value(0).text,
                 skipped.isEmpty() ? "" : "These lines were not pasted:\n" + skipped);
        QCOMPARE(changed.count(), skipped.isEmpty() ? 0 : 1);
    }

    // Find moves the current row to the first process whose name holds the text,
    // Enter to the next (round to the top again); it hides no row.
    void findMovesTheCurrentRow() {
        auto editor = makeEditor("Pump1 Fan1 pump2 Valve #PumpT");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->procList->setFocus();
        QTest::keyClick(editor.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(editor->findField->hasFocus());
        QStringList visited; // the current row after each key
        for (const Qt::Key key :
             {Qt::Key_U, Qt::Key_M, Qt::Key_Return, Qt::Key_Return, Qt::Key_Return})
            QTest::keyClick(editor->findField, key), visited << editor->currentProcess();
        QCOMPARE(visited.join(','), QString("Pump1,Pump1,PumpT,pump2,Pump1"));
        QCOMPARE(selectedProcesses(*editor), QString("Pump1")); // a template row is not selected
        for (int row = 0; row < editor->rowCount(); ++row)
            QVERIFY(!editor->procList->isRowHidden(row, {}));
    }

    void refreshLimits() {
        FakeDocuments documents;
        dialog editor(&documents);
        auto limits = [&] { return std::pair(editor.maxSlot, editor.infodriverNumber->maximum()); };
        editor.maxSlot = 10;
        editor.infodriverNumber->setMaximum(20);
        editor.refreshLimits(); // no system document: the limits stay
        QCOMPARE(limits(), std::pair(10, 20));
        Document_TolvSystem system; // built-in values 4096 and 999
        documents.system = &system;
        editor.refreshLimits();
        QCOMPARE(limits(), std::pair(4096, 999));
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
