#pragma once

#include "proclist/process_row.h"

#include <QTreeWidgetItem>

// Item data role under which a row reports its slotValid flag (for the delegate
// that paints the highlight of an invalid row).
constexpr int SlotValidRole = Qt::UserRole + 1;

// One alarm process in the process list.
class processItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    // A row of the list view with the process name and its group.
    processItem(QTreeWidget* parent, const QString& name, const QString& group);
    // A row not yet in a list, for inserting many rows at once.
    processItem(const QString& name, const QString& group);
    ~processItem() override;

    // Qt 3's compare(): the sort column's text (locale-aware), ties and column 4
    // by slot number. Returns <0, 0 or >0 for the ascending order.
    int compare(const processItem* other, int column) const;
    bool operator<(const QTreeWidgetItem& other) const override;

    // The warning colours of Qt 3's paintCell(): red text on yellow while
    // slotValid is false. They are answered here, not stored, so that the check
    // emits no itemChanged() for them.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;

    // Selectable and enabled: a free row (not claimed by a template).
    bool isFree() const;

    // A sort of many rows: the view's own sort compares rows n log n times, each
    // comparison reaching into two items. rankRows() compares the keys of one
    // column once, copied into a plain vector, and gives every row its rank
    // (equal keys, equal rank); until endRanking(), operator< compares the ranks
    // of that view's rows, so the view sorts them in the same order, ties kept in
    // place, by comparing numbers. Returns false (and ranks nothing) when the
    // view holds rows of another type.
    static bool rankRows(const QTreeWidget* view, int column);
    static void endRanking();

    // False when the duplicate and range check found the slot duplicated or out of range.
    bool slotValid = true;

private:
    // Column 4 read as leadingSlotNumber(), kept up to date by setData(). The
    // texts of columns 0-3 are read when a sort ranks the rows, once per row;
    // rows keep no copies of them (a million rows, 96 bytes each).
    int slotOrder = 0;
    int sortRank = 0; // valid while rankedView is this row's view

    static const QTreeWidget* rankedView;
};
