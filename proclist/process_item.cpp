#include "proclist/process_item.h"

#include "core/slot_rules.h"

#include <QBrush>
#include <QColor>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

processItem::processItem(QTreeWidget* parent, const QString& name, const QString& group)
    : QTreeWidgetItem(parent, Type) {
    setText(ColProcess, name);
    setText(ColGroup, group);
}

processItem::processItem(const QString& name, const QString& group) : QTreeWidgetItem(Type) {
    setText(ColProcess, name);
    setText(ColGroup, group);
}

processItem::~processItem() = default;

const QTreeWidget* processItem::rankedView = nullptr;

namespace {

// The order of the list: the column's text (locale-aware), then the slot number.
// The text is left out (null) for the slot column.
int compareKeys(const QString* text, int slot, const QString* otherText, int otherSlot) {
    if (text) {
        const int byText = QString::localeAwareCompare(*text, *otherText);
        if (byText != 0)
            return byText;
    }
    if (slot == otherSlot)
        return 0;
    return slot > otherSlot ? 1 : -1;
}

} // namespace

int processItem::compare(const processItem* other, int column) const {
    if (!other)
        return 0;
    if (column < 0 || column >= ColSlot)
        return compareKeys(nullptr, slotOrder, nullptr, other->slotOrder);
    const QString mine = text(column);
    const QString theirs = other->text(column);
    return compareKeys(&mine, slotOrder, &theirs, other->slotOrder);
}

bool processItem::operator<(const QTreeWidgetItem& other) const {
    if (other.type() != Type)
        return QTreeWidgetItem::operator<(other);
    const auto& row = static_cast<const processItem&>(other);
    const QTreeWidget* view = treeWidget();
    if (view && view == rankedView)
        return sortRank < row.sortRank;
    const int column = view ? view->sortColumn() : 0;
    return compare(&row, column) < 0;
}

bool processItem::rankRows(const QTreeWidget* view, int column) {
    struct Key {
        QString text; // shares the row's own
        int slot;
        processItem* row;
    };
    const int count = view->topLevelItemCount();
    const bool byText = column >= 0 && column < ColSlot;
    std::vector<Key> keys;
    keys.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = view->topLevelItem(i);
        if (item->type() != Type)
            return false;
        auto* row = static_cast<processItem*>(item);
        keys.push_back({byText ? row->text(column) : QString(), row->slotOrder, row});
    }
    auto order = [byText](const Key& a, const Key& b) {
        return compareKeys(byText ? &a.text : nullptr, a.slot, byText ? &b.text : nullptr, b.slot);
    };
    std::sort(keys.begin(), keys.end(),
              [&](const Key& a, const Key& b) { return order(a, b) < 0; });
    int rank = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0 && order(keys[i - 1], keys[i]) != 0)
            ++rank;
        keys[i].row->sortRank = rank;
    }
    rankedView = view;
    return true;
}

void processItem::endRanking() {
    rankedView = nullptr;
}

QVariant processItem::data(int column, int role) const {
    switch (role) {
    case Qt::ForegroundRole:
        if (!slotValid)
            return QBrush(QColor(255, 0, 0)); // "red"
        break;
    case Qt::BackgroundRole:
        if (!slotValid)
            return QBrush(QColor(255, 255, 0)); // "yellow"
        break;
    case SlotValidRole:
        return slotValid;
    default:
        break;
    }
    return QTreeWidgetItem::data(column, role);
}

void processItem::setData(int column, int role, const QVariant& value) {
    // before the model hears of the change (it may sort at once)
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (column == ColSlot)
            slotOrder = leadingSlotNumber(value.toString());
    }
    QTreeWidgetItem::setData(column, role, value);
}

bool processItem::isFree() const {
    const Qt::ItemFlags f = flags();
    return (f & Qt::ItemIsSelectable) && (f & Qt::ItemIsEnabled);
}
