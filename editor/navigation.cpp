// Navigation into the editor, and out of it to the process editor.
#include "editor/alm_tolv_output.h"
#include "plugin/host_protocol.h"

#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QTreeWidget>

void alm_tolv_output::navigate(const QString& target, const QString& context) {
    qDebug("navigate to '%s' with context '%s'", target.toLatin1().constData(),
           context.toLatin1().constData());
    if (!processEditor)
        return;
    const QStringList parts = context.split(';', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return;
    if (!checkedOutDirs.contains(outputsDir())) {
        pendingContext = context; // replayed once the outputs directory is checked out
        navigatePending = true;
        return;
    }
    navigatePending = false;

    QTreeWidgetItem* moduleRow = nullptr;
    for (int i = 0; i < fileList->topLevelItemCount() && !moduleRow; ++i)
        if (fileList->topLevelItem(i)->text(0) == parts[0])
            moduleRow = fileList->topLevelItem(i);
    if (!moduleRow) {
        showMessageBox(this, QMessageBox::Information, "File",
                       "File: " + parts[0] + " - " + "File not found");
        return;
    }
    {
        // One selection change, to the module's row, loads it.
        QSignalBlocker quiet(fileList);
        fileList->clearSelection();
    }
    // Loading the module may show a box, during which the host may reload the
    // list or close the editor.
    QPointer<alm_tolv_output> self(this);
    fileList->setCurrentItem(moduleRow);
    if (!self || fileList->indexOfTopLevelItem(moduleRow) < 0)
        return;
    moduleRow->setSelected(true);
    if (!self)
        return;

    if (parts.size() != 2 || parts[1].trimmed().isEmpty())
        return;
    const int process = processEditor->rowOf(parts[1]);
    if (process < 0) {
        showMessageBox(this, QMessageBox::Information, "Process",
                       "Process: " + parts[1] + " - " + "Process not found");
        return;
    }
    processEditor->showProcess(process);
}

void alm_tolv_output::EditProcess() {
    const QString current = processEditor->currentProcess();
    if (current.isEmpty())
        return;
    const QString target = "Home/Alarms/Processes," + current;
    send("EditProcess", HostCommand::navigate, target);
}
