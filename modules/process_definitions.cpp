#include "editor/alm_tolv_output.h"

bool alm_tolv_output::loadProcesses(const QString&) {
    return false;
}
