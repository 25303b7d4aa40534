#pragma once

#include "modules/process_definitions.h"

#include <QWidget>

class IGetDocuments;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

// Process list editor (placeholder until the form-based editor lands).
class dialog : public QWidget {
    Q_OBJECT
public:
    dialog(IGetDocuments* documents, QWidget* parent = nullptr, const char* name = nullptr,
           Qt::WindowFlags flags = {});
    ~dialog() override;

    void refreshLimits();
    void setProcesses(const QVector<ProcessDefinition>& processes);

    QLabel* topLabel = nullptr;
    QTreeWidget* procList = nullptr;
    QSpinBox* infodriverNumber = nullptr;
    QLabel* statusLabel = nullptr;
    QPushButton* manTemp = nullptr;
    QPushButton* navToProc = nullptr;

    int maxSlot = 4096;

public slots:
    void dummy() {}
    void clearAllSlots();
    void changeSelection();
    void selectProc(QTreeWidgetItem* item);
    bool checkForDuplicates();

signals:
    void itemsChanged();

private:
    IGetDocuments* documents;
};
