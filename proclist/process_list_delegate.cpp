#include "proclist/process_list_delegate.h"

#include "proclist/process_item.h"

#include <QTreeWidget>

processListDelegate::processListDelegate(QTreeWidget* view)
    : QStyledItemDelegate(view), view(view) {}

QWidget* processListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    if (index.column() != ColSlot)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void processListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::setModelData(editor, model, index);
    // The list is flat: the row of an index is its top-level position.
    QTreeWidgetItem* item = index.parent().isValid() ? nullptr : view->topLevelItem(index.row());
    if (item)
        emit const_cast<processListDelegate*>(this)->itemRenamed(item, index.column(),
                                                                 item->text(index.column()));
}

void processListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant valid = index.data(SlotValidRole);
    if (valid.isValid() && !valid.toBool())
        option->palette.setColor(QPalette::Highlight, QColor(139, 0, 0)); // "darkRed"
}
