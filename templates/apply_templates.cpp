// Applying a module's templates to the process list, and the template manager
// flow of the editor.
#include "editor/alm_tolv_output.h"

#include "core/module_file.h"
#include "core/store_paths.h"
#include "platform/modal_ui.h"
#include "proclist/dialog.h"
#include "templates/manage_temp.h"

#include <QFile>
#include <QHash>
#include <QPointer>
#include <QSet>

namespace {

// What one template instance gives a process row.
struct Claim {
    QString devType;
    QString instance;
    qint64 slot = 0; // beyond int too: the slot check reports it, the module file leaves it out
};

// Names met once each, in the order first met.
class NameList {
public:
    void add(const QString& name) {
        if (!seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    bool isEmpty() const { return names.isEmpty(); }
    QString joined() const { return names.join(QStringLiteral("\n\t")); }

private:
    QSet<QString> seen;
    QStringList names;
};

} // namespace

void alm_tolv_output::applyTemplates() {
    if (!processEditor)
        return;

    // The claims first, one pass over the instances with the list's name index;
    // the first claim of a row wins.
    QHash<int, Claim> claims; // by display row
    NameList duplicates;
    NameList missing;
    for (const auto& [key, entry] : templates) {
        qint64 offset = entry->baseSlot;
        for (const QString& instance : entry->instances) {
            for (auto param = entry->params.cbegin(); param != entry->params.cend(); ++param) {
                const QString process = instance + param.key();
                const int row = processEditor->rowOf(process);
                if (row < 0)
                    missing.add(process);
                else if (claims.contains(row))
                    duplicates.add(process);
                else
                    claims.insert(row, {entry->name, instance, param.value() + offset});
            }
            offset += entry->offset;
        }
    }

    // Then one pass over the rows: every template row is released, claimed rows
    // become template rows. Free rows keep their slots.
    processEditor->editRows([&claims](int index, ProcessRow& row) {
        if (!row.instance.isEmpty()) {
            row.instance.clear();
            row.devType.clear();
            row.slot.clear();
        }
        row.free = true;
        const auto claim = claims.constFind(index);
        if (claim != claims.cend()) {
            row.instance = claim->instance;
            row.devType = claim->devType;
            row.slot = QString::number(claim->slot);
            row.free = false; // the selection drops it
        }
    });

    // Replies may arrive while a box is open: the module shown may change, the
    // editor may even be deleted.
    QPointer<alm_tolv_output> self(this);
    const QString system = systemName;
    const QString moduleFile = currentModule ? currentModule->fileName : QString();
    if (!duplicates.isEmpty() || !missing.isEmpty()) {
        QString text;
        if (!duplicates.isEmpty())
            text += QStringLiteral("The following processes are defined in 2 or more "
                                   "instances:-\n\t") +
                    duplicates.joined() + QStringLiteral("\n\n");
        if (!missing.isEmpty())
            text += QStringLiteral("The following processes do not exist:-\n\t") +
                    missing.joined() + QStringLiteral("\n\n");
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("Applying template error"), text);
        if (!self)
            return;
        if (systemName != system || !currentModule || currentModule->fileName != moduleFile) {
            qDebug("alm_tolv_output::applyTemplates - another module is shown now; not saved");
            return;
        }
    }

    processEditor->checkForDuplicates();
    // Marked first, so that the save writes the module and its descriptions: an
    // unsaved module would lose the result to a later Cancel, which reads the
    // descriptions again.
    markDirty();
    if (!self || !currentModule)
        return;
    saveFile(currentModule, true, false);
    if (self)
        processEditor->changeSelection();
}

// Back to what the device description files hold: parameters changed by an
// earlier confirmed use of the manager but never saved are discarded, and
// templates without a file yet are dropped.
void alm_tolv_output::rereadTemplates() {
    QStringList dropped;
    for (const auto& [key, entry] : templates) {
        const QString typeId = StorePaths::templateTypeId(systemName, currentModule->name, key);
        const QString local = localPath(StorePaths::devDescFile(typeId));
        if (!loadDevDesc(*entry, local, typeId)) {
            qDebug("manage templates. unable to load Dev Desc '%s' '%s'",
                   typeId.toLatin1().constData(), local.toLatin1().constData());
            dropped.append(key);
        }
    }
    for (const QString& key : dropped)
        templates.remove(key);
}

void alm_tolv_output::manageTemplate() {
    if (!currentModule)
        return;
    // The dialog works on copies and runs its own loop: replies may switch the
    // system, reload the module or delete the editor meanwhile. Afterwards its
    // result is taken over only by the module it was opened for, and applied by
    // process name.
    QPointer<alm_tolv_output> self(this);
    const QString system = systemName;
    const QString moduleFile = currentModule->fileName;
    auto stillShown = [&] {
        return self && systemName == system && currentModule &&
               currentModule->fileName == moduleFile;
    };

    manage_temp manager(processNames, templates, this);
    QStringList unloaded;
    for (const TemplateList::Unloaded& entry : templates.unloaded)
        unloaded.append(entry.name);
    // Nor a template name that gives another module's or template's device type id.
    manager.reserveNames(unloaded + templateNamesClashing(currentModule));
    const int result = runModal(manager);
    if (!self)
        return;
    if (!stillShown()) {
        qDebug("alm_tolv_output::manageTemplate() - the module changed while the dialog was "
               "open; its templates stay as they are");
        return;
    }
    if (result != QDialog::Accepted) {
        qDebug("alm_tolv_output::manageTemplate() canceled");
        rereadTemplates();
        return;
    }

    manager.saveCurrentTemplate();
    manager.getTemplates(&templates);
    // A template without parameters has no device description: it is gone from
    // the module. Its description leaves the working copy now and the store at
    // the next Apply, which then gives its lock back.
    QStringList deleted;
    for (const auto& [key, entry] : templates)
        if (entry->params.isEmpty())
            deleted.append(key);
    for (const QString& key : deleted) {
        const QString typeId = StorePaths::templateTypeId(systemName, currentModule->name, key);
        qDebug("manage templates. deleted '%s'", typeId.toLatin1().constData());
        if (isPathSafeName(typeId))
            QFile::remove(localPath(StorePaths::devDescFile(typeId)));
        templates.remove(key);
        deletedTemplateTypes.append(typeId);
    }

    // The lock requests may be answered at once, with a box for a refusal: the
    // paths are taken before the first request.
    QStringList paths;
    for (const auto& [key, entry] : templates) {
        const QString typeId = StorePaths::templateTypeId(systemName, currentModule->name, key);
        const QString path = StorePaths::devDescFile(typeId);
        qDebug("manage templates. checkout Dev Desc '%s' '%s'", typeId.toLatin1().constData(),
               path.toLatin1().constData());
        paths.append(path);
    }
    for (const QString& path : paths) {
        lockDevDesc(path);
        if (!stillShown())
            return;
    }
    applyTemplates();
}
