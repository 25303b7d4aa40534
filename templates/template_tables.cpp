#include "templates/template_tables.h"

#include <QCoreApplication>

#include <algorithm>
#include <numeric>

namespace {

QString headerText(const char* text) {
    return QCoreApplication::translate("manage_tempBase", text);
}

// Rows ordered by one text field; the permutation first, ties kept in place.
template <typename Row>
std::vector<int> sortedOrder(const std::vector<Row>& rows, QString Row::*field,
                             Qt::SortOrder order) {
    std::vector<int> permutation(rows.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    std::stable_sort(permutation.begin(), permutation.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? rows[size_t(a)].*field < rows[size_t(b)].*field
                                           : rows[size_t(b)].*field < rows[size_t(a)].*field;
    });
    return permutation;
}

} // namespace

void ParameterTable::setRows(std::vector<Row> rows, int column, Qt::SortOrder order) {
    beginResetModel();
    list = std::move(rows);
    if (column == ColParameter || column == ColSlot) {
        const std::vector<int> permutation =
            sortedOrder(list, column == ColSlot ? &Row::slot : &Row::parameter, order);
        std::vector<Row> sorted;
        sorted.reserve(list.size());
        for (int from : permutation)
            sorted.push_back(std::move(list[size_t(from)]));
        list = std::move(sorted);
    }
    endResetModel();
}

void ParameterTable::setSlots(const std::vector<bool>& marked,
                              const std::function<QString()>& next) {
    int first = -1;
    int last = -1;
    for (size_t row = 0; row < list.size() && row < marked.size(); ++row) {
        if (!marked[row])
            continue;
        list[row].slot = next();
        if (first < 0)
            first = int(row);
        last = int(row);
    }
    if (first >= 0)
        emit dataChanged(index(first, ColSlot), index(last, ColSlot));
}

int ParameterTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(list.size());
}

int ParameterTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant ParameterTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= list.size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Row& row = list[size_t(index.row())];
    return index.column() == ColSlot ? row.slot : row.parameter;
}

bool ParameterTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != ColSlot || role != Qt::EditRole ||
        size_t(index.row()) >= list.size())
        return false;
    list[size_t(index.row())].slot = value.toString();
    emit dataChanged(index, index);
    return true;
}

QVariant ParameterTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == ColParameter ? headerText("Parameter") : headerText("Slot");
}

Qt::ItemFlags ParameterTable::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == ColSlot ? flags | Qt::ItemIsEditable : flags;
}

void ParameterTable::sort(int column, Qt::SortOrder order) {
    if (column != ColParameter && column != ColSlot)
        return;
    const std::vector<int> permutation =
        sortedOrder(list, column == ColSlot ? &Row::slot : &Row::parameter, order);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(list.size());
    std::vector<Row> sorted;
    sorted.reserve(list.size());
    for (size_t to = 0; to < permutation.size(); ++to) {
        newRowOf[size_t(permutation[to])] = int(to);
        sorted.push_back(std::move(list[size_t(permutation[to])]));
    }
    list = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void InstanceTable::setRows(std::vector<Row> rows) {
    beginResetModel();
    list = std::move(rows);
    endResetModel();
}

void InstanceTable::setChecked(const std::vector<bool>& marked, bool checked) {
    int first = -1;
    int last = -1;
    for (size_t row = 0; row < list.size() && row < marked.size(); ++row) {
        if (!marked[row])
            continue;
        list[row].checked = checked;
        if (first < 0)
            first = int(row);
        last = int(row);
    }
    if (first >= 0)
        emit dataChanged(index(first, ColEnabled), index(last, ColEnabled), {Qt::CheckStateRole});
}

int InstanceTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(list.size());
}

int InstanceTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant InstanceTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= list.size())
        return {};
    const Row& row = list[size_t(index.row())];
    if (index.column() == ColInstance)
        return role == Qt::DisplayRole ? QVariant(row.instance) : QVariant();
    if (role == Qt::DisplayRole)
        return QStringLiteral("Selected");
    if (role == Qt::CheckStateRole)
        return row.checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool InstanceTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != ColEnabled || role != Qt::CheckStateRole ||
        size_t(index.row()) >= list.size())
        return false;
    list[size_t(index.row())].checked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant InstanceTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == ColInstance ? headerText("Instance") : headerText("Enabled");
}

Qt::ItemFlags InstanceTable::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() == ColEnabled ? flags | Qt::ItemIsUserCheckable : flags;
}
