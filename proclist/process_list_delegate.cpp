#include "proclist/process_list_delegate.h"

#include "proclist/process_row.h"

#include <QLineEdit>

QWidget* processListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    if (index.column() != ColSlot)
        return nullptr;
    editor = QStyledItemDelegate::createEditor(parent, option, index);
    editedIndex = index;
    return editor;
}

void processListDelegate::setModelData(QWidget* widget, QAbstractItemModel*,
                                       const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        emit const_cast<processListDelegate*>(this)->slotEntered(index, line->text());
}

void processListDelegate::destroyEditor(QWidget* widget, const QModelIndex& index) const {
    if (widget == editor)
        editor.clear();
    QStyledItemDelegate::destroyEditor(widget, index);
}

QLineEdit* processListDelegate::openEditor() const {
    return qobject_cast<QLineEdit*>(editor.data());
}

void processListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant valid = index.data(SlotValidRole);
    if (valid.isValid() && !valid.toBool())
        option->palette.setColor(QPalette::Highlight, QColor(139, 0, 0)); // "darkRed"
}
