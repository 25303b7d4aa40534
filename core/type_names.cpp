#include "core/type_names.h"
#include "core/module_file.h"
#include "core/text_codec.h"

#include <algorithm>

bool isTemplateName(const QString& name) {
    return !name.isEmpty() && isPathSafeName(name) && !name.contains('=') && isEightBitText(name);
}

bool isInstanceName(const QString& name) {
    // A control character would break the line (or be trimmed off it).
    const bool control = std::any_of(
        name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20 || c == QChar(0x7F); });
    return !name.isEmpty() && !control && !name.contains(',') && !name.contains('=') &&
           isEightBitText(name);
}
