#include "core/type_names.h"
#include "core/module_file.h"

bool isTemplateName(const QString& name) {
    return !name.isEmpty() && isPathSafeName(name) && !name.contains('=');
}
