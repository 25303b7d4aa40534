// The process list editor through its widgets: what they add to the slot rules.
#include "common/test_support.h"
#include "core/documents.h"
#include "core/slot_rules.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/control_geometry.h"
#include "proclist/dialog.h"
#include "proclist/process_item.h"

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
    const QStringList rows = table.split(' ', Qt::SkipEmptyParts);
    QVector<ProcessDefinition> definitions;
    for (const QString& row : rows)
        definitions.append({row.section(':', 0, 0).remove('#'), row.section(':', 1, 1)});
    editor->setProcesses(definitions);
    for (const QString& row : rows) {
        processItem* item = editor->findProcess(row.section(':', 0, 0).remove('#'));
        item->setText(ColSlot, row.section(':', 2, 2));
        if (row.startsWith('#')) {
            item->setText(ColDevType, "pump");
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        }
    }
    return editor;
}

// One column of the list in display order, joined by commas.
static QString column(const dialog& editor, int col) {
    QStringList texts;
    for (int i = 0; i < editor.procList->topLevelItemCount(); ++i)
        texts.append(editor.procList->topLevelItem(i)->text(col));
    return texts.join(',');
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

    void sortMoveAndHeaderClick() {
        auto editor = makeEditor("C:G2 A:G2:10 E:G1:2 B:G1:9 D:G1:100");
        QCOMPARE(column(*editor, ColProcess), QString("A,B,C,D,E")); // as loaded
        editor->procList->sortByColumn(ColSlot, Qt::AscendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("C,E,B,A,D")); // empty first, 9 before 10
        editor->procList->sortByColumn(ColGroup, Qt::AscendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("E,B,D,C,A")); // ties by slot

        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor.get()));
        editor->procList->sortByColumn(ColProcess, Qt::DescendingOrder);
        editor->procList->setCurrentItem(editor->findProcess("C"));
        editor->moveProcDown();
        QCOMPARE(column(*editor, ColProcess), QString("E,D,B,C,A"));
        editor->moveProcUp();
        editor->moveProcUp();
        QCOMPARE(column(*editor, ColProcess), QString("E,C,D,B,A"));
        QCOMPARE(editor->procList->currentItem(), editor->findProcess("C"));

        // A header click sorts by its column in the order saved before the first move.
        QWidget* header = editor->procList->header()->viewport();
        const QPoint group(editor->procList->header()->sectionViewportPosition(ColGroup) + 5, 5);
        QTest::mouseClick(header, Qt::LeftButton, {}, group);
        QCOMPARE(editor->procList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(column(*editor, ColProcess), QString("A,C,D,B,E"));
        QTest::mouseClick(header, Qt::LeftButton, {}, group); // sorted again: reverses as usual
        QCOMPARE(column(*editor, ColProcess), QString("E,B,D,C,A"));
    }
    void checkAndEditSlots() {
        auto editor = makeEditor("A:G:5 B:G:5 C:G:9000 D:G:6 E:G #T:G:2");
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->checkForDuplicates();
        QCOMPARE(editor->statusLabel->text(),
                 duplicates + "<p>There are entries out of range (1-4096).");
        for (QString name : {"A", "B", "C", "D", "E", "T"})
            QCOMPARE(editor->findProcess(name)->slotValid, name > "C");
        processItem* a = editor->findProcess("A");
        QCOMPARE(a->foreground(ColProcess).color(), QColor(255, 0, 0));

        // What the view paints: yellow, and a dark red highlight when selected.
        editor->procList->clearSelection();
        editor->procList->setCurrentItem(nullptr);
        auto pixel = [&](QTreeWidgetItem* item) { // the blank part of the last column
            const QImage image = editor->procList->viewport()->grab().toImage();
            const QRect rect = editor->procList->visualItemRect(item);
            return image.pixelColor(qMin(rect.right(), image.width() - 1) - 3, rect.center().y());
        };
        QCOMPARE(pixel(a), QColor(255, 255, 0));
        QVERIFY(pixel(editor->findProcess("D")) != QColor(255, 255, 0));
        a->setSelected(true);
        QCOMPARE(pixel(a), QColor(139, 0, 0));

        // Mended and checked again: no warning, no colours.
        editor->findProcess("B")->setText(ColSlot, "7");
        editor->findProcess("C")->setText(ColSlot, "");
        editor->checkForDuplicates();
        QVERIFY(editor->statusLabel->text().isEmpty());
        QVERIFY(a->slotValid);

        // Template rows keep their slots; a double click anywhere in another row edits
        // its slot through the list's delegate.
        editor->maxSlot = 99;
        editor->itemDoubleClicked(editor->findProcess("T"));
        QVERIFY(!openEditor(*editor));
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        processItem* e = editor->findProcess("E");
        const QRect row = editor->procList->visualItemRect(e);
        const QPoint name(row.left() + 10, row.center().y());
        QTest::mouseClick(editor->procList->viewport(), Qt::LeftButton, {}, name);
        QTest::mouseDClick(editor->procList->viewport(), Qt::LeftButton, {}, name);
        QTRY_VERIFY(openEditor(*editor));
        openEditor(*editor)->setText("100");
        QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        QTRY_COMPARE(script.seen.size(), 1);
        QCOMPARE(script.seen[0].text, QString("Valid entries are numbers between 0 and 99"));
        QTRY_VERIFY(openEditor(*editor)); // open again for the correction
        QCOMPARE(openEditor(*editor)->text(), QString("100"));
        QCOMPARE(changed.count(), 0);
        openEditor(*editor)->setText("5"); // valid, but A has it
        QTest::keyClick(openEditor(*editor), Qt::Key_Return);
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(e->text(ColSlot), QString("5"));
        QCOMPARE(editor->statusLabel->text(), duplicates);
        QCOMPARE(script.seen.size(), 1);
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
        editor->procList->setCurrentItem(editor->findProcess("B2"));
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
        editor->findProcess("P2")->setSelected(true);
        editor->findProcess("P4")->setSelected(true);
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
    void questions_data() {
        QTest::addColumn<bool>("paste"); // else Clear All Slots
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("clear all") << false << "&All" << 1 << ",,,,,,,,,";
        QTest::newRow("non template") << false << "&Non template assigned" << 1 << ",,,,,,,8,9,10";
        QTest::newRow("clear cancel") << false << "&Cancel" << 1 << "1,2,3,4,5,6,7,8,9,10";
        QTest::newRow("ignore groups") << true << "&Ignore Groups" << 1 << "1,7,8,9,5,6,7,8,9,10";
        QTest::newRow("paste skip") << true << "&Skip" << 2 << "1,2,8,4,5,6,7,8,9,10";
        // P2 is pasted before the question; a cancel keeps it, as a change
        QTest::newRow("paste cancel") << true << "&Cancel" << 1 << "1,2,8,4,5,6,7,8,9,10";
    }
    void questions() {
        QFETCH(bool, paste);
        QFETCH(QString, button);
        QFETCH(QString, expected);
        auto editor = makeEditor("P0:G:1 P1:G:2 P2:G:3 P3:G:4 P4:G:5 P5:G:6 P6:G:7 "
                                 "#P7:G:8 #P8:G:9 #P9:G:10");
        editor->procList->clearSelection(); // with a selection only those rows are cleared
        QApplication::clipboard()->setText("P2\tG\t8\nP1\tH\t7\nP3\tH\t9"); // H: another group
        ModalScript script;
        script.clickButton(button);
        script.clickButton(button);
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        paste ? editor->pasteData() : editor->clearSlots();
        QTEST(int(script.seen.size()), "asked");
        QCOMPARE(script.seen[0].text,
                 paste ? "Process P1 is not a member\ngroup H" : clearQuestionText(10, 3, 7));
        QCOMPARE(script.seen[0].buttons.join(','),
                 paste ? "&Ignore Groups,&Skip,&Cancel" : "&All,&Non template assigned,&Cancel");
        QCOMPARE(column(*editor, ColSlot), expected);
        QCOMPARE(changed.count(), button == "&Cancel" && !paste ? 0 : 1);
        QCOMPARE(editor->findProcess("P9")->isFree(), button == "&All"); // only All frees them
    }
    void copyPaste() {
        auto editor = makeEditor("P1:G:3 P2:G P3:G:9 #P4:G:1");
        editor->findProcess("P2")->setSelected(true);
        editor->findProcess("P1")->setSelected(true);
        editor->copyData();
        QCOMPARE(QApplication::clipboard()->text(), QString("P1\tG\t3\nP2\tG\t")); // display order
        QVERIFY(editor->paste->isEnabled());

        editor->findProcess("P1")->setText(ColSlot, "77");
        editor->findProcess("P2")->setText(ColSlot, "78");
        ModalScript script;
        QSignalSpy changed(editor.get(), &dialog::itemsChanged);
        editor->paste->click();
        QCOMPARE(column(*editor, ColSlot), QString("3,78,9,1")); // P2's line has no slot
        QCOMPARE(changed.count(), 1);

        // A first line of two fields disables pasting, by the button and by the slot.
        QApplication::clipboard()->setText("P1\tG\nP2\tG\t7");
        QVERIFY(!editor->paste->isEnabled());
        editor->pasteData();
        QCOMPARE(column(*editor, ColSlot), QString("3,78,9,1"));
        QCOMPARE(changed.count(), 1);

        // CR LF lines; unknown names and template rows are skipped silently.
        QApplication::clipboard()->setText("P1\tG\t10\r\nNOPE\tG\t8\r\nP2\tG\t11\r\nP4\tG\t12\r\n");
        editor->pasteData();
        QCOMPARE(column(*editor, ColSlot), QString("10,11,9,1")); // no CR left in a slot
        QCOMPARE(script.seen.size(), 0);
        QApplication::clipboard()->setText("P1\tG\t5");
        QVERIFY(dialog(nullptr).paste->isEnabled()); // a new editor looks when it starts
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
        QCOMPARE(makeEditor(longName + ":G")->procList->columnWidth(ColProcess), 123); // not fitted
    }
};

QTEST_MAIN(tst_proclist)
#include "tst_proclist.moc"
