#pragma once

#include "core/process_definitions.h"
#include "core/slot_rules.h"
#include "core/store_paths.h"
#include "forms/dialog_base.h"
#include "proclist/process_row.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <functional>

class IGetDocuments;
class QAction;
class QTreeWidgetItem;
class processItem;
class processListDelegate;

// The process list editor: the table of processes with their
// infodriver slots, the infodriver number, ordering, auto-numbering, clearing,
// copying and pasting of slots, and the duplicate and range check.
class dialog : public dialogBase {
    Q_OBJECT
public:
    dialog(IGetDocuments* documents, QWidget* parent = nullptr, const char* name = nullptr,
           Qt::WindowFlags flags = {});
    ~dialog() override;

    // Takes maxSlot and the infodriver number's maximum from the system document
    // (built-in 4096 and 999 while there is none).
    void refreshLimits();

    // Replaces every row by one free row per process definition, in
    // one bulk insert with one sort at the end.
    void setProcesses(const QVector<ProcessDefinition>& processes);
    // The first row (in display order) whose Process column is exactly name.
    processItem* findProcess(const QString& name) const;

    // The rows for the other parts of the editor, by display row (0 at the top).
    int rowCount() const;
    ProcessRow processRow(int row) const;
    // The display row of the first row named exactly name, or -1.
    int rowOf(const QString& name) const;
    // The process of the current row; empty when there is none.
    QString currentProcess() const;
    // Calls change() for every row in display order; the slot, the template
    // columns and free may change (name, group and slotValid are kept). One
    // change signal for the whole list and one sort at the end.
    void editRows(const std::function<void(int row, ProcessRow& values)>& change);
    // What a committed in-place edit of the row's slot does: the entry is judged
    // (a refused one is reported and the edit opened again) and counts as a change.
    void enterSlot(int row, const QString& text);
    // Makes the row current and its only selection, shows it in the middle of the
    // list and gives the list the focus.
    void showProcess(int row);

    // Bulk changes for the other Parts (loading a module, applying templates).
    // Qt 6.4's QTreeModel finds an item's row for every item-level change signal
    // (setText, setFlags, setSelected, ...) by a linear search once the list has
    // been sorted, so a loop of such calls over all rows costs n * n.
    //
    // editCells(): runs change() with screen updates and sorting off and the
    // model's change signals held back; then one change signal for the whole
    // list and one sort. For changes of texts only (rows may be found with
    // findProcess() meanwhile); no rows may be added, removed or re-flagged.
    void editCells(const std::function<void()>& change);
    // changeAllRows(): takes all rows out of the list, calls change() on each in
    // display order (texts and flags may change), puts them back in one insertion,
    // sorts once and restores the current row and the selection.
    void changeAllRows(const std::function<void(QTreeWidgetItem*)>& change);

    // Highest valid infodriver slot; valid slots are 1..maxSlot.
    int maxSlot = StorePaths::defaultMaxSlot;
    // True while the list is sorted by a column; false after a manual move.
    bool sortActive = true;
    // The sort order in force when manual ordering began.
    Qt::SortOrder savedSortOrder = Qt::AscendingOrder;

    // Base and Group Offset of the last accepted auto-numbering, shared by the
    // whole process.
    static int lastBase;
    static int lastOffset;

    // The keyboard actions (object names "copy" and "paste"); they only give the
    // Ctrl+C and Ctrl+V shortcuts.
    QAction* copyAction = nullptr;
    QAction* pasteAction = nullptr;

public slots:
    void dummy();
    void clearAllSlots();
    void clearSlots();
    void clearSelectableSlots();
    void clearSelectedSlots();
    void reSort(int column);
    void changeSelection();
    void moveProcUp();
    void moveProcDown();
    void itemChanged();
    void itemChanged(const QString& text);
    void autoNumber();
    void clipboardDataChange();
    void pasteData();
    void copyData();
    void selectProc(QTreeWidgetItem* item);
    void itemDoubleClicked(QTreeWidgetItem* item);
    void slotChange(QTreeWidgetItem* item, int column, const QString& text);
    // An entry that slotChange takes without a warning: a slot in range, 0 or nothing.
    bool isAcceptedSlotEntry(const QString& text) const;
    bool checkForDuplicates();

signals:
    void itemsChanged();

private:
    class BulkChange;

    // The constructor's parts.
    void setUpList();
    void setUpButtons();
    void setUpShortcuts();
    void trackRows();

    // Moves the current row one place up (-1) or down (+1).
    void moveProc(int step);
    void beginManualOrder();
    void restoreSelection(const QSet<QTreeWidgetItem*>& selected, QTreeWidgetItem* current);
    QList<QTreeWidgetItem*> selectedFreeRows() const;
    // The rows as auto-numbering sees them, in display order.
    QVector<AutoNumberRow> autoNumberRows() const;
    void rebuildIndex() const;

    IGetDocuments* documents;
    processListDelegate* delegate = nullptr;

    // Process name -> first row of that name, rebuilt lazily after rows were
    // added, removed, re-ordered or renamed.
    mutable QHash<QString, processItem*> processIndex;
    mutable bool indexValid = false;
    quint64 rowRemovals = 0;      // guards queued slot edits against deleted rows
    bool autoColumnWidths = true; // no stored column layout and no column sized by the user
    bool fittingColumns = false;
    void fitTextColumns();
};
