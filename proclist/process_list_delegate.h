#pragma once

#include <QStyledItemDelegate>

class QTreeWidget;
class QTreeWidgetItem;

// The delegate of the process list. It stands for two Qt 3 features:
// - in-place renaming of the "Infodriver Slot" column only: an editor is made for
//   column 4 and for no other column, and a committed edit emits itemRenamed()
//   (Qt 3's QListView::itemRenamed). A programmatic setText() never passes here,
//   so the signal means "the user committed an edit";
// - the highlight part of the warning colours (a selected invalid row is dark
//   red); the text and background colours come from processItem::data().
class processListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit processListDelegate(QTreeWidget* view);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

signals:
    void itemRenamed(QTreeWidgetItem* item, int column, const QString& text);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QTreeWidget* view;
};
