#pragma once

#include <QStyledItemDelegate>

class QTreeWidget;
class QTreeWidgetItem;

// In-place renaming of one column of a flat list: an editor is made for that
// column only, and a committed edit emits itemRenamed(). A programmatic setText()
// never passes here, so the signal means "the user committed an edit".
class renameDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    renameDelegate(QTreeWidget* view, int column);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void itemRenamed(QTreeWidgetItem* item, int column, const QString& text);

private:
    QTreeWidget* view;
    int column;
};
