// The process list editor through its widgets: what they add to the slot rules.
#include "common/fixture.h"
#include "core/slot_rules.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/control_geometry.h"

#include <QAbstractItemModelTester>
#include <QtWidgets>

// The fixture: an editor holding the rows "name:group:slot", sorted by Process;
// a leading '#' marks a row claimed by a template (Dev Type set, not selectable).
static std::unique_ptr<dialog> makeEditor(const QString& table) {
    auto editor = std::make_unique<dialog>(nullptr);
    new QAbstractItemModelTester(editor->procList->model(), // checks every change the model signals
                                 QAbstractItemModelTester::FailureReportingMode::QtTest,
                                 editor.get());
    QVector<ProcessDefinition> definitions;
    QHash<QString, QString> entries;
    for (const QString& row : table.split(' ', Qt::SkipEmptyParts)) {
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

// Opens the real auto-number dialog from the editor and answers it (a choice of -1 keeps the
// proposed one). What it proposed: "offset enabled,choice,base,offset,group", then boxes after.
static QString autoNumber(dialog& editor, int choice, int base, int offset, bool accept = true) {
    QStringList shown;
    ModalScript script;
    script.answer([&](QDialog& dialog) {
        auto* box = &dynamic_cast<autoNumberDialog&>(dialog);
        for (const int value : {int(box->spinOffset->isEnabled()), box->selectGroup->checkedId(),
                                box->spinBase->value(), box->spinOffset->value()})
            shown << QString::number(value);
        shown << box->comboGroup->currentText();
        if (choice >= 0)
            box->selectGroup->button(choice)->setChecked(true);
        box->spinBase->setValue(base);
        box->spinOffset->setValue(offset);
        (accept ? box->buttonOk : box->buttonCancel)->click();
        return box->result();
    });
    editor.autoNumber();
    return (shown << QString::number(script.seen.size() - 1)).join(',');
}

const QString duplicates = "<h1>Warning</h1>\nThere are duplicates.";
const QString tenRows = "P0:G:1 P1:G:2 P2:G:3 P3:G:4 P4:G:5 P5:G:6 P6:G:7 #P7:G:8 #P8:G:9 #P9:G:10";

class tst_proclist : public QObject {
    Q_OBJECT
    std::unique_ptr<ScopedSettings> settings;

private slots:
    void init() {
        settings = std::make_unique<ScopedSettings>();
        dialog::lastBase = 1;
        dialog::lastOffset = 0;
    }

    // Slots sort as numbers, empty first (equal keys keep their order both ways: the group sorts
    // of the auto-numbering). A move keeps the row current and ends the sort; a header click then
    // sorts in the order saved at the move (ties by slot ascending), a second reverses.
    void movingKeepsTheRowCurrentUntilAHeaderClickSorts() {
        auto editor = makeEditor("C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100");
        editor->procList->sortByColumn(ColSlot, Qt::AscendingOrder);
        QCOMPARE(processColumn(*editor, ColProcess), QString("C,E,B,A,D"));
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
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
        QWidget* header = editor->procList->header()->viewport();
        const QPoint group(editor->procList->header()->sectionViewportPosition(ColGroup) + 5, 5);
        QTest::mouseClick(header, Qt::LeftButton, {}, group);
        QCOMPARE(editor->procList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(processColumn(*editor, ColProcess), QString("C,A,E,B,D"));
        QTest::mouseClick(header, Qt::LeftButton, {}, group);
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
            QItemSelection parts(cellOf(*editor, "B"), cellOf(*editor, "B", 1));
            parts.select(cellOf(*editor, "B", 3), cellOf(*editor, "B", ColSlot));
            editor->procList->selectionModel()->select(parts, QItemSelectionModel::ClearAndSelect);
        }
        QTEST(QString(editor->upButton->isEnabled() ? "^" : "-") +
                  (editor->downButton->isEnabled() ? "v" : "-") + editor->clearSlotsButton->text(),
              "enabled");
    }

    // Marked rows are red, their blank part yellow (dark red when selected).
    void duplicateAndOutOfRangeSlotsAreMarkedUntilMended() {
        auto editor = makeEditor("A:G:5 B:G:5 C:G:9000 D:G:6 E:G #T:G:2");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->checkForDuplicates();
        QCOMPARE(editor->statusLabel->text(),
                 duplicates + "<p>There are entries out of range (1-4096).");
        for (QString name : {"A", "B", "C", "D", "E", "T"})
            QCOMPARE(processNamed(*editor, name).slotValid, name > "C");
        QCOMPARE(cellOf(*editor, "A").data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
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
        setSlot(*editor, "B", "7");
        setSlot(*editor, "C", "");
        editor->checkForDuplicates();
        QVERIFY(editor->statusLabel->text().isEmpty());
        QVERIFY(processNamed(*editor, "A").slotValid);
    }

    // A double click opens the slot edit of a free row whose name a module file can
    // hold (else a box names the row); an entry out of range is refused, edited again.
    void slotEditedAfterADoubleClick_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after"); // E's slot, the status and the box
        auto row = [](const char* tag, const char* name, const char* typed, const QString& after) {
            QTest::newRow(tag) << name << typed << after;
        };
        row("in range", "E", "5", "5|" + duplicates + "|");
        row("nothing", "E", "", "||");
        row("above the highest", "E", "100", "6||Valid entries are numbers between 0 and 99");
        row("template row", "T", "", "6||");
        for (const char* name : {"=A", "\tC\t", "X=Y"})
            row(name, name, "",
                "6||These processes cannot get a slot: a module file cannot hold their names (an "
                "\"=\" or blanks at an end):\n\t" +
                    QString(name));
    }
    void slotEditedAfterADoubleClick() {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        auto editor = makeEditor("E:G:6 A:G:5 #T:G =A:G \tC\t:G X=Y:G");
        editor->maxSlot = 99;
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        ModalScript script;
        const QRect row = editor->procList->visualRect(cellOf(*editor, name));
        const QPoint point(row.left() + 10, row.center().y());
        QTest::mouseClick(editor->procList->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(editor->procList->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(openEditor(*editor) != nullptr, name == "E");
        if (openEditor(*editor)) {
            openEditor(*editor)->setText(typed);
            QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        }
        QTRY_COMPARE(slotOf(*editor, "E") + '|' + editor->statusLabel->text() + '|' +
                         script.seen.value(0).text,
                     after);
        QTRY_COMPARE(openEditor(*editor) ? openEditor(*editor)->text() : "",
                     script.seen.isEmpty() ? "" : typed);
    }

    // Auto-numbering by the sort in force; run twice with the same settings it
    // gives the same slots, and a row whose name a module file cannot hold gets none.
    void autoNumberByTheSort_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("descending");  // the Group column's sort
        QTest::addColumn<int>("choice");       // -1: the proposed one; the group offset is 10
        QTest::addColumn<QString>("expected"); // the slots in Process order
        const QString groups = "A1:G1 A2:G1 A3:G1 B1:G2 B2:G2 C1:G3:99";
        auto row = [](const char* name, const QString& rows, bool down, int choice,
                      const char* expected) {
            QTest::newRow(name) << rows << down << choice << expected;
        };
        row("offset 10", groups, false, -1, "1,2,3,11,12,21");
        row("one group", groups, false, int(AutoNumberGroup), ",,,11,12,99");
        row("descending", groups, true, -1, "21,22,23,11,12,1");
        row("names a module file cannot hold", "=A:G1 B:G1 X=Y:G1 C:G2", false, -1, ",1,11,");
    }
    void autoNumberByTheSort() {
        QFETCH(QString, rows);
        QFETCH(int, choice);
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
            const QString shown = autoNumber(*editor, choice, 1, 10);
            editor->procList->sortByColumn(ColProcess, Qt::AscendingOrder);
            QCOMPARE(processColumn(*editor, ColSlot), expected);
            QCOMPARE(shown.back(), rows.contains('=') ? '1' : '0'); // one box names them
            editor->procList->sortByColumn(ColGroup, order);
        }
        QCOMPARE(changed.count(), 2);
        QCOMPARE(editor->statusLabel->text(), QString());
    }

    // The dialog proposes the current row's group, the last values, the selection of
    // more rows; the group offset only when sorted by Group.
    void autoNumberDialogProposes() {
        auto editor = makeEditor("P1:G:40 P2:G P3:G:41 P4:H P5:H");
        selectProcesses(*editor, {"P4", "P2"});
        dialog::lastOffset = 10; // from an earlier run sorted by Group
        QCOMPARE(autoNumber(*editor, -1, 20, 0), QString("0,1,1,0,H,0")); // by Process: no offset
        QCOMPARE(processColumn(*editor, ColSlot), QString("40,20,41,21,"));
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        QCOMPARE(autoNumber(*editor, -1, 30, 7, false), QString("1,1,20,0,H,0")); // offset dropped
        QCOMPARE(autoNumber(*editor, -1, 1, 0, false), QString("1,1,20,0,H,0"));  // Cancel
        QCOMPARE(processColumn(*editor, ColSlot), QString("20,40,41,,21")); // by Group, then slot
    }

    // The questions of Clear and Paste and what each answer does (P7..P9 are template
    // rows; selected rows are cleared without a question).
    void questionAnswered_data() {
        QTest::addColumn<QString>("operation"); // the editor's slot
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("expected"); // the slots, and whether P9 is free now
        auto row = [](const char* operation, const char* button, int asked, const char* expected) {
            QTest::addRow("%s, %s", operation, button) << operation << button << asked << expected;
        };
        row("clearSlots", "&All", 1, ",,,,,,,,,|1");
        row("clearSlots", "&Non template assigned", 1, ",,,,,,,8,9,10|0");
        row("clearSlots", "&Cancel", 1, "1,2,3,4,5,6,7,8,9,10|0");
        row("clearSlots", "", 0, ",2,,4,5,6,7,8,9,10|0");
        row("pasteData", "&Ignore Groups", 1, "1,7,8,9,5,6,7,8,9,10|0");
        row("pasteData", "&Skip", 2, "1,2,8,4,5,6,7,8,9,10|0");
        row("pasteData", "&Cancel", 1, "1,2,8,4,5,6,7,8,9,10|0"); // P2 came before: kept
    }
    void questionAnswered() {
        QFETCH(QString, operation);
        QFETCH(QString, button);
        auto editor = makeEditor(tenRows);
        QApplication::clipboard()->setText("P2\tG\t8\nP1\tH\t7\nP3\tH\t9"); // H: another group
        editor->procList->clearSelection();
        if (button.isEmpty())
            selectProcesses(*editor, {"P0", "P2"});
        ModalScript script;
        script.clickButton(button);
        script.clickButton(button);
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        QMetaObject::invokeMethod(editor.get(), qPrintable(operation));
        QTEST(int(script.seen.size()), "asked");
        QCOMPARE(script.seen.value(0).text, button.isEmpty() ? ""
                                            : operation == "clearSlots"
                                                ? clearQuestionText(10, 3, 7)
                                                : "Process P1 is not a member\ngroup H");
        QTEST(processColumn(*editor, ColSlot) + '|' +
                  QString::number(processNamed(*editor, "P9").free),
              "expected");
        QCOMPARE(changed.count(), button == "&Cancel" && operation == "clearSlots" ? 0 : 1);
    }

    // A reply while a question is open makes the editor read-only, deletes it, or
    // reloads the list (P0 new, a template row of slot 7): the answer works on that.
    void answerWhileTheEditorChanges_data() {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("button"); // empty: the dialog is accepted
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected"); // the slots, and the edit open again
        const char* const questions[][3] = {{"autoNumber", "", "7,1,2"},
                                            {"pasteData", "&Ignore Groups", "7,7,8"},
                                            {"clearSlots", "&All", ",,"},
                                            {"typeSlot", "", "7,,|P1=abc"}};
        for (const QString change : {"read-only", "deleted", "reloaded"})
            for (const auto& [question, button, reloaded] : questions)
                QTest::addRow("%s, %s", question, qPrintable(change))
                    << question << button << change
                    << (change == "reloaded" ? reloaded : "1,2,3,4");
    }
    void answerWhileTheEditorChanges() {
        QFETCH(QString, question);
        QFETCH(QString, button);
        QFETCH(QString, change);
        QFETCH(QString, expected);
        auto editor = makeEditor("P1:G:1 P2:G:2 P3:G:3 P4:G:4");
        QPointer<dialog> watch = editor.get();
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        ModalScript script;
        script.answer([&](QDialog& box) {
            for (QAbstractButton* choice : box.findChildren<QAbstractButton*>())
                if (choice->text() == button)
                    choice->click();
            if (button.isEmpty())
                box.accept();
            const int result = box.result();
            if (change == "deleted") {
                editor.reset();
            } else if (change == "read-only") {
                editor->setEnabled(false);
            } else {
                editor->setProcesses({{"P2", "G"}, {"P0", "G"}, {"P1", "G"}});
                setSlot(*editor, "P0", "7");
                makeTemplateRow(*editor, "P0");
            }
            return result;
        });
        QApplication::clipboard()->setText("P1\tH\t7\nP2\tG\t8");
        editor->procList->clearSelection();
        if (question == "typeSlot")
            QTest::keyClicks(openSlotEdit(*watch, "P1"), "abc\r");
        else
            QMetaObject::invokeMethod(watch, qPrintable(question));
        QTRY_COMPARE(script.seen.size(), 1);
        QCOMPARE(!watch, change == "deleted");
        if (!watch)
            return;
        QLineEdit* line = openEditor(*editor);
        QCOMPARE(processColumn(*editor, ColSlot) +
                     (line ? "|" + editor->currentProcess() + "=" + line->text() : ""),
                 expected);
        QCOMPARE(changed.count(), change == "reloaded" && question != "typeSlot" ? 1 : 0);
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

    // With nothing stored the columns fit their contents; the layout is saved on closing and
    // restored; with room to spare a long name is not cut.
    void columnLayout() {
        const QString longName(60, QChar('W'));
        auto editor = makeEditor(longName + ":G");
        QVERIFY(editor->procList->columnWidth(ColProcess) >=
                editor->procList->fontMetrics().horizontalAdvance(longName));
        editor->procList->header()->resizeSection(ColProcess, 123);
        editor.reset(); // closing saves the layout
        const QString stored = readControlSetting("Home/Alarms/Outputs/Tolv Output/ProcList");
        QCOMPARE(stored.section(',', 1, 1), QString("123"));
        editor = makeEditor(longName + ":G");
        QCOMPARE(editor->procList->columnWidth(ColProcess), 123); // the stored width: no room
        editor->resize(3000, 400);
        editor->show();
        editor->setProcesses({{longName, "G"}}); // room beside the slot column: not cut
        QVERIFY(editor->procList->columnWidth(ColProcess) > 123);
    }
};

QTEST_MAIN(tst_proclist)
#include "tst_proclist.moc"
