// The process list editor (Parts 3.1 and 3.2) through its widgets.
#include "common/test_support.h"

#include "editor/documents.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/dialog.h"
#include "proclist/process_item.h"
#include "proclist/slot_rules.h"

#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// The editor's document interface, with or without a system document.
class FakeDocuments : public IGetDocuments {
public:
    Document* getDocument0() override { return nullptr; }
    Document* getDocument1() override { return nullptr; }
    Document* getDocument2() override { return nullptr; }
    Document* getDocument3() override { return nullptr; }
    Document* getDocument4() override { return nullptr; }
    Document* getSystemDocument() override { return system; }
    Document* system = nullptr;
};

struct Row {
    QString name;
    QString group;
    QString slot;
    bool templated = false; // claimed by a template: Dev Type and Instance set, not selectable
};

// Loads the rows as process definitions, then gives them slots and templates.
void fill(dialog& editor, const QVector<Row>& rows) {
    QVector<ProcessDefinition> definitions;
    for (const Row& row : rows)
        definitions.append({row.name, row.group});
    editor.setProcesses(definitions);
    for (const Row& row : rows) {
        processItem* item = editor.findProcess(row.name);
        QVERIFY(item);
        item->setText(ColSlot, row.slot);
        if (row.templated) {
            item->setText(ColDevType, "pump");
            item->setText(ColInstance, "I1");
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        }
    }
}

// One column of the list in display order.
QStringList column(const dialog& editor, int col) {
    QStringList texts;
    for (int i = 0; i < editor.procList->topLevelItemCount(); ++i)
        texts.append(editor.procList->topLevelItem(i)->text(col));
    return texts;
}

QPoint headerPoint(const dialog& editor, int section) {
    QHeaderView* header = editor.procList->header();
    return QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                  header->height() / 2);
}

// A click and a double click, as a person makes them (QTest's double click alone
// is not taken as one by the item view).
void doubleClick(QWidget* widget, const QPoint& point) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, point);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, point);
}

QLineEdit* openEditor(const dialog& editor) {
    return editor.procList->viewport()->findChild<QLineEdit*>();
}

// The answer for the auto-number dialog: sets its fields and accepts, noting
// what the dialog proposed.
struct AutoNumberAnswer {
    int choice = -1; // -1 keeps the proposed choice
    int base = -1;   // -1 keeps the proposed base
    int offset = -1; // -1 keeps the proposed offset
    QString group;   // chosen group for choice 2
    bool accept = true;
    // what the dialog showed
    bool offsetEnabled = false;
    int shownBase = 0;
    int shownOffset = 0;
    int shownChoice = -1;
    int baseMaximum = 0;
    QStringList groups;
    QString currentGroup;
};

ModalScript::Answer autoNumberAnswer(AutoNumberAnswer& a) {
    return [&a](QDialog& dialogRef) {
        auto* box = qobject_cast<autoNumberDialog*>(&dialogRef);
        if (!box)
            return -1;
        a.offsetEnabled = box->spinOffset->isEnabled();
        a.shownBase = box->spinBase->value();
        a.shownOffset = box->spinOffset->value();
        a.shownChoice = box->selectGroup->checkedId();
        a.baseMaximum = box->spinBase->maximum();
        for (int i = 0; i < box->comboGroup->count(); ++i)
            a.groups.append(box->comboGroup->itemText(i));
        a.currentGroup = box->comboGroup->currentText();
        if (a.choice >= 0)
            box->selectGroup->button(a.choice)->setChecked(true);
        if (a.base >= 0)
            box->spinBase->setValue(a.base);
        if (a.offset >= 0)
            box->spinOffset->setValue(a.offset);
        if (!a.group.isNull())
            box->comboGroup->setCurrentIndex(box->comboGroup->findText(a.group));
        if (a.accept)
            box->buttonOk->click();
        else
            box->buttonCancel->click();
        return box->result();
    };
}

} // namespace

class tst_proclist : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // form and construction
    void formWidgets();
    void formTexts();
    void formLayouts();
    void initialState();
    void autoNumberForm();
    void keyboardActions();
    void renderToPng();

    // rows and order
    void setProcessesAndFind();
    void findProcessFollowsChanges();
    void automaticColumnWidths();
    void sortBySlot();
    void sortByGroupTiesBySlot();
    void headerClickOrders();
    void moveThenHeaderClick();
    void movesKeepCurrentRow();
    void changeSelectionButtons();
    void selectProcEnablesEdit();

    // in-place edits
    void editThroughDelegate();
    void editInvalidReopens();
    void slotChange_data();
    void slotChange();
    void doubleClickTemplateRow();
    void infodriverNumberEmits();
    void refreshLimits();

    // check and colours
    void duplicateExample();
    void warningColours();
    void checkClearsWarning();

    // auto-numbering
    void autoNumberFirstRunProposesBase1();
    void autoNumberOffsets_data();
    void autoNumberOffsets();
    void autoNumberSelectGroup();
    void autoNumberSelectedRows();
    void autoNumberSortedByProcess();
    void autoNumberManualOrder();
    void autoNumberCancelled();
    void autoNumberTemplateRows();

    // clearing
    void clearQuestionCounts();
    void clearNonTemplate();
    void clearCancel();
    void clearSelected();
    void clearAllKeepsCurrentAndSelection();
    void bulkEdits();

    // clipboard
    void copyPasteRoundTrip();
    void copyNothingSelected();
    void pasteAvailability();
    void pasteGroupMismatch_data();
    void pasteGroupMismatch();
    void pasteCrLf();
    void pasteSkipsTemplateAndUnknownRows();

private:
    std::unique_ptr<ScopedSettings> settings;
};

void tst_proclist::init() {
    settings = std::make_unique<ScopedSettings>();
    dialog::lastBase = 1;
    dialog::lastOffset = 0;
    QApplication::clipboard()->clear();
}

void tst_proclist::cleanup() {
    settings.reset();
}

// ---- form ----------------------------------------------------------------

void tst_proclist::formWidgets() {
    dialog editor(nullptr);
    const QStringList buttons{"upButton",         "downButton", "manTemp", "autoNum",
                              "clearSlotsButton", "copy",       "paste",   "navToProc"};
    for (const QString& name : buttons) {
        auto* button = editor.findChild<QPushButton*>(name);
        QVERIFY2(button, qPrintable(name));
    }
    QCOMPARE(editor.findChild<QTreeWidget*>("procList"), editor.procList);
    QCOMPARE(editor.findChild<QSpinBox*>("infodriverNumber"), editor.infodriverNumber);
    QCOMPARE(editor.findChild<QLabel*>("topLabel"), editor.topLabel);
    QCOMPARE(editor.findChild<QLabel*>("textLabel1"), editor.textLabel1);
    QCOMPARE(editor.findChild<QLabel*>("statusLabel"), editor.statusLabel);
    QCOMPARE(editor.findChild<QPushButton*>("copy"), editor.copy);
    QCOMPARE(editor.findChild<QPushButton*>("paste"), editor.paste);
    QCOMPARE(editor.procList->columnCount(), 5);
    QCOMPARE(editor.windowTitle(), QString("dialog"));
    QVERIFY(editor.width() >= 723 && editor.height() >= 705);
}

void tst_proclist::formTexts() {
    dialog editor(nullptr);
    QTreeWidgetItem* header = editor.procList->headerItem();
    QCOMPARE(header->text(0), QString("Process"));
    QCOMPARE(header->text(1), QString("Group"));
    QCOMPARE(header->text(2), QString("Dev Type"));
    QCOMPARE(header->text(3), QString("Instance"));
    QCOMPARE(header->text(4), QString("Infodriver Slot"));
    QCOMPARE(editor.topLabel->text(), QString("<h1>Alarm TOLV Output</h1>"));
    QCOMPARE(editor.topLabel->toolTip(), QString("Selected Output Module"));
    QCOMPARE(editor.topLabel->frameShape(), QFrame::Panel);
    QCOMPARE(editor.topLabel->frameShadow(), QFrame::Sunken);
    QVERIFY(editor.topLabel->wordWrap());
    QCOMPARE(editor.procList->toolTip(), QString("Process List"));
    QCOMPARE(
        editor.procList->whatsThis(),
        QString("<h3>Process List</h3>\nThis displays a list of processes, the groups these "
                "processes belong to, and the infodriver slot that they will appear as.\nThe "
                "column used for sorting is selected by clicking the relevant column header, "
                "minor changes can be made by  using the 'Move up/down' buttons. Once the order "
                "is correct 'Auto Number' can then number the slots for you."));
    QCOMPARE(editor.textLabel1->text(), QString("Infodriver Number"));
    QCOMPARE(editor.infodriverNumber->toolTip(), QString("Infodriver number"));
    QCOMPARE(editor.infodriverNumber->whatsThis(),
             QString("This is the infodriver device number that the output module will connect "
                     "to, valid numbers a 1-998."));
    QCOMPARE(editor.infodriverNumber->minimumWidth(), 100);
    for (QPushButton* button : {editor.upButton, editor.downButton}) {
        QCOMPARE(button->toolTip(), QString("Manually re-order"));
        QCOMPARE(button->whatsThis(),
                 QString("Move the current process up/down the list ready for Auto numbering."));
        QVERIFY(button->autoRepeat());
    }
    QCOMPARE(editor.upButton->text(), QString("Move Up"));
    QCOMPARE(editor.downButton->text(), QString("Move Down"));

    struct Texts {
        QPushButton* button;
        const char* text;
        const char* tip;
        const char* whatsThis;
    };
    const Texts texts[] = {
        {editor.manTemp, "Manage Templates", "", ""},
        {editor.autoNum, "Auto Number", "Auto number the infodriver slots",
         "Allows rapid numbering of the infodriver slots in the order that they are currently "
         "displayed.\nIt is possible to number only a group or the current selection, options for "
         "this are displayed when this button is pressed."},
        {editor.clearSlotsButton, "Clear All Slots", "Clear the slots",
         "Clears either the selected slots, if more than 1 item selected, or all of the slots."},
        {editor.copy, "Copy to Clipboard", "Copy to Clipboard",
         "Copy the selection to the clipboard for use in external applications such as MS Exel."},
        {editor.paste, "Paste from Clipboard", "Paste from clipboard",
         "Paste the clipboard, from external applications such as MS Exel."},
        {editor.navToProc, "Edit Process", "Edit the current process",
         "Go to the process editor and edit the current process."},
    };
    for (const Texts& t : texts) {
        QCOMPARE(t.button->text(), QString(t.text));
        QCOMPARE(t.button->toolTip(), QString(t.tip));
        QCOMPARE(t.button->whatsThis(), QString(t.whatsThis));
    }
}

void tst_proclist::formLayouts() {
    dialog editor(nullptr);
    auto* top = editor.findChild<QVBoxLayout*>("dialogBaseLayout");
    QVERIFY(top);
    QCOMPARE(top->spacing(), 6);
    QCOMPARE(top->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(top->itemAt(0)->widget(), editor.topLabel);
    auto* layout10 = editor.findChild<QHBoxLayout*>("layout10");
    QVERIFY(layout10);
    QCOMPARE(top->itemAt(1)->layout(), layout10);
    QCOMPARE(layout10->itemAt(0)->widget(), editor.procList);
    auto* layout9 = editor.findChild<QVBoxLayout*>("layout9");
    QCOMPARE(layout10->itemAt(1)->layout(), layout9);
    auto* layout13 = editor.findChild<QHBoxLayout*>("layout13");
    QCOMPARE(layout9->itemAt(0)->layout(), layout13);
    QCOMPARE(layout13->itemAt(0)->widget(), editor.textLabel1);
    QCOMPARE(layout13->itemAt(1)->widget(), editor.infodriverNumber);
    QCOMPARE(layout9->itemAt(1)->widget(), editor.statusLabel);
    QVERIFY(layout9->itemAt(2)->spacerItem());
    auto* layout7 = editor.findChild<QGridLayout*>("layout7");
    QCOMPARE(layout9->itemAt(3)->layout(), layout7);
    QCOMPARE(layout7->itemAtPosition(0, 0)->widget(), editor.upButton);
    QCOMPARE(layout7->itemAtPosition(2, 0)->widget(), editor.downButton);
    QVERIFY(layout7->itemAtPosition(1, 1)->spacerItem());
    QVERIFY(layout9->itemAt(4)->spacerItem());
    auto* layout8 = editor.findChild<QHBoxLayout*>("layout8");
    QCOMPARE(layout9->itemAt(5)->layout(), layout8);
    auto* buttons = editor.findChild<QVBoxLayout*>("layout7_2");
    QCOMPARE(layout8->itemAt(0)->layout(), buttons);
    QVERIFY(layout8->itemAt(1)->spacerItem());
    const QList<QPushButton*> order{editor.manTemp, editor.autoNum, editor.clearSlotsButton,
                                    editor.copy,    editor.paste,   editor.navToProc};
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(buttons->itemAt(i)->widget(), order[i]);
}

void tst_proclist::initialState() {
    dialog editor(nullptr);
    QVERIFY(!editor.navToProc->isEnabled());
    QVERIFY(!editor.upButton->isEnabled());
    QVERIFY(!editor.downButton->isEnabled());
    QVERIFY(editor.statusLabel->text().isEmpty());
    QCOMPARE(editor.statusLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(editor.infodriverNumber->minimum(), 0);
    QCOMPARE(editor.infodriverNumber->maximum(), 999);
    QCOMPARE(editor.maxSlot, 4096);
    QVERIFY(editor.sortActive);
    QVERIFY(editor.procList->isSortingEnabled());
    QCOMPARE(editor.procList->sortColumn(), 0);
    QCOMPARE(editor.procList->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    QVERIFY(editor.procList->header()->isSortIndicatorShown());
    QVERIFY(editor.procList->header()->stretchLastSection());
    QVERIFY(editor.procList->allColumnsShowFocus());
    QCOMPARE(editor.procList->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(!editor.paste->isEnabled()); // empty clipboard
}

void tst_proclist::autoNumberForm() {
    autoNumberDialog box;
    QCOMPARE(box.windowTitle(), QString("Auto-Number Selection"));
    QVERIFY(!box.isSizeGripEnabled());
    QVERIFY(box.width() >= 248 && box.height() >= 240);
    QCOMPARE(box.minimumSize(), box.maximumSize()); // fixed size
    QCOMPARE(box.selectGroupBox->title(), QString("Select Process"));
    QCOMPARE(box.groupBox2->title(), QString("Numbering"));
    QCOMPARE(box.findChild<QButtonGroup*>("selectGroup"), box.selectGroup);
    QVERIFY(box.selectGroup->exclusive());
    QCOMPARE(box.selectGroup->id(box.radioAll), 0);
    QCOMPARE(box.selectGroup->id(box.radioSelected), 1);
    QCOMPARE(box.selectGroup->id(box.radioGroup), 2);
    QCOMPARE(box.selectGroup->checkedId(), 0);
    QCOMPARE(box.radioAll->text(), QString("All"));
    QCOMPARE(box.radioSelected->text(), QString("Selected"));
    QCOMPARE(box.radioGroup->text(), QString("Select Group"));
    QCOMPARE(box.textLabel1->text(), QString("Base"));
    QCOMPARE(box.textLabel1_2->text(), QString("Group Offset - sort by group only"));
    QCOMPARE(box.spinBase->minimum(), 1);
    QCOMPARE(box.spinOffset->minimum(), 0);
    QCOMPARE(box.buttonOk->text(), QString("&OK"));
    QCOMPARE(box.buttonCancel->text(), QString("&Cancel"));
    QCOMPARE(box.buttonOk->shortcut(), QKeySequence("Alt+O"));
    QCOMPARE(box.buttonCancel->shortcut(), QKeySequence("Alt+C"));
    QVERIFY(box.buttonOk->isDefault() && box.buttonOk->autoDefault());
    QVERIFY(box.buttonCancel->autoDefault());
    QVERIFY(!box.comboGroup->isEditable());

    // The group box is usable only while "Select Group" is chosen.
    QVERIFY(!box.comboGroup->isEnabled());
    box.radioGroup->setChecked(true);
    QVERIFY(box.comboGroup->isEnabled());
    QCOMPARE(box.selectGroup->checkedId(), 2);
    box.radioSelected->setChecked(true);
    QVERIFY(!box.comboGroup->isEnabled());

    QSignalSpy accepted(&box, &QDialog::accepted);
    box.buttonOk->click();
    QCOMPARE(accepted.count(), 1);
    QSignalSpy rejected(&box, &QDialog::rejected);
    box.buttonCancel->click();
    QCOMPARE(rejected.count(), 1);
}

void tst_proclist::keyboardActions() {
    dialog editor(nullptr);
    auto* copyAction = editor.findChild<QAction*>("copy");
    auto* pasteAction = editor.findChild<QAction*>("paste");
    QVERIFY(copyAction && pasteAction);
    QCOMPARE(copyAction->text(), QString("&Copy"));
    QCOMPARE(pasteAction->text(), QString("&Paste"));
    QCOMPARE(copyAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QCOMPARE(pasteAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));

    fill(editor, {{"P1", "G", "3"}, {"P2", "G", ""}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    editor.procList->setFocus();
    editor.findProcess("P1")->setSelected(true);
    QTest::keyClick(editor.procList, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("P1\tG\t3"));

    editor.findProcess("P1")->setText(ColSlot, "");
    ModalScript script;
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    QTest::keyClick(editor.procList, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.findProcess("P1")->text(ColSlot), QString("3"));
    QCOMPARE(changed.count(), 1);

    // QTest leaves Ctrl in the application's modifier state, which would make
    // later programmatic selections toggle; release it.
    QTest::keyRelease(editor.procList, Qt::Key_Control);
    QCOMPARE(QApplication::keyboardModifiers(), Qt::NoModifier);
}

void tst_proclist::renderToPng() {
    FakeDocuments documents;
    dialog editor(&documents);
    QVector<Row> rows;
    for (int i = 1; i <= 30; ++i)
        rows.append({QString("PROC_%1").arg(i, 3, 10, QChar('0')),
                     QString("Group %1").arg((i - 1) / 8 + 1), i % 7 == 0 ? "" : QString::number(i),
                     i > 25});
    rows[3].slot = "5"; // a duplicate of PROC_005
    fill(editor, rows);
    editor.checkForDuplicates();
    editor.findProcess("PROC_010")->setSelected(true);
    editor.procList->setCurrentItem(editor.findProcess("PROC_010"));
    editor.resize(900, 600);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QVERIFY(editor.upButton->isEnabled()); // one selected row, the current one
    QCOMPARE(editor.clearSlotsButton->text(), QString("Clear Selected Slots"));
    const QImage image = editor.grab().toImage();
    QVERIFY(image.save("/tmp/proclist_dialog.png"));

    // The list fills the left; the controls stand in a column on its right.
    const QRect list = editor.procList->geometry();
    QVERIFY(list.width() > editor.width() / 2);
    QVERIFY(list.height() > editor.height() / 2);
    for (QWidget* control : std::initializer_list<QWidget*>{
             editor.infodriverNumber, editor.upButton, editor.autoNum, editor.navToProc})
        QVERIFY(control->mapTo(&editor, QPoint(0, 0)).x() > list.right());
    QVERIFY(editor.upButton->mapTo(&editor, QPoint(0, 0)).y() <
            editor.manTemp->mapTo(&editor, QPoint(0, 0)).y());

    autoNumberDialog box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(box.grab().toImage().save("/tmp/proclist_autonumber.png"));
}

// ---- rows and order --------------------------------------------------------

void tst_proclist::setProcessesAndFind() {
    dialog editor(nullptr);
    editor.setProcesses({{"B", "G2"}, {"A", "G1"}, {"C", ""}, {"A", "G9"}});
    QCOMPARE(editor.procList->topLevelItemCount(), 4);
    QCOMPARE(column(editor, 0), (QStringList{"A", "A", "B", "C"}));
    for (int i = 0; i < 4; ++i) {
        auto* item = static_cast<processItem*>(editor.procList->topLevelItem(i));
        QCOMPARE(item->type(), int(processItem::Type));
        QVERIFY(item->slotValid);
        QVERIFY(item->isFree());
        QVERIFY(item->flags() & Qt::ItemIsEditable);
        QVERIFY(item->text(ColSlot).isEmpty());
    }
    QCOMPARE(editor.findProcess("B")->text(ColGroup), QString("G2"));
    QCOMPARE(editor.findProcess("C")->text(ColGroup), QString());
    // The first row of a duplicated name (display order; both have empty slots).
    QCOMPARE(editor.findProcess("A"), editor.procList->topLevelItem(0));
    QVERIFY(!editor.findProcess("a"));
    QVERIFY(!editor.findProcess("D"));

    editor.setProcesses({{"X", "G"}});
    QCOMPARE(column(editor, 0), QStringList{"X"});
    QVERIFY(!editor.findProcess("B"));
    QVERIFY(editor.findProcess("X"));
}

void tst_proclist::findProcessFollowsChanges() {
    dialog editor(nullptr);
    editor.setProcesses({{"A", "G"}, {"B", "G"}});
    QVERIFY(editor.findProcess("A"));
    // Rows added or removed behind the editor's back are found or forgotten.
    delete editor.procList->takeTopLevelItem(
        editor.procList->indexOfTopLevelItem(editor.findProcess("A")));
    QVERIFY(!editor.findProcess("A"));
    new processItem(editor.procList, "C", "G");
    QVERIFY(editor.findProcess("C"));
    editor.procList->clear();
    QVERIFY(!editor.findProcess("B"));
}

void tst_proclist::automaticColumnWidths() {
    dialog editor(nullptr);
    const QString longName(60, QChar('W'));
    editor.setProcesses({{longName, "G"}, {"B", "G"}});
    const int fitted = editor.procList->columnWidth(ColProcess);
    QVERIFY(fitted >= editor.procList->fontMetrics().horizontalAdvance(longName));
    // once the user has sized a column, loads keep the widths
    editor.procList->header()->resizeSection(ColProcess, 80);
    editor.setProcesses({{longName + longName, "G"}});
    QCOMPARE(editor.procList->columnWidth(ColProcess), 80);
}

void tst_proclist::sortBySlot() {
    dialog editor(nullptr);
    fill(editor,
         {{"A", "G", "10"}, {"B", "G", "9"}, {"C", "G", ""}, {"D", "G", "100"}, {"E", "G", "2"}});
    editor.procList->sortByColumn(ColSlot, Qt::AscendingOrder);
    QCOMPARE(column(editor, ColSlot), (QStringList{"", "2", "9", "10", "100"}));
    editor.procList->sortByColumn(ColSlot, Qt::DescendingOrder);
    QCOMPARE(column(editor, ColSlot), (QStringList{"100", "10", "9", "2", ""}));
    // Text sort of the process names: locale-aware (with LC_ALL=C, code order).
    editor.procList->sortByColumn(ColProcess, Qt::AscendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C", "D", "E"}));
    // An edit of the sort column moves its row.
    editor.procList->sortByColumn(ColSlot, Qt::AscendingOrder);
    editor.findProcess("C")->setText(ColSlot, "50");
    QCOMPARE(column(editor, ColSlot), (QStringList{"2", "9", "10", "50", "100"}));
}

void tst_proclist::sortByGroupTiesBySlot() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G2", "30"},
                  {"P2", "G1", "12"},
                  {"P3", "G1", "3"},
                  {"P4", "G2", ""},
                  {"P5", "G1", "7"}});
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"P3", "P5", "P2", "P4", "P1"}));
    editor.procList->sortByColumn(ColGroup, Qt::DescendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"P1", "P4", "P2", "P5", "P3"}));
}

void tst_proclist::headerClickOrders() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G2", "1"}, {"B", "G1", "2"}, {"C", "G3", "3"}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QWidget* header = editor.procList->header()->viewport();
    // a click on another column sorts by it ascending
    QTest::mouseClick(header, Qt::LeftButton, {}, headerPoint(editor, ColGroup));
    QCOMPARE(editor.procList->sortColumn(), int(ColGroup));
    QCOMPARE(column(editor, 0), (QStringList{"B", "A", "C"}));
    // a click on the sort column reverses the order
    QTest::mouseClick(header, Qt::LeftButton, {}, headerPoint(editor, ColGroup));
    QCOMPARE(column(editor, 0), (QStringList{"C", "A", "B"}));
    QTest::mouseClick(header, Qt::LeftButton, {}, headerPoint(editor, ColProcess));
    QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C"}));
    QVERIFY(editor.sortActive);
}

void tst_proclist::moveThenHeaderClick() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G1", "1"}, {"B", "G2", "2"}, {"C", "G1", "3"}, {"D", "G2", "4"}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.procList->sortByColumn(ColProcess, Qt::DescendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"D", "C", "B", "A"}));

    QTreeWidgetItem* c = editor.findProcess("C");
    editor.procList->setCurrentItem(c);
    editor.moveProcDown();
    QCOMPARE(column(editor, 0), (QStringList{"D", "B", "C", "A"}));
    QVERIFY(!editor.sortActive);
    QCOMPARE(editor.savedSortOrder, Qt::DescendingOrder);
    QVERIFY(!editor.procList->isSortingEnabled());
    editor.moveProcUp();
    editor.moveProcUp();
    QCOMPARE(column(editor, 0), (QStringList{"C", "D", "B", "A"}));
    QCOMPARE(editor.savedSortOrder, Qt::DescendingOrder); // further moves keep it

    // A header click sorts by that column in the order before the move.
    QTest::mouseClick(editor.procList->header()->viewport(), Qt::LeftButton, {},
                      headerPoint(editor, ColGroup));
    QVERIFY(editor.sortActive);
    QVERIFY(editor.procList->isSortingEnabled());
    QCOMPARE(editor.procList->sortColumn(), int(ColGroup));
    QCOMPARE(editor.procList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"D", "B", "C", "A"})); // G2 then G1, slots descending
}

void tst_proclist::movesKeepCurrentRow() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", ""}, {"B", "G", ""}, {"C", "G", ""}});
    QTreeWidgetItem* b = editor.findProcess("B");
    editor.procList->setCurrentItem(b);
    QVERIFY(b->isSelected());
    editor.moveProcUp();
    QCOMPARE(column(editor, 0), (QStringList{"B", "A", "C"}));
    QCOMPARE(editor.procList->currentItem(), b);
    QVERIFY(b->isSelected());
    QCOMPARE(editor.procList->selectedItems().size(), 1);
    QVERIFY(!editor.upButton->isEnabled());
    QVERIFY(editor.downButton->isEnabled());
    editor.moveProcUp(); // first row: nothing
    QCOMPARE(column(editor, 0), (QStringList{"B", "A", "C"}));
    editor.moveProcDown();
    editor.moveProcDown();
    QCOMPARE(column(editor, 0), (QStringList{"A", "C", "B"}));
    QVERIFY(editor.upButton->isEnabled());
    QVERIFY(!editor.downButton->isEnabled());
    editor.moveProcDown(); // last row: nothing
    QCOMPARE(column(editor, 0), (QStringList{"A", "C", "B"}));
    editor.procList->setCurrentItem(nullptr);
    editor.moveProcUp(); // no current row: nothing
    QCOMPARE(column(editor, 0), (QStringList{"A", "C", "B"}));
}

void tst_proclist::changeSelectionButtons() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", ""}, {"B", "G", ""}, {"C", "G", ""}});
    QTreeWidget* list = editor.procList;
    list->setCurrentItem(list->topLevelItem(0));
    QVERIFY(!editor.upButton->isEnabled());
    QVERIFY(editor.downButton->isEnabled());
    QCOMPARE(editor.clearSlotsButton->text(), QString("Clear Selected Slots"));
    list->setCurrentItem(list->topLevelItem(1));
    QVERIFY(editor.upButton->isEnabled());
    QVERIFY(editor.downButton->isEnabled());
    list->setCurrentItem(list->topLevelItem(2));
    QVERIFY(editor.upButton->isEnabled());
    QVERIFY(!editor.downButton->isEnabled());
    list->topLevelItem(0)->setSelected(true); // two selected rows
    QVERIFY(!editor.upButton->isEnabled());
    QVERIFY(!editor.downButton->isEnabled());
    QCOMPARE(editor.clearSlotsButton->text(), QString("Clear Selected Slots"));
    list->clearSelection();
    QCOMPARE(editor.clearSlotsButton->text(), QString("Clear All Slots"));
    QVERIFY(!editor.upButton->isEnabled());

    // Selected first, made current afterwards (no change of the selection).
    list->setCurrentItem(nullptr);
    list->topLevelItem(1)->setSelected(true);
    QVERIFY(!editor.upButton->isEnabled());
    list->setCurrentItem(list->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    QVERIFY(editor.upButton->isEnabled());
    QVERIFY(editor.downButton->isEnabled());
    list->clearSelection();

    // A list of one row leaves "Move Down" enabled.
    editor.setProcesses({{"ONLY", "G"}});
    list->setCurrentItem(list->topLevelItem(0));
    QVERIFY(!editor.upButton->isEnabled());
    QVERIFY(editor.downButton->isEnabled());
}

void tst_proclist::selectProcEnablesEdit() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", ""}, {"B", "G", ""}});
    QVERIFY(!editor.navToProc->isEnabled());
    editor.procList->setCurrentItem(editor.findProcess("B"));
    QVERIFY(editor.navToProc->isEnabled());
    editor.selectProc(nullptr);
    QVERIFY(!editor.navToProc->isEnabled());
    editor.selectProc(editor.findProcess("A"));
    QVERIFY(editor.navToProc->isEnabled());
}

// ---- in-place edits ----------------------------------------------------------

void tst_proclist::editThroughDelegate() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "1"}, {"B", "G", ""}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    QTreeWidgetItem* b = editor.findProcess("B");

    // A double click on the Process column edits the slot column.
    const QRect cell = editor.procList->visualItemRect(b);
    doubleClick(editor.procList->viewport(), QPoint(cell.left() + 10, cell.center().y()));
    QTRY_VERIFY(openEditor(editor));
    QLineEdit* lineEdit = openEditor(editor);
    lineEdit->setText("1"); // a duplicate of A
    QTest::keyClick(lineEdit, Qt::Key_Return);
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(b->text(ColSlot), QString("1"));
    QCOMPARE(editor.statusLabel->text(), QString("<h1>Warning</h1>\nThere are duplicates."));

    // Losing focus commits too; "0" clears the slot.
    QTRY_VERIFY(!openEditor(editor));
    editor.itemDoubleClicked(b);
    QTRY_VERIFY(openEditor(editor));
    openEditor(editor)->setText("0");
    editor.infodriverNumber->setFocus();
    QTRY_COMPARE(changed.count(), 2);
    QCOMPARE(b->text(ColSlot), QString());
    QVERIFY(editor.statusLabel->text().isEmpty());

    // Programmatic text changes are not edits.
    b->setText(ColSlot, "4");
    QTest::qWait(20);
    QCOMPARE(changed.count(), 2);
}

void tst_proclist::editInvalidReopens() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", ""}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    ModalScript script;
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    QTreeWidgetItem* a = editor.findProcess("A");
    editor.itemDoubleClicked(a);
    QTRY_VERIFY(openEditor(editor));
    QLineEdit* first = openEditor(editor);
    first->setText("4097");
    QTest::keyClick(first, Qt::Key_Return);
    QTRY_COMPARE(script.seen.size(), 1);
    QCOMPARE(script.seen[0].caption, QString("TOLV Output Configuration"));
    QCOMPARE(script.seen[0].text, QString("Valid entries are numbers between 0 and 4096"));
    QCOMPARE(script.seen[0].buttons, QStringList{"OK"});
    QCOMPARE(script.seen[0].icon, QMessageBox::Warning);
    // the edit is open again on the same cell, with the invalid text in it
    QTRY_VERIFY(openEditor(editor));
    QCOMPARE(openEditor(editor)->text(), QString("4097"));
    QCOMPARE(a->text(ColSlot), QString("4097"));
    QCOMPARE(changed.count(), 0);
}

void tst_proclist::slotChange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell"); // the slot afterwards
    QTest::addColumn<bool>("warned");
    QTest::newRow("valid") << "12"
                           << "12" << false;
    QTest::newRow("highest") << "4096"
                             << "4096" << false;
    QTest::newRow("zero clears") << "0"
                                 << "" << false;
    QTest::newRow("empty clears") << ""
                                  << "" << false;
    QTest::newRow("above maxSlot") << "4097"
                                   << "4097" << true;
    QTest::newRow("negative") << "-3"
                              << "-3" << true;
    QTest::newRow("letters") << "abc"
                             << "abc" << true;
    QTest::newRow("digits then letters") << "12abc"
                                         << "12abc" << true;
}

void tst_proclist::slotChange() {
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QFETCH(bool, warned);
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "5"}, {"B", "G", ""}});
    editor.checkForDuplicates();
    ModalScript script;
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    QTreeWidgetItem* b = editor.findProcess("B");
    b->setText(ColSlot, text); // the cell holds the new text when slotChange runs
    editor.slotChange(b, ColSlot, text);
    QCOMPARE(b->text(ColSlot), cell);
    QCOMPARE(script.seen.size(), warned ? 1 : 0);
    QCOMPARE(changed.count(), warned ? 0 : 1);
    if (warned) {
        QCOMPARE(script.seen[0].text, QString("Valid entries are numbers between 0 and 4096"));
        QVERIFY(openEditor(editor));                   // reopened
        QVERIFY(editor.statusLabel->text().isEmpty()); // no check ran
    }
    // other columns are not slot edits
    editor.slotChange(b, ColGroup, "x");
    QCOMPARE(changed.count(), warned ? 0 : 1);
}

void tst_proclist::doubleClickTemplateRow() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "1", true}, {"B", "G", ""}});
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTreeWidgetItem* a = editor.findProcess("A");
    const QRect cell = editor.procList->visualRect(editor.procList->model()->index(0, ColSlot));
    QCOMPARE(editor.procList->topLevelItem(0), a);
    QSignalSpy doubleClicks(editor.procList, &QTreeWidget::itemDoubleClicked);
    doubleClick(editor.procList->viewport(), cell.center());
    QCOMPARE(doubleClicks.count(), 1);
    editor.itemDoubleClicked(a);
    editor.itemDoubleClicked(nullptr);
    QTest::qWait(20);
    QVERIFY(!openEditor(editor));
    // other columns never get an editor, even when asked directly
    editor.procList->editItem(editor.findProcess("B"), ColGroup);
    QVERIFY(!openEditor(editor));
}

void tst_proclist::infodriverNumberEmits() {
    dialog editor(nullptr);
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.infodriverNumber->setValue(12);
    QCOMPARE(changed.count(), 1);
    editor.itemChanged();
    QCOMPARE(changed.count(), 2);
    editor.infodriverNumber->setValue(5000); // clamped to 999
    QCOMPARE(editor.infodriverNumber->value(), 999);
}

void tst_proclist::refreshLimits() {
    FakeDocuments documents;
    dialog editor(&documents);
    editor.maxSlot = 10;
    editor.infodriverNumber->setMaximum(20);
    editor.refreshLimits(); // no system document: limits stay
    QCOMPARE(editor.maxSlot, 10);
    QCOMPARE(editor.infodriverNumber->maximum(), 20);

    Document_TolvSystem system; // built-in values 4096 and 999
    documents.system = &system;
    editor.refreshLimits();
    QCOMPARE(editor.maxSlot, 4096);
    QCOMPARE(editor.infodriverNumber->maximum(), 999);

    dialog orphan(nullptr); // no interface at all
    orphan.refreshLimits();
    QCOMPARE(orphan.maxSlot, 4096);
}

// ---- check and colours -------------------------------------------------------

void tst_proclist::duplicateExample() {
    dialog editor(nullptr);
    fill(editor,
         {{"A", "G", "5"}, {"B", "G", "5"}, {"C", "G", "9000"}, {"D", "G", "6"}, {"E", "G", ""}});
    QVERIFY(editor.checkForDuplicates());
    QCOMPARE(
        editor.statusLabel->text(),
        QString(
            "<h1>Warning</h1>\nThere are duplicates.<p>There are entries out of range (1-4096)."));
    QVERIFY(!editor.findProcess("A")->slotValid);
    QVERIFY(!editor.findProcess("B")->slotValid);
    QVERIFY(!editor.findProcess("C")->slotValid);
    QVERIFY(editor.findProcess("D")->slotValid);
    QVERIFY(editor.findProcess("E")->slotValid);

    // A template slot that collides with a manual slot marks both.
    fill(editor, {{"T", "G", "7", true}, {"M", "G", "7"}});
    editor.checkForDuplicates();
    QVERIFY(!editor.findProcess("T")->slotValid);
    QVERIFY(!editor.findProcess("M")->slotValid);
    QCOMPARE(editor.statusLabel->text(), QString("<h1>Warning</h1>\nThere are duplicates."));

    // The range follows maxSlot.
    fill(editor, {{"A", "G", "0"}, {"B", "G", "-2"}, {"C", "G", "abc"}, {"D", "G", "100"}});
    editor.maxSlot = 99;
    editor.checkForDuplicates();
    QCOMPARE(editor.statusLabel->text(),
             QString("<h1>Warning</h1><p>There are entries out of range (1-99)."));
    for (const char* name : {"A", "B", "C", "D"})
        QVERIFY(!editor.findProcess(name)->slotValid);
}

void tst_proclist::warningColours() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "5"}, {"B", "G", "5"}, {"C", "G", "6"}});
    QSignalSpy itemChanges(editor.procList, &QTreeWidget::itemChanged);
    editor.checkForDuplicates();
    QCOMPARE(itemChanges.count(), 0); // the colours are no item changes
    processItem* bad = editor.findProcess("A");
    processItem* good = editor.findProcess("C");
    for (int col = 0; col < 5; ++col) {
        QCOMPARE(bad->foreground(col).color(), QColor(255, 0, 0));
        QCOMPARE(bad->background(col).color(), QColor(255, 255, 0));
        QCOMPARE(good->background(col).style(), Qt::NoBrush);
        QCOMPARE(good->foreground(col).style(), Qt::NoBrush);
    }

    // What the view paints: red on yellow, and a dark red highlight when selected.
    editor.resize(700, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.procList->clearSelection();
    editor.procList->setCurrentItem(nullptr);
    QTreeWidget* list = editor.procList;
    auto pixelIn = [&](QTreeWidgetItem* item) {
        const QImage image = list->viewport()->grab().toImage();
        const QRect rect = list->visualItemRect(item);
        const int x = qMin(rect.right(), image.width() - 1) - 3; // blank part of the last column
        return image.pixelColor(x, rect.center().y());
    };
    QCOMPARE(pixelIn(bad), QColor(255, 255, 0));
    QVERIFY(pixelIn(good) != QColor(255, 255, 0));
    bad->setSelected(true);
    QCOMPARE(pixelIn(bad), QColor(139, 0, 0));

    // After the slot is mended and checked again, the colours are gone.
    bad->setText(ColSlot, "7");
    editor.checkForDuplicates();
    QCOMPARE(bad->foreground(0).style(), Qt::NoBrush);
    bad->setSelected(false);
    QVERIFY(pixelIn(bad) != QColor(255, 255, 0));
}

void tst_proclist::checkClearsWarning() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "5"}, {"B", "G", "5"}});
    editor.checkForDuplicates();
    QVERIFY(!editor.statusLabel->text().isEmpty());
    editor.findProcess("B")->setText(ColSlot, "6");
    editor.checkForDuplicates();
    QVERIFY(editor.statusLabel->text().isEmpty());
    QVERIFY(editor.findProcess("A")->slotValid);
    QVERIFY(editor.findProcess("B")->slotValid);
}

// ---- auto-numbering ------------------------------------------------------------

void tst_proclist::autoNumberFirstRunProposesBase1() {
    dialog editor(nullptr);
    editor.maxSlot = 2000;
    fill(editor, {{"A", "G1", ""}, {"B", "G2", ""}});
    ModalScript script;
    AutoNumberAnswer answer;
    answer.accept = false;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    QCOMPARE(answer.shownBase, 1);
    QCOMPARE(answer.shownOffset, 0);
    QCOMPARE(answer.shownChoice, 0);
    QCOMPARE(answer.baseMaximum, 2000);
    QCOMPARE(answer.groups, (QStringList{"G1", "G2"}));
}

void tst_proclist::autoNumberOffsets_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("offset 10") << 10 << QStringList{"1", "2", "3", "11", "12", "21"};
    QTest::newRow("offset 3") << 3 << QStringList{"1", "2", "3", "4", "5", "7"};
}

void tst_proclist::autoNumberOffsets() {
    QFETCH(int, offset);
    QFETCH(QStringList, expected);
    dialog editor(nullptr);
    fill(editor, {{"A1", "G1", ""},
                  {"A2", "G1", ""},
                  {"A3", "G1", ""},
                  {"B1", "G2", ""},
                  {"B2", "G2", ""},
                  {"C1", "G3", "99"}});
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    ModalScript script;
    AutoNumberAnswer answer;
    answer.offset = offset;
    script.answer(autoNumberAnswer(answer));
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.autoNumber();
    QVERIFY(answer.offsetEnabled);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(column(editor, 0), (QStringList{"A1", "A2", "A3", "B1", "B2", "C1"}));
    QCOMPARE(column(editor, ColSlot), expected);
    QCOMPARE(dialog::lastOffset, offset);

    // The next opening proposes the values of this run.
    AutoNumberAnswer again;
    again.accept = false;
    script.answer(autoNumberAnswer(again));
    editor.autoNumber();
    QCOMPARE(again.shownBase, 1);
    QCOMPARE(again.shownOffset, offset);
}

void tst_proclist::autoNumberSelectGroup() {
    dialog editor(nullptr);
    fill(editor, {{"A1", "G1", ""},
                  {"A2", "G1", ""},
                  {"A3", "G1", ""},
                  {"B1", "G2", ""},
                  {"B2", "G2", ""},
                  {"C1", "G3", "8"}});
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    editor.procList->setCurrentItem(editor.findProcess("B2"));
    editor.procList->clearSelection();
    ModalScript script;
    AutoNumberAnswer answer;
    answer.choice = AutoNumberGroup;
    answer.offset = 10;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    QCOMPARE(answer.currentGroup, QString("G2")); // the current row's group is proposed
    QCOMPARE(column(editor, ColSlot), (QStringList{"", "", "", "11", "12", "8"}));
}

void tst_proclist::autoNumberSelectedRows() {
    dialog editor(nullptr);
    fill(editor,
         {{"P1", "G", "40"}, {"P2", "G", ""}, {"P3", "G", "41"}, {"P4", "G", ""}, {"P5", "G", ""}});
    editor.findProcess("P2")->setSelected(true);
    editor.findProcess("P4")->setSelected(true);
    ModalScript script;
    AutoNumberAnswer answer;
    answer.base = 20;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    QCOMPARE(answer.shownChoice, int(AutoNumberSelected)); // more than one row selected
    QCOMPARE(column(editor, ColSlot), (QStringList{"40", "20", "41", "21", ""}));
    QCOMPARE(dialog::lastBase, 20);
}

void tst_proclist::autoNumberSortedByProcess() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G1", ""}, {"B", "G2", ""}, {"C", "G3", ""}});
    dialog::lastOffset = 10; // from an earlier run sorted by group
    ModalScript script;
    AutoNumberAnswer answer;
    answer.base = 5;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    QVERIFY(!answer.offsetEnabled);
    QCOMPARE(answer.shownOffset, 0);
    QCOMPARE(column(editor, ColSlot), (QStringList{"5", "6", "7"}));
    QCOMPARE(dialog::lastOffset, 0);

    // The next opening, now sorted by group, shows offset 0.
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    AutoNumberAnswer next;
    next.accept = false;
    script.answer(autoNumberAnswer(next));
    editor.autoNumber();
    QVERIFY(next.offsetEnabled);
    QCOMPARE(next.shownOffset, 0);
    QCOMPARE(next.shownBase, 5);
}

void tst_proclist::autoNumberManualOrder() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G1", ""}, {"B", "G1", ""}, {"C", "G2", ""}});
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    editor.procList->setCurrentItem(editor.findProcess("C"));
    editor.moveProcUp(); // manual order A, C, B: no sort column, no offset
    ModalScript script;
    AutoNumberAnswer answer;
    answer.choice = AutoNumberAll;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    QVERIFY(!answer.offsetEnabled);
    QCOMPARE(column(editor, 0), (QStringList{"A", "C", "B"}));
    QCOMPARE(column(editor, ColSlot), (QStringList{"1", "2", "3"}));
}

void tst_proclist::autoNumberCancelled() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "5"}, {"B", "G", "5"}});
    ModalScript script;
    AutoNumberAnswer answer;
    answer.base = 50;
    answer.accept = false;
    script.answer(autoNumberAnswer(answer));
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.autoNumber();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(column(editor, ColSlot), (QStringList{"5", "5"}));
    QCOMPARE(dialog::lastBase, 1);
    // the check still ran
    QCOMPARE(editor.statusLabel->text(), QString("<h1>Warning</h1>\nThere are duplicates."));
}

void tst_proclist::autoNumberTemplateRows() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G1", ""},
                  {"B", "G1", "1", true},
                  {"C", "G1", ""},
                  {"D", "G2", "2", true},
                  {"E", "G2", ""}});
    editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"A", "C", "B", "E", "D"})); // ties by slot
    ModalScript script;
    AutoNumberAnswer answer;
    answer.offset = 10;
    script.answer(autoNumberAnswer(answer));
    editor.autoNumber();
    // A, C (G1) get 1 and 2; E (G2) 11; the template rows keep theirs.
    QCOMPARE(editor.findProcess("A")->text(ColSlot), QString("1"));
    QCOMPARE(editor.findProcess("C")->text(ColSlot), QString("2"));
    QCOMPARE(editor.findProcess("E")->text(ColSlot), QString("11"));
    QCOMPARE(editor.findProcess("B")->text(ColSlot), QString("1"));
    QCOMPARE(editor.findProcess("D")->text(ColSlot), QString("2"));
    QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C", "D", "E"})); // sorted again
    // numbers that collide with template slots are reported
    QCOMPARE(editor.statusLabel->text(), QString("<h1>Warning</h1>\nThere are duplicates."));
    QVERIFY(!editor.findProcess("B")->slotValid);
}

// ---- clearing --------------------------------------------------------------------

void tst_proclist::clearQuestionCounts() {
    dialog editor(nullptr);
    QVector<Row> rows;
    for (int i = 0; i < 10; ++i)
        rows.append({QString("P%1").arg(i), "G", i < 5 ? QString::number(i + 1) : "", i >= 7});
    fill(editor, rows);
    editor.procList->clearSelection();
    ModalScript script;
    script.clickButton("&All");
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.clearSlots();
    QCOMPARE(script.seen.size(), 1);
    QCOMPARE(script.seen[0].caption, QString("Alarms TOLV Outputs"));
    QCOMPARE(script.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(script.seen[0].text,
             QString("Do you want to delete the slot allocation for all processes ?\n"
                     "Or only those not assigned using templates ?\n\n"
                     "There are 10 processes \n"
                     "  3 have slots assigned by templates \n"
                     "  7 have slots not assigned by templates"));
    QCOMPARE(script.seen[0].buttons, (QStringList{"&All", "&Non template assigned", "&Cancel"}));
    QCOMPARE(changed.count(), 1);
    for (int i = 0; i < 10; ++i) {
        auto* item = static_cast<processItem*>(editor.procList->topLevelItem(i));
        QVERIFY(item->text(ColSlot).isEmpty());
        QVERIFY(item->text(ColDevType).isEmpty());
        QVERIFY(item->text(ColInstance).isEmpty());
        QVERIFY(item->isFree());
    }
}

void tst_proclist::clearNonTemplate() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "1"}, {"B", "G", "2", true}, {"C", "G", "3"}});
    editor.procList->clearSelection();
    ModalScript script;
    script.clickButton("&Non template assigned");
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.clearSlots();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editor.findProcess("A")->text(ColSlot), QString());
    QCOMPARE(editor.findProcess("C")->text(ColSlot), QString());
    processItem* b = editor.findProcess("B");
    QCOMPARE(b->text(ColSlot), QString("2"));
    QCOMPARE(b->text(ColDevType), QString("pump"));
    QVERIFY(!b->isFree());
}

void tst_proclist::clearCancel() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "1"}, {"B", "G", "2", true}});
    editor.procList->clearSelection();
    ModalScript script;
    script.clickButton("&Cancel");
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.clearSlots();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(column(editor, ColSlot), (QStringList{"1", "2"}));

    // Escape (no button clicked) is Cancel too.
    script.answer([](QDialog& box) { return box.result(); });
    editor.clearSlots();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(column(editor, ColSlot), (QStringList{"1", "2"}));
}

void tst_proclist::clearSelected() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", "1"}, {"B", "G", "2"}, {"C", "G", "3", true}, {"D", "G", "4"}});
    editor.findProcess("A")->setSelected(true);
    editor.findProcess("D")->setSelected(true);
    editor.findProcess("C")->setSelected(true); // Qt 6 lets a program select a template row
    ModalScript script;
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.clearSlots();
    QCOMPARE(script.seen.size(), 0); // no question with a selection
    QCOMPARE(changed.count(), 1);
    QCOMPARE(column(editor, ColSlot), (QStringList{"", "2", "3", ""}));
    QVERIFY(!editor.findProcess("C")->isFree());
}

void tst_proclist::clearAllKeepsCurrentAndSelection() {
    dialog editor(nullptr);
    fill(
        editor,
        {{"A", "G", "4"}, {"B", "G", "3", true}, {"C", "G", "2"}, {"D", "G", "1"}, {"E", "G", ""}});
    editor.procList->sortByColumn(ColSlot, Qt::DescendingOrder);
    QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C", "D", "E"}));
    editor.procList->setCurrentItem(editor.findProcess("D"));
    editor.findProcess("A")->setSelected(true);
    editor.findProcess("C")->setSelected(true);
    editor.clearAllSlots();
    // sorted again (all slots empty: ties keep their order), B is free now
    QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C", "D", "E"}));
    QVERIFY(editor.findProcess("B")->isFree());
    QCOMPARE(editor.procList->currentItem(), editor.findProcess("D"));
    QVERIFY(editor.findProcess("A")->isSelected());
    QVERIFY(!editor.findProcess("B")->isSelected());
    QVERIFY(editor.findProcess("C")->isSelected());
    QVERIFY(editor.findProcess("D")->isSelected());
    QVERIFY(!editor.findProcess("E")->isSelected());
    QCOMPARE(editor.clearSlotsButton->text(), QString("Clear Selected Slots"));
    QVERIFY(editor.navToProc->isEnabled());
}

void tst_proclist::bulkEdits() {
    dialog editor(nullptr);
    fill(editor, {{"A", "G", ""}, {"B", "G", ""}, {"C", "G", ""}});
    editor.procList->sortByColumn(ColSlot, Qt::AscendingOrder);
    QSignalSpy dataChanged(editor.procList->model(), &QAbstractItemModel::dataChanged);
    editor.editCells([&] {
        editor.findProcess("A")->setText(ColSlot, "30");
        editor.findProcess("B")->setText(ColSlot, "10");
        editor.findProcess("C")->setText(ColSlot, "20");
        QCOMPARE(column(editor, 0), (QStringList{"A", "B", "C"})); // not sorted meanwhile
    });
    QCOMPARE(dataChanged.count(), 1); // one signal for the whole list
    QCOMPARE(column(editor, 0), (QStringList{"B", "C", "A"}));
    QVERIFY(editor.procList->isSortingEnabled());
    QVERIFY(editor.procList->updatesEnabled());

    // Texts and flags of every row, in display order.
    editor.findProcess("C")->setSelected(true);
    QStringList seen;
    editor.changeAllRows([&](QTreeWidgetItem* item) {
        seen.append(item->text(0));
        if (item->text(0) == "C") { // claimed by a template
            item->setText(ColDevType, "pump");
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        }
        if (item->text(0) == "B")
            item->setText(ColSlot, "40");
    });
    QCOMPARE(seen, (QStringList{"B", "C", "A"}));
    QCOMPARE(column(editor, 0), (QStringList{"C", "A", "B"}));
    QVERIFY(!editor.findProcess("C")->isFree());
    QVERIFY(!editor.findProcess("C")->isSelected()); // a template row is not selected again
    QCOMPARE(editor.findProcess("B"), editor.procList->topLevelItem(2)); // index follows
}

// ---- clipboard ---------------------------------------------------------------------

void tst_proclist::copyPasteRoundTrip() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", "3"}, {"P2", "G", ""}, {"P3", "G", "9"}});
    editor.findProcess("P2")->setSelected(true);
    editor.findProcess("P1")->setSelected(true);
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.copyData();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(QApplication::clipboard()->text(), QString("P1\tG\t3\nP2\tG\t"));
    QVERIFY(editor.paste->isEnabled());

    editor.findProcess("P1")->setText(ColSlot, "77");
    editor.findProcess("P2")->setText(ColSlot, "78");
    ModalScript script;
    editor.pasteData();
    QCOMPARE(script.seen.size(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editor.findProcess("P1")->text(ColSlot), QString("3"));
    QCOMPARE(editor.findProcess("P2")->text(ColSlot), QString("78")); // two fields: not pasted
    QCOMPARE(editor.findProcess("P3")->text(ColSlot), QString("9"));
}

void tst_proclist::copyNothingSelected() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", "3"}});
    editor.procList->clearSelection();
    QApplication::clipboard()->setText("old");
    editor.copyData();
    QCOMPARE(QApplication::clipboard()->text(), QString());
    QVERIFY(!editor.paste->isEnabled());
}

void tst_proclist::pasteAvailability() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", "1"}, {"P2", "G", "2"}});
    QApplication::clipboard()->setText("P1\tG\t5");
    QVERIFY(editor.paste->isEnabled());
    QApplication::clipboard()->setText("P1\tG\nP2\tG\t7");
    QVERIFY(!editor.paste->isEnabled());
    // with the button disabled a paste through the slot does nothing either
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.pasteData();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(column(editor, ColSlot), (QStringList{"1", "2"}));
    QApplication::clipboard()->clear();
    QVERIFY(!editor.paste->isEnabled());

    // a new editor looks at the clipboard when it starts
    QApplication::clipboard()->setText("P1\tG\t5\n");
    dialog other(nullptr);
    QVERIFY(other.paste->isEnabled());
}

void tst_proclist::pasteGroupMismatch_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("emitted");
    // lines: P1 in H (mismatch), P2 in G (match), P3 in H (mismatch)
    QTest::newRow("ignore groups") << "&Ignore Groups" << QStringList{"7", "8", "9"} << 1 << 1;
    QTest::newRow("skip") << "&Skip" << QStringList{"1", "8", "3"} << 2 << 1;
    QTest::newRow("cancel") << "&Cancel" << QStringList{"1", "2", "3"} << 1 << 0;
}

void tst_proclist::pasteGroupMismatch() {
    QFETCH(QString, button);
    QFETCH(QStringList, expected);
    QFETCH(int, questions);
    QFETCH(int, emitted);
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", "1"}, {"P2", "G", "2"}, {"P3", "G", "3"}});
    QApplication::clipboard()->setText("P1\tH\t7\nP2\tG\t8\nP3\tH\t9");
    ModalScript script;
    script.clickButton(button);
    script.clickButton(button);
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.pasteData();
    QCOMPARE(script.seen.size(), questions);
    QCOMPARE(script.seen[0].caption, QString("TOLV Output"));
    QCOMPARE(script.seen[0].text, QString("Process P1 is not a member\ngroup H"));
    QCOMPARE(script.seen[0].buttons, (QStringList{"&Ignore Groups", "&Skip", "&Cancel"}));
    QCOMPARE(script.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(column(editor, ColSlot), expected);
    QCOMPARE(changed.count(), emitted);
}

void tst_proclist::pasteCrLf() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", ""}, {"P2", "G", ""}, {"P3", "G", ""}});
    QApplication::clipboard()->setText("P1\tG\t10\r\nP2\tG\t11\r\nP3\tG\t12\r\n");
    QVERIFY(editor.paste->isEnabled());
    ModalScript script;
    editor.pasteData();
    QCOMPARE(column(editor, ColSlot), (QStringList{"10", "11", "12"}));
    editor.checkForDuplicates();
    QVERIFY(editor.statusLabel->text().isEmpty()); // nothing out of range
}

void tst_proclist::pasteSkipsTemplateAndUnknownRows() {
    dialog editor(nullptr);
    fill(editor, {{"P1", "G", "1", true}, {"P2", "G", "2"}});
    QApplication::clipboard()->setText("P1\tG\t7\nNOPE\tG\t8\nP2\tG\t9\np2\tG\t10");
    ModalScript script;
    QSignalSpy changed(&editor, &dialog::itemsChanged);
    editor.pasteData();
    QCOMPARE(script.seen.size(), 0); // skipped without a message
    QCOMPARE(editor.findProcess("P1")->text(ColSlot), QString("1"));
    QCOMPARE(editor.findProcess("P2")->text(ColSlot), QString("9"));
    QCOMPARE(changed.count(), 1);
    // no check runs: the warning line waits for the next check
    QVERIFY(editor.statusLabel->text().isEmpty());
}

QTEST_MAIN(tst_proclist)
#include "tst_proclist.moc"
