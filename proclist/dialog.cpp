#include "proclist/dialog.h"

#include "proclist/process_item.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

dialog::dialog(IGetDocuments* documents, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags), documents(documents) {
    if (name)
        setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(this);
    topLabel = new QLabel("<h1>Alarm TOLV Output</h1>", this);
    procList = new QTreeWidget(this);
    procList->setObjectName("procList");
    procList->setHeaderLabels({"Process", "Group", "Dev Type", "Instance", "Infodriver Slot"});
    infodriverNumber = new QSpinBox(this);
    statusLabel = new QLabel(this);
    manTemp = new QPushButton("Manage Templates", this);
    navToProc = new QPushButton("Edit Process", this);
    navToProc->setObjectName("navToProc");
    manTemp->setObjectName("manTemp");
    layout->addWidget(topLabel);
    layout->addWidget(procList);
    layout->addWidget(infodriverNumber);
    layout->addWidget(statusLabel);
    layout->addWidget(manTemp);
    layout->addWidget(navToProc);
}

dialog::~dialog() = default;

void dialog::refreshLimits() {}
void dialog::clearAllSlots() {}
void dialog::changeSelection() {}
void dialog::selectProc(QTreeWidgetItem* item) {
    procList->setCurrentItem(item);
}
bool dialog::checkForDuplicates() {
    return true;
}

void dialog::setProcesses(const QVector<ProcessDefinition>& processes) {
    procList->clear();
    for (const ProcessDefinition& process : processes)
        new processItem(procList, process.name, process.group);
}
