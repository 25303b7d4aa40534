#pragma once

#include "proclist/rename_delegate.h"

// The delegate of the process list: in-place editing of the "Infodriver Slot"
// column only, and the highlight part of the warning colours (a selected invalid
// row is dark red); the text and background colours come from processItem::data().
class processListDelegate : public renameDelegate {
    Q_OBJECT
public:
    explicit processListDelegate(QTreeWidget* view);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
