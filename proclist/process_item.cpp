#include "proclist/process_item.h"

#include "core/slot_rules.h"

#include <QBrush>
#include <QColor>
#include <QTreeWidget>

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

int processItem::compare(const processItem* other, int column) const {
    if (!other)
        return 0;
    if (column >= 0 && column < ColSlot) {
        const int byText = QString::localeAwareCompare(sortText[column], other->sortText[column]);
        if (byText != 0)
            return byText;
    }
    if (slotOrder == other->slotOrder)
        return 0;
    return slotOrder > other->slotOrder ? 1 : -1;
}

bool processItem::operator<(const QTreeWidgetItem& other) const {
    if (other.type() != Type)
        return QTreeWidgetItem::operator<(other);
    const QTreeWidget* view = treeWidget();
    const int column = view ? view->sortColumn() : 0;
    return compare(static_cast<const processItem*>(&other), column) < 0;
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
        else if (column >= 0 && column < ColSlot)
            sortText[column] = value.toString();
    }
    QTreeWidgetItem::setData(column, role, value);
}

bool processItem::isFree() const {
    const Qt::ItemFlags f = flags();
    return (f & Qt::ItemIsSelectable) && (f & Qt::ItemIsEnabled);
}
