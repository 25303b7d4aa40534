// The template hooks of the module reader and writer and of the module rename.
// They do nothing until the template store exists: a module then has no
// templates and no device files are written.
#include "core/device_template.h"
#include "editor/alm_tolv_output.h"

void alm_tolv_output::loadTemplates(const QStringList&, const QMap<QString, QString>&) {}
void alm_tolv_output::saveTemplates(cOutputFile*, bool, QString&, QString&) {}
void alm_tolv_output::writeDevDescFile(cOutputFile*, bool) {}
bool alm_tolv_output::writeDeviceTypesFile(cOutputFile* module) {
    return module != nullptr;
}
bool alm_tolv_output::writeInstances() {
    return currentModule != nullptr;
}
void alm_tolv_output::changeDevType(const QString&, const QString&) {}
