#include "core/module_names.h"

#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/store_paths.h"
#include "core/text_codec.h"

QString moduleNameRefusal(const QString& name, const QStringList& otherNames) {
    if (otherNames.contains(name))
        return QStringLiteral("New name already exists.");
    // The module file holds the name only in its 8-bit character set.
    if (!isPathSafeName(name) || !isEightBitText(name))
        return QStringLiteral("A module name cannot contain \"/\", \"\\\", control characters or "
                              "characters that the configuration files cannot hold.");
    if (profileValue(name) != name)
        return QStringLiteral("The module file cannot keep this name as it is: a name cannot "
                              "begin or end with a blank, be enclosed in quotes or be longer "
                              "than %1 characters. Choose another name.")
            .arg(maxModuleNameLength);
    for (const QString& other : otherNames)
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("Another module is called \"%1\". Names that differ only in "
                                  "letter case would share one device description file. "
                                  "Choose another name.")
                .arg(other);
    return QString();
}

QStringList typeIdsOfModule(const QString& system, const QString& name,
                            const QStringList& templateNames) {
    QStringList ids{StorePaths::moduleTypeId(system, name)};
    for (const QString& templateName : templateNames)
        ids.append(StorePaths::templateTypeId(system, name, templateName));
    return ids;
}

QString typeIdClash(const QSet<QString>& taken, const QString& system, const QString& name,
                    const QStringList& templateNames) {
    for (const QString& id : typeIdsOfModule(system, name, templateNames))
        if (taken.contains(id))
            return id;
    return {};
}
