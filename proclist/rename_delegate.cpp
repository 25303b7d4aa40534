#include "proclist/rename_delegate.h"

#include <QTreeWidget>

renameDelegate::renameDelegate(QTreeWidget* view, int column)
    : QStyledItemDelegate(view), view(view), column(column) {}

QWidget* renameDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    if (index.column() != column)
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void renameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    QStyledItemDelegate::setModelData(editor, model, index);
    // The list is flat: the row of an index is its top-level position.
    QTreeWidgetItem* item = index.parent().isValid() ? nullptr : view->topLevelItem(index.row());
    if (item)
        emit const_cast<renameDelegate*>(this)->itemRenamed(item, index.column(),
                                                            item->text(index.column()));
}
