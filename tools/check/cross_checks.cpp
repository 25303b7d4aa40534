#include "tools/check/cross_checks.h"

#include "core/module_names.h"
#include "tools/check/findings.h"

#include <QHash>

namespace {

QString fileNameOf(const QString& storePath) {
    return storePath.mid(storePath.lastIndexOf('/') + 1);
}

void checkNames(const QVector<ModuleSlots>& modules, Findings& findings) {
    QHash<QString, const ModuleSlots*> first; // system + '\n' + name
    for (const ModuleSlots& module : modules) {
        const auto it = first.constFind(module.system + '\n' + module.name);
        if (it == first.constEnd()) {
            first.insert(module.system + '\n' + module.name, &module);
            continue;
        }
        findings.error(module.storePath, module.nameLine, "duplicate-module-name",
                       "module name '" + module.name + "' is also the name of " +
                           fileNameOf((*it)->storePath) + " in system '" + module.system + "'");
    }
}

// Modules of other names whose type ids meet: renaming or saving either would
// take over the other's entries in the shared files (the editor refuses such names).
void checkTypeIds(const QVector<ModuleSlots>& modules, Findings& findings) {
    struct Owner {
        const ModuleSlots* module;
        QString what;
        int line;
    };
    QHash<QString, Owner> owners; // system + '\n' + type id
    for (const ModuleSlots& module : modules) {
        QStringList names;
        for (const auto& entry : module.templates)
            names.append(entry.first);
        const QStringList ids = typeIdsOfModule(module.system, module.name, names);
        for (int i = 0; i < ids.size(); ++i) {
            const QString what = (i == 0 ? QString() : "template '" + names[i - 1] + "' of ") +
                                 "module '" + module.name + "'";
            const int line = i == 0 ? module.nameLine : module.templates[i - 1].second;
            const auto it = owners.constFind(module.system + '\n' + ids[i]);
            if (it == owners.constEnd()) {
                owners.insert(module.system + '\n' + ids[i], {&module, what, line});
            } else if (it->module->name != module.name) { // one name: a duplicate name
                findings.error(module.storePath, line, "type-id-collision",
                               "device type '" + ids[i] + "' of " + what + " is also the device type of " +
                                   it->what + " (" + findings.shownPath(it->module->storePath) +
                                   ':' + QString::number(it->line) + ')');
            }
        }
    }
}

void checkSlots(const QVector<ModuleSlots>& modules, Findings& findings) {
    struct Owner {
        const ModuleSlots* module;
        int line;
    };
    // Per infodriver, the first module and line that use each slot.
    QHash<int, QHash<int, Owner>> drivers;
    for (const ModuleSlots& module : modules) {
        if (module.driver < 0)
            continue;
        QHash<int, Owner>& owners = drivers[module.driver];
        QHash<int, Owner> mine; // a slot used twice within one module is another check's
        for (const ModuleSlots::Use& use : module.slotUses) {
            if (mine.contains(use.slot))
                continue;
            mine.insert(use.slot, {&module, use.line});
            const auto it = owners.constFind(use.slot);
            if (it == owners.constEnd())
                continue;
            findings.error(module.storePath, use.line, "slot-overlap",
                           "slot " + QString::number(use.slot) + " of infodriver " +
                               QString::number(module.driver) + " ('" + use.process +
                               "') is also driven by module '" + it->module->name + "' (" +
                               findings.shownPath(it->module->storePath) + ':' +
                               QString::number(it->line) + ')');
        }
        for (auto it = mine.cbegin(); it != mine.cend(); ++it)
            if (!owners.contains(it.key()))
                owners.insert(it.key(), it.value());
    }
}

} // namespace

void checkAcrossModules(const QVector<ModuleSlots>& modules, Findings& findings) {
    checkNames(modules, findings);
    checkTypeIds(modules, findings);
    checkSlots(modules, findings);
}
