#include "proclist/process_list_delegate.h"

#include "proclist/process_item.h"

processListDelegate::processListDelegate(QTreeWidget* view) : renameDelegate(view, ColSlot) {}

void processListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    renameDelegate::initStyleOption(option, index);
    const QVariant valid = index.data(SlotValidRole);
    if (valid.isValid() && !valid.toBool())
        option->palette.setColor(QPalette::Highlight, QColor(139, 0, 0)); // "darkRed"
}
