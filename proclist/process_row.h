#pragma once

#include <QString>
#include <Qt>

// Columns of the process list.
enum ProcessColumn { ColProcess = 0, ColGroup = 1, ColDevType = 2, ColInstance = 3, ColSlot = 4 };

// The model role under which a row reports its slotValid flag (for the delegate
// that paints the highlight of an invalid row).
constexpr int SlotValidRole = Qt::UserRole + 1;

// One row of the process list as a value: what the other parts of the editor
// read and change through dialog::processRow() and dialog::editRows().
struct ProcessRow {
    QString name;
    QString group;
    QString devType;       // the template claiming the row; empty on a free row
    QString instance;      // that template's instance
    QString slot;          // exactly as shown; empty: no slot
    bool free = true;      // selectable: not claimed by a template
    bool slotValid = true; // the last duplicate and range check found no fault
};
