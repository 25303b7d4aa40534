#include "core/type_names.h"
#include "core/module_file.h"
#include "core/text_codec.h"

bool isTemplateName(const QString& name) {
    return !name.isEmpty() && isPathSafeName(name) && !name.contains('=') && isEightBitText(name);
}

bool isInstanceName(const QString& name) {
    return !name.isEmpty() && !name.contains(',') && !name.contains('=') && isEightBitText(name);
}
