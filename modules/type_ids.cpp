// Device type ids across the modules of the system shown (the rule is in
// core/module_names.h): a name that gives a module or a template the id of
// another module or template is refused where it is typed.
#include "core/device_template.h"
#include "core/module_file.h"
#include "core/module_names.h"
#include "editor/alm_tolv_output.h"

#include <QFile>

QStringList alm_tolv_output::templateNamesOf(const cOutputFile* module) const {
    QStringList names;
    if (module == currentModule) {
        for (const auto& entry : templates)
            names.append(entry.first);
        for (const TemplateList::Unloaded& entry : templates.unloaded) // still in the files
            names.append(entry.name);
        return names;
    }
    QFile file(localPath(module->fileName));
    if (!file.open(QIODevice::ReadOnly))
        return names;
    for (const QString& line : moduleTemplateLines(file.readAll()))
        if (const QString name = devTemplate(line).name; !name.isEmpty())
            names.append(name);
    return names;
}

QSet<QString> alm_tolv_output::typeIdsOfOtherModules(const cOutputFile* except) const {
    QSet<QString> ids;
    for (const auto& module : modules) {
        if (module.get() == except)
            continue;
        for (const QString& id :
             typeIdsOfModule(systemName, module->name, templateNamesOf(module.get())))
            ids.insert(id);
    }
    return ids;
}

QString alm_tolv_output::typeIdClash(const QSet<QString>& taken, const QString& name,
                                     const QStringList& templateNames) const {
    return ::typeIdClash(taken, systemName, name, templateNames);
}

QString alm_tolv_output::typeIdClashOfShown() const {
    if (!currentModule)
        return {};
    // Only modules whose name is this one's, or begins it or with it followed by
    // "_", can share an id with it: only their files are read.
    const QString name = currentModule->name;
    QSet<QString> taken;
    for (const auto& module : modules) {
        const QString& other = module->name;
        if (module.get() == currentModule ||
            !(other == name || name.startsWith(other + '_') || other.startsWith(name + '_')))
            continue;
        for (const QString& id : typeIdsOfModule(systemName, other, templateNamesOf(module.get())))
            taken.insert(id);
    }
    return typeIdClash(taken, name, templateNamesOf(currentModule));
}

QStringList alm_tolv_output::templateNamesClashing(const cOutputFile* module) const {
    const QString prefix = StorePaths::moduleTypeId(systemName, module->name) + '_';
    QStringList names;
    for (const QString& id : typeIdsOfOtherModules(module))
        if (id.startsWith(prefix))
            names.append(id.mid(prefix.size()));
    return names;
}
