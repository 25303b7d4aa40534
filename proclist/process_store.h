#pragma once

// The row store of the process list and the model over it. Only proclist/
// includes this file; the rest of the editor reads and changes rows through
// dialog's row API.

#include "core/process_definitions.h"
#include "proclist/process_row.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QVector>

#include <functional>
#include <vector>

// Texts met many times (groups, device types, instances) are kept once each;
// a row holds their numbers. Number 0 is the empty text.
class TextPool {
public:
    TextPool() { clear(); }
    void clear();
    int intern(const QString& text);
    const QString& text(int id) const { return texts[std::size_t(id)]; }
    int size() const { return int(texts.size()); }

private:
    std::vector<QString> texts;
    QHash<QString, int> ids;
};

// One process in file order: its name, its slot as shown and as a number for
// the order, the pooled texts and the flags.
struct StoredRow {
    QString name;
    QString slot;
    int slotOrder = 0; // leadingSlotNumber(slot)
    int group = 0;
    int devType = 0;
    int instance = 0;
    enum : quint8 { Claimed = 1, SlotInvalid = 2 };
    quint8 flags = 0;
};

class ProcessListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ProcessListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Sorts by the column's text (locale-aware), then the slot number; equal
    // keys keep their places in both directions.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Replaces every row (one reset).
    void setProcesses(const QVector<ProcessDefinition>& processes);
    ProcessRow row(int displayRow) const;
    QString text(int displayRow, int column) const;
    bool isFree(int displayRow) const;
    // The store index of a display row and back; a store index stays with its
    // row until the next setProcesses().
    int storeIndex(int displayRow) const { return order[std::size_t(displayRow)]; }
    int displayRow(int storeIndex) const { return position[std::size_t(storeIndex)]; }
    // The first display row of that name, or -1.
    int rowOf(const QString& name) const;
    // The display row of the first process at or after start (round to the top)
    // whose name holds the text, case aside; -1 when none does.
    int findRow(const QString& text, int start) const;
    // Changes rows (in display order) through their values; one dataChanged()
    // for the whole list.
    void editRows(const std::function<void(int, ProcessRow&)>& change);
    // Changes the rows given by display row; one dataChanged() over their span.
    void editSome(const std::vector<int>& displayRows,
                  const std::function<void(int, ProcessRow&)>& change);
    // The slot texts in display order, and the check's verdicts back.
    QVector<QString> slotTexts() const;
    void setSlotValid(const QVector<bool>& valid);
    // Swaps the display row with its neighbour (step -1 or +1).
    void moveRow(int displayRow, int step);
    // Sorting again after a change while the list is sorted.
    int sortColumn = ColProcess;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    bool sorted = true;
    void resort() {
        if (sorted)
            sort(sortColumn, sortOrder);
    }

private:
    void store(int storeIndex, const ProcessRow& values);
    void rebuildPositions();
    // Announces changed rows (display rows lowest..highest) and sorts again. A
    // sorted list signals after the sort: the view then lays out every row
    // anyway and does not look for the changed rows one by one.
    void changed(int lowest, int highest, const QList<int>& roles = {});
    // The sort keys that outlive a sort: the rank of every name (by store
    // index) and of every pooled text (by text number), computed when first
    // needed. Names change only with setProcesses(); the pool only grows.
    const std::vector<int>& nameRanks();
    const std::vector<int>& poolRanks();

    std::vector<StoredRow> rows;
    std::vector<int> order;    // display row -> store index
    std::vector<int> position; // store index -> display row
    TextPool pool;
    // The store index of each name; a name met more than once has -1 here and
    // all its store indexes in sameNames.
    QHash<QString, int> byName;
    QMultiHash<QString, int> sameNames;
    std::vector<int> nameRank; // empty: not computed since the last setProcesses()
    std::vector<int> poolRank; // for the texts of the pool when it had this size
};
