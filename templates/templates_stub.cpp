// Applying templates and the template manager, which another change brings.
#include "editor/alm_tolv_output.h"

void alm_tolv_output::applyTemplates() {}
void alm_tolv_output::manageTemplate() {}
