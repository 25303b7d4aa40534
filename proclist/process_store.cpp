#include "proclist/process_store.h"

#include "core/module_file.h"
#include "core/slot_rules.h"

#include <QBrush>
#include <QCollator>
#include <QColor>
#include <QCoreApplication>

#include <algorithm>
#include <numeric>
#include <utility>

void TextPool::clear() {
    texts.assign(1, QString());
    ids.clear();
    ids.insert(QString(), 0);
}

int TextPool::intern(const QString& text) {
    if (text.isEmpty())
        return 0;
    const auto it = ids.constFind(text);
    if (it != ids.cend())
        return it.value();
    texts.push_back(text);
    ids.insert(text, int(texts.size()) - 1);
    return int(texts.size()) - 1;
}

ProcessListModel::ProcessListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ProcessListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(order.size());
}

int ProcessListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColSlot + 1;
}

QString ProcessListModel::text(int displayRow, int column) const {
    const StoredRow& row = rows[std::size_t(order[std::size_t(displayRow)])];
    switch (column) {
    case ColProcess:
        return row.name;
    case ColGroup:
        return pool.text(row.group);
    case ColDevType:
        return pool.text(row.devType);
    case ColInstance:
        return pool.text(row.instance);
    case ColSlot:
        return row.slot;
    default:
        return QString();
    }
}

bool ProcessListModel::isFree(int displayRow) const {
    return !(rows[std::size_t(order[std::size_t(displayRow)])].flags & StoredRow::Claimed);
}

QVariant ProcessListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const bool invalid =
        rows[std::size_t(order[std::size_t(index.row())])].flags & StoredRow::SlotInvalid;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::ForegroundRole: // the warning colours: red on yellow
        return invalid ? QVariant(QBrush(QColor(255, 0, 0))) : QVariant();
    case Qt::BackgroundRole:
        return invalid ? QVariant(QBrush(QColor(255, 255, 0))) : QVariant();
    case SlotValidRole:
        return !invalid;
    default:
        return QVariant();
    }
}

QVariant ProcessListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titles[] = {"Process", "Group", "Dev Type", "Instance",
                                         "Infodriver Slot"};
    if (orientation != Qt::Horizontal || section < 0 || section > ColSlot)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QCoreApplication::translate("dialogBase", titles[section]);
    if (role == Qt::InitialSortOrderRole) // a new sort column starts ascending
        return int(Qt::AscendingOrder);
    return QVariant();
}

Qt::ItemFlags ProcessListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (!isFree(index.row()))
        return Qt::ItemIsEnabled; // a template row: not selectable
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Only a name that a module file can hold can get a slot.
    if (index.column() == ColSlot && isStorableProcessName(text(index.row(), ColProcess)))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void ProcessListModel::setProcesses(const QVector<ProcessDefinition>& processes) {
    beginResetModel();
    rows.clear();
    pool.clear();
    byName.clear();
    sameNames.clear();
    nameRank.clear();
    poolRank.clear();
    rows.reserve(std::size_t(processes.size()));
    byName.reserve(processes.size());
    for (const ProcessDefinition& process : processes) {
        StoredRow row;
        row.name = process.name;
        row.group = pool.intern(process.group);
        if (const auto it = byName.find(process.name); it == byName.end()) {
            byName.insert(process.name, int(rows.size()));
        } else {
            if (it.value() >= 0)
                sameNames.insert(process.name, std::exchange(it.value(), -1));
            sameNames.insert(process.name, int(rows.size()));
        }
        rows.push_back(std::move(row));
    }
    order.resize(rows.size());
    std::iota(order.begin(), order.end(), 0);
    rebuildPositions();
    endResetModel();
    resort();
}

ProcessRow ProcessListModel::row(int displayRow) const {
    ProcessRow values;
    if (displayRow < 0 || displayRow >= rowCount())
        return values;
    const StoredRow& row = rows[std::size_t(order[std::size_t(displayRow)])];
    values.name = row.name;
    values.group = pool.text(row.group);
    values.devType = pool.text(row.devType);
    values.instance = pool.text(row.instance);
    values.slot = row.slot;
    values.free = !(row.flags & StoredRow::Claimed);
    values.slotValid = !(row.flags & StoredRow::SlotInvalid);
    return values;
}

int ProcessListModel::rowOf(const QString& name) const {
    const auto only = byName.constFind(name);
    if (only == byName.cend())
        return -1;
    if (only.value() >= 0)
        return position[std::size_t(only.value())];
    int first = -1;
    const auto [from, to] = sameNames.equal_range(name);
    for (auto it = from; it != to; ++it) {
        const int at = position[std::size_t(it.value())];
        if (first < 0 || at < first)
            first = at;
    }
    return first;
}

int ProcessListModel::findRow(const QString& text, int start) const {
    const int count = rowCount();
    if (text.isEmpty() || count == 0)
        return -1;
    // In store order, the order of the names in memory, without a copy of any;
    // the match nearest after start in display order wins.
    int found = -1;
    int nearest = count;
    for (std::size_t i = 0; i < rows.size() && nearest > 0; ++i) {
        if (!QStringView(rows[i].name).contains(text, Qt::CaseInsensitive))
            continue;
        const int distance = ((position[i] - start) % count + count) % count;
        if (distance < nearest) {
            nearest = distance;
            found = position[i];
        }
    }
    return found;
}

void ProcessListModel::store(int storeIndex, const ProcessRow& values) {
    StoredRow& row = rows[std::size_t(storeIndex)];
    if (row.slot != values.slot) {
        row.slot = values.slot;
        row.slotOrder = leadingSlotNumber(values.slot);
    }
    row.devType = pool.intern(values.devType);
    row.instance = pool.intern(values.instance);
    row.flags = quint8((row.flags & ~StoredRow::Claimed) | (values.free ? 0 : StoredRow::Claimed));
}

void ProcessListModel::editRows(const std::function<void(int, ProcessRow&)>& change) {
    const int count = rowCount();
    for (int displayRow = 0; displayRow < count; ++displayRow) {
        ProcessRow values = row(displayRow);
        change(displayRow, values);
        store(order[std::size_t(displayRow)], values);
    }
    if (count > 0)
        changed(0, count - 1);
}

void ProcessListModel::editSome(const std::vector<int>& displayRows,
                                const std::function<void(int, ProcessRow&)>& change) {
    if (displayRows.empty())
        return;
    std::vector<int> stores;
    stores.reserve(displayRows.size());
    for (int displayRow : displayRows) {
        ProcessRow values = row(displayRow);
        change(displayRow, values);
        stores.push_back(order[std::size_t(displayRow)]);
        store(stores.back(), values);
    }
    if (!sorted) {
        const auto [low, high] = std::minmax_element(displayRows.begin(), displayRows.end());
        return changed(*low, *high);
    }
    resort(); // the rows are looked for where the sort put them
    int low = rowCount();
    int high = -1;
    for (int storeIndex : stores) {
        low = std::min(low, position[std::size_t(storeIndex)]);
        high = std::max(high, position[std::size_t(storeIndex)]);
    }
    emit dataChanged(index(low, 0), index(high, ColSlot));
}

void ProcessListModel::changed(int lowest, int highest, const QList<int>& roles) {
    resort();
    emit dataChanged(index(lowest, 0), index(highest, ColSlot), roles);
}

QVector<QString> ProcessListModel::slotTexts() const {
    QVector<QString> texts;
    texts.reserve(rowCount());
    for (int store : order)
        texts.append(rows[std::size_t(store)].slot);
    return texts;
}

void ProcessListModel::setSlotValid(const QVector<bool>& valid) {
    // Only the rows whose verdict changed are announced: a check that finds
    // what the last one found signals nothing.
    int low = -1;
    int high = -1;
    for (int displayRow = 0; displayRow < valid.size() && displayRow < rowCount(); ++displayRow) {
        quint8& flags = rows[std::size_t(order[std::size_t(displayRow)])].flags;
        const quint8 now = quint8(valid[displayRow] ? flags & ~StoredRow::SlotInvalid
                                                    : flags | StoredRow::SlotInvalid);
        if (now == flags)
            continue;
        flags = now;
        if (low < 0)
            low = displayRow;
        high = displayRow;
    }
    if (low >= 0)
        emit dataChanged(index(low, 0), index(high, ColSlot),
                         {Qt::ForegroundRole, Qt::BackgroundRole, SlotValidRole});
}

void ProcessListModel::moveRow(int displayRow, int step) {
    const int other = displayRow + step;
    if (displayRow < 0 || other < 0 || displayRow >= rowCount() || other >= rowCount())
        return;
    sorted = false;
    beginMoveRows(QModelIndex(), displayRow, displayRow, QModelIndex(),
                  step < 0 ? other : other + 1);
    std::swap(order[std::size_t(displayRow)], order[std::size_t(other)]);
    position[std::size_t(order[std::size_t(displayRow)])] = displayRow;
    position[std::size_t(order[std::size_t(other)])] = other;
    endMoveRows();
}

void ProcessListModel::rebuildPositions() {
    position.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        position[std::size_t(order[i])] = int(i);
}

namespace {

// The rank of each text by locale-aware comparison; equal texts, equal ranks.
// One collator for the whole sort: QString::localeAwareCompare() looks the
// default one up again for every comparison.
std::vector<int> textRanks(const std::vector<const QString*>& texts) {
    const QCollator collator; // the default locale's, as localeAwareCompare() uses
    auto compare = [&](int a, int b) {
        return collator.compare(*texts[std::size_t(a)], *texts[std::size_t(b)]);
    };
    std::vector<int> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](int a, int b) { return compare(a, b) < 0; });
    std::vector<int> rank(texts.size());
    int current = 0;
    for (std::size_t i = 0; i < byText.size(); ++i) {
        if (i > 0 && compare(byText[i - 1], byText[i]) != 0)
            ++current;
        rank[std::size_t(byText[i])] = current;
    }
    return rank;
}

} // namespace

const std::vector<int>& ProcessListModel::nameRanks() {
    if (nameRank.size() != rows.size()) {
        std::vector<const QString*> names(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            names[i] = &rows[i].name;
        nameRank = textRanks(names);
    }
    return nameRank;
}

const std::vector<int>& ProcessListModel::poolRanks() {
    if (poolRank.size() != std::size_t(pool.size())) {
        std::vector<const QString*> texts(std::size_t(pool.size()));
        for (int id = 0; id < pool.size(); ++id)
            texts[std::size_t(id)] = &pool.text(id);
        poolRank = textRanks(texts);
    }
    return poolRank;
}

void ProcessListModel::sort(int column, Qt::SortOrder sortBy) {
    if (column < 0 || column > ColSlot)
        return;
    sortColumn = column;
    sortOrder = sortBy;
    sorted = true;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> stores;
    stores.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before)
        stores.push_back(order[std::size_t(index.row())]);

    // The keys: a rank per row for the text, kept from sort to sort, then the
    // slot number.
    std::vector<int> rank;
    if (column == ColProcess) {
        rank = nameRanks();
    } else if (column != ColSlot) {
        const std::vector<int>& ranks = poolRanks();
        rank.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const StoredRow& row = rows[i];
            const int id = column == ColGroup     ? row.group
                           : column == ColDevType ? row.devType
                                                  : row.instance;
            rank[i] = ranks[std::size_t(id)];
        }
    }
    // Equal keys keep their places in both directions; the slot decides between
    // equal texts in ascending order always, so that numbering the rows from the
    // top and sorting again leaves them where they were.
    const bool descending = sortBy == Qt::DescendingOrder;
    const bool bySlot = column == ColSlot;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const StoredRow& x = rows[std::size_t(a)];
        const StoredRow& y = rows[std::size_t(b)];
        if (!bySlot && rank[std::size_t(a)] != rank[std::size_t(b)])
            return descending ? rank[std::size_t(a)] > rank[std::size_t(b)]
                              : rank[std::size_t(a)] < rank[std::size_t(b)];
        if (bySlot && descending)
            return x.slotOrder > y.slotOrder;
        return x.slotOrder < y.slotOrder;
    });
    rebuildPositions();

    QModelIndexList after;
    after.reserve(before.size());
    for (std::size_t i = 0; i < stores.size(); ++i)
        after.append(index(position[std::size_t(stores[i])], before[qsizetype(i)].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
