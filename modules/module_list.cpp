// The module list: which module the editor shows, and the operations on module
// files. Loading, saving and the file operations arrive with the module format.
#include "core/store_paths.h"
#include "editor/alm_tolv_output.h"

#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

bool alm_tolv_output::saveFile(cOutputFile* module, bool, bool) {
    return module != nullptr;
}
bool alm_tolv_output::loadFile(const QString&) {
    return false;
}
void alm_tolv_output::updateFileList() {}

void alm_tolv_output::selectFile(QTreeWidgetItem* row) {
    if (!row) {
        if (currentModule)
            saveFile(currentModule, true, false);
        currentModule = nullptr;
        updateActions();
        return;
    }
    const QString name = row->text(0);
    if (currentModule) {
        if (currentModule->name == name)
            return; // already shown
        saveFile(currentModule, true, false);
    }
    currentModule = nullptr;
    for (const auto& module : modules)
        if (module->name == name)
            currentModule = module.get(); // the last record of that name
    templates.clear();
    loadingModule = true;
    updateActions();
    if (!currentModule) {
        qDebug("No file found");
    } else {
        loadFile(rootDir + "/" + currentModule->fileName);
        lockDevDesc(
            StorePaths::devDescFile(StorePaths::moduleTypeId(systemName, currentModule->name)));
    }
    loadingModule = false;
}

void alm_tolv_output::menuNewFile() {}
void alm_tolv_output::menuDuplicateFile() {}
void alm_tolv_output::menuRename() {
    if (QTreeWidgetItem* row = fileList->currentItem())
        fileList->editItem(row, 0);
}
void alm_tolv_output::menuDeleteFile() {}
void alm_tolv_output::renameModule(QTreeWidgetItem* row, int column, const QString& text) {
    if (column != 0 || !currentModule || !row)
        return;
    const bool taken = std::any_of(modules.begin(), modules.end(), [&](const auto& module) {
        return module.get() != currentModule && module->name == text;
    });
    if (taken) {
        showMessageBox(this, QMessageBox::Critical, "cTOLV Output Editor",
                       "New name already exists.");
        fileList->editItem(row, 0);
        QSignalBlocker quiet(fileList);
        row->setText(0, currentModule->name);
        return;
    }
    currentModule->name = text;
    processEditor->topLabel->setText("<h1>Alarms TOLV Output - " + text + "</h1>");
    // The module's device types follow its name once the device type files exist.
    markDirty();
}
