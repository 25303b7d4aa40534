// The module list: which module the editor shows, and the operations on module
// files. Loading, saving and the file operations arrive with the module format.
#include "editor/alm_tolv_output.h"

#include <QTreeWidget>

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
        lockDevDesc("config/devicetypes/" + systemName + "_" + currentModule->name + ".xml");
    }
    loadingModule = false;
}

void alm_tolv_output::menuNewFile() {}
void alm_tolv_output::menuDuplicateFile() {}
void alm_tolv_output::menuRename() {}
void alm_tolv_output::menuDeleteFile() {}
void alm_tolv_output::renameModule(QTreeWidgetItem*, int, const QString&) {}
