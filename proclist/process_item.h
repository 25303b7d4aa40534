#pragma once

#include <QTreeWidgetItem>

// Columns of the process list.
enum ProcessColumn { ColProcess = 0, ColGroup = 1, ColDevType = 2, ColInstance = 3, ColSlot = 4 };

// One alarm process in the process list.
class processItem : public QTreeWidgetItem {
public:
    processItem(QTreeWidget* parent, const QString& name, const QString& group);
    ~processItem() override;

    bool operator<(const QTreeWidgetItem& other) const override;

    bool slotValid = true;
};
