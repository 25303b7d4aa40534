#pragma once

#include "core/process_definitions.h"
#include "core/slot_rules.h"
#include "core/store_paths.h"
#include "forms/dialog_base.h"
#include "proclist/process_row.h"

#include <QString>
#include <QVector>

#include <vector>

#include <functional>

class IGetDocuments;
class QAction;
class QLineEdit;
class QModelIndex;
class QPersistentModelIndex;
class ProcessListModel;
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

    // Replaces every row by one free row per process definition.
    void setProcesses(const QVector<ProcessDefinition>& processes);

    // The rows for the other parts of the editor, by display row (0 at the top).
    int rowCount() const;
    ProcessRow processRow(int row) const;
    // The display row of the first row named exactly name, or -1.
    int rowOf(const QString& name) const;
    // The process of the current row; empty when there is none.
    QString currentProcess() const;
    // Calls change() for every row in display order; the slot, the template
    // columns and free may change (name, group and slotValid are kept). One
    // change signal for the whole list and one sort at the end; a row that is
    // no longer free leaves the selection.
    void editRows(const std::function<void(int row, ProcessRow& values)>& change);
    // What a committed in-place edit of the row's slot does: the entry is judged
    // (a refused one is reported and the edit opened again) and counts as a change.
    void enterSlot(int row, const QString& text);
    // Commits an open in-place edit as its editor losing the focus would, but
    // reports a refused entry at once: false then, the edit stays open.
    bool commitOpenEdit();
    // Makes the row current and its only selection, shows it in the middle of the
    // list and gives the list the focus.
    void showProcess(int row);

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
    // Find above the list (object name "findField", Ctrl+F): the current row
    // moves to the first process whose name contains the text, Enter to the next.
    QLineEdit* findField = nullptr;

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
    void selectProc(const QModelIndex& index);
    void itemDoubleClicked(const QModelIndex& index);
    void slotChange(const QPersistentModelIndex& index, const QString& text);
    // An entry that slotChange takes without a warning: a slot in range, 0 or nothing.
    bool isAcceptedSlotEntry(const QString& text) const;
    bool checkForDuplicates();

signals:
    void itemsChanged();

private:
    // The constructor's parts.
    void setUpList();
    void setUpButtons();
    void setUpShortcuts();
    void setUpFind();

    // Moves the current row one place up (-1) or down (+1).
    void moveProc(int step);
    void beginManualOrder();
    // The selected free rows, display rows ascending, each once.
    std::vector<int> selectedFreeRows() const;
    void dropUnselectableFromSelection();
    // The rows as auto-numbering sees them, in display order.
    QVector<AutoNumberRow> autoNumberRows() const;
    // Rows whose names a module file cannot hold, named in one box; false when
    // the editor went away meanwhile.
    bool reportUnstorable(const QStringList& names);
    // Writes an accepted entry to the row of that store index.
    void applySlotEntry(int storeIndex, const QString& text);
    // Tells of a refused entry and opens the edit again with it.
    void refuseSlotEntry(int storeIndex, const QString& name, const QString& text);
    void findNext(bool fromCurrent);

    IGetDocuments* documents;
    ProcessListModel* model = nullptr;
    processListDelegate* delegate = nullptr;
    quint64 rowsGeneration = 0;   // counts setProcesses(): store indexes of older rows are void
    bool autoColumnWidths = true; // no stored column layout and no column sized by the user
    bool fittingColumns = false;
    void fitTextColumns();
};
