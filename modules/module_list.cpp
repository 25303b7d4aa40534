// The module list and the operations on module files.
#include "editor/alm_tolv_output.h"

bool alm_tolv_output::saveFile(cOutputFile* module, bool, bool) {
    return module != nullptr;
}
bool alm_tolv_output::loadFile(const QString&) {
    return false;
}
void alm_tolv_output::updateFileList() {}
void alm_tolv_output::selectFile(QTreeWidgetItem*) {
    updateActions();
}
void alm_tolv_output::menuNewFile() {}
void alm_tolv_output::menuDuplicateFile() {}
void alm_tolv_output::menuRename() {}
void alm_tolv_output::menuDeleteFile() {}
void alm_tolv_output::renameModule(QTreeWidgetItem*, int, const QString&) {}
