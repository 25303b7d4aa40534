#include "core/type_names.h"

bool isTemplateName(const QString& name) {
    if (name.isEmpty())
        return false;
    for (const QChar c : name)
        if (c == '/' || c == '\\' || c == '=' || c.category() == QChar::Other_Control)
            return false;
    return true;
}
