#include "proclist/process_item.h"

processItem::processItem(QTreeWidget* parent, const QString& name, const QString& group)
    : QTreeWidgetItem(parent) {
    setText(ColProcess, name);
    setText(ColGroup, group);
}

processItem::~processItem() = default;

bool processItem::operator<(const QTreeWidgetItem& other) const {
    return QTreeWidgetItem::operator<(other);
}
