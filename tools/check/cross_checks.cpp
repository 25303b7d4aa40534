#include "tools/check/cross_checks.h"

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
    checkSlots(modules, findings);
}
