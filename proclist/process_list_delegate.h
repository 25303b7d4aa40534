#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class QLineEdit;

// The delegate of the process list: in-place editing of the "Infodriver Slot"
// column only, and the highlight part of the warning colours (a selected invalid
// row is dark red); the text and background colours come from the model.
// A committed edit writes nothing itself: it emits slotEntered() with the row
// that was edited, and the editor judges the entry.
class processListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    // A closed edit is no longer open, although its widget goes later.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

    // The open in-place edit and its cell, if any.
    QLineEdit* openEditor() const;
    QPersistentModelIndex openIndex() const { return editedIndex; }
    // The open edit's entry was taken: its editor, closing but not yet deleted,
    // is no open edit any more (a later commit would apply it again).
    void forgetEditor() {
        editor = nullptr;
        editedIndex = QPersistentModelIndex();
    }

signals:
    void slotEntered(const QPersistentModelIndex& index, const QString& text);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    mutable QPointer<QWidget> editor;
    mutable QPersistentModelIndex editedIndex;
};
