// A module's templates: read from the module file's lines and their device
// description files, written back with them; the module's own device description.
#include "editor/alm_tolv_output.h"

#include "core/atomic_file.h"
#include "core/device_description.h"
#include "core/documents.h"
#include "core/module_file.h"
#include "core/slot_rules.h"
#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

void trace(const QString& text) {
    qDebug("%s", latin1(text).constData());
}

int maxSlotOf(IGetDocuments* documents) {
    auto* system =
        documents ? dynamic_cast<Document_TolvSystem*>(documents->getSystemDocument()) : nullptr;
    return system ? system->maxSlot() : StorePaths::defaultMaxSlot;
}

// Removes a local file that is to be written again or dropped; a failure is
// only traced.
void removeOld(const QString& path, const QString& what) {
    QFile file(path);
    if (file.exists() && !file.remove())
        trace(what + " Failed to remove '" + path + "' - '" + file.errorString() + "'");
}

} // namespace

bool loadDevDesc(devTemplate& entry, const QString& localPath, const QString& typeId,
                 QString* why) {
    entry.params.clear();
    const DevDescReadResult read = loadDeviceDescription(localPath, typeId);
    QString reason;
    switch (read.failure) {
    case DevDescReadResult::None:
        entry.params = read.params;
        return true;
    case DevDescReadResult::CannotOpen:
        qDebug("loadDevDesc fail. can't open for read. '%s' '%s' '%s'", latin1(typeId).constData(),
               latin1(localPath).constData(), latin1(read.detail).constData());
        reason = "cannot be read: " + read.detail;
        break;
    case DevDescReadResult::NotXml:
        qDebug("loadDevDesc fail. can't set contents from file.");
        reason = "is not well-formed XML";
        break;
    case DevDescReadResult::WrongTag:
        qDebug("loadDevDesc fail. document element tag name is wrong. should be "
               "device_description but is %s.",
               latin1(read.detail).constData());
        reason = "is not a device description";
        break;
    case DevDescReadResult::WrongName:
        qDebug("loadDevDesc fail. document element name attribute is wrong. should be %s but "
               "is %s.",
               latin1(typeId).constData(), latin1(read.detail).constData());
        reason = "describes '" + read.detail + "'";
        break;
    }
    if (why)
        *why = "its device description " + typeId + ".xml " + reason;
    return false;
}

bool saveDevDescFile(const devTemplate& entry, const QString& localPath, const QString& typeId,
                     IGetDocuments* documents) {
    trace("devTemplate::saveFile - '" + typeId + "' '" + localPath + "'");
    if (entry.params.isEmpty()) {
        // A template without parameters has no device description file.
        removeOld(localPath, "newFile.");
        return true;
    }
    QString error;
    if (!replaceFileAtomically(
            localPath,
            deviceDescriptionBytes(typeId, templateDescriptionParams(entry, maxSlotOf(documents))),
            &error)) {
        trace("devTemplate::saveFile - Failed to write '" + localPath + "' - '" + error + "'");
        return false;
    }
    return true;
}

void alm_tolv_output::loadTemplates(const QStringList& entries,
                                    const QMap<QString, QString>& instanceEntries) {
    templates.clear();
    if (!currentModule)
        return;
    const QString moduleName = currentModule->name;
    // Process name -> (template, instance) of the first template that claims it.
    QHash<QString, QPair<QString, QString>> claims;
    QStringList locks;
    QStringList dropped; // what the user is told
    for (const QString& line : entries) {
        auto entry = std::make_unique<devTemplate>(line);
        const QString typeId = StorePaths::templateTypeId(systemName, moduleName, entry->name);
        const auto found = instanceEntries.constFind(entry->name);
        QString why;
        if (!isPathSafeName(typeId)) {
            trace("loadDevDesc fail. the name makes no file name. '" + typeId + "'");
            why = "its name makes no file name";
        }
        const QString storePath = StorePaths::devDescFile(typeId);
        if (why.isEmpty() && !loadDevDesc(*entry, localPath(storePath), typeId, &why)) {
            // Kept as it is in the module file until its description can be read:
            // an Apply cut off part-way, or a copy still to come, must not cost
            // the module its template.
            templates.unloaded.push_back(
                {entry->name, line,
                 found == instanceEntries.cend() ? QString() : entry->name + "=" + found.value()});
        }
        if (why.isEmpty() && found == instanceEntries.cend())
            why = "it has no line under [Instances]";
        if (!why.isEmpty()) {
            dropped.append("'" + entry->name + "': " + why);
            continue;
        }
        entry->instances = instancesFromValue(found.value());
        for (const QString& instance : std::as_const(entry->instances))
            for (auto param = entry->params.cbegin(); param != entry->params.cend(); ++param)
                if (!claims.contains(instance + param.key()))
                    claims.insert(instance + param.key(), {entry->name, instance});
        locks.append(storePath);
        templates.insert(std::move(entry));
    }
    if (!claims.isEmpty()) {
        // One pass over the rows; the first row of each name in display order
        // takes the claim out.
        processEditor->editRows([&](int, ProcessRow& row) {
            const auto claim = claims.find(row.name);
            if (claim == claims.end())
                return;
            if (row.instance.isEmpty()) {
                row.instance = claim->second;
                row.devType = claim->first;
                row.free = false;
            }
            claims.erase(claim);
        });
    }
    // The replies may arrive within each call, and a refused lock shows a box
    // that may outlive the editor: walk a copy, and stop once it is gone.
    QPointer<alm_tolv_output> self(this);
    for (const QString& path : std::as_const(locks)) {
        lockDevDesc(path);
        if (!self)
            return;
    }
    if (!dropped.isEmpty())
        showMessageBox(this, QMessageBox::Warning, "Alarms TOLV Output",
                       "The following templates of the module could not be loaded:-\n\t" +
                           dropped.join("\n\t") +
                           "\n\nA template whose device description cannot be read stays in "
                           "the module file as it is; one without instances is left out "
                           "when the module is saved.");
}

void alm_tolv_output::saveTemplates(cOutputFile* module, bool duplicate, QString& templateLines,
                                    QString& instanceLines) {
    if (!templates.hasLines()) {
        qDebug("alm_tolv_output::saveTemplates. no templates.");
        return;
    }
    for (const auto& [name, entry] : templates) {
        trace("alm_tolv_output::saveTemplates " + name);
        templateLines += templatesLine(*entry) + "\n";
        instanceLines += instancesLine(*entry) + "\n";
        const QString typeId = StorePaths::templateTypeId(systemName, module->name, name);
        const QString storePath = StorePaths::devDescFile(typeId);
        traceLockedDevDescFiles();
        if (!isPathSafeName(typeId)) {
            trace("alm_tolv_output::saveTemplates - the name makes no file name '" + typeId + "'");
            continue;
        }
        if (!duplicate && !lockedDevDescFiles.contains(storePath)) {
            trace("alm_tolv_output::saveTemplates - have not got lock on '" + storePath + "'");
            // The module file names a description that the working copy lacks (a
            // renamed module before its new locks): the module is not saved completely.
            if (!entry->params.isEmpty() && !QFileInfo::exists(localPath(storePath)))
                noteDeviceFileFailure();
            continue;
        }
        if (!saveDevDescFile(*entry, localPath(storePath), typeId, this))
            noteDeviceFileFailure();
    }
    for (const TemplateList::Unloaded& entry : templates.unloaded) {
        templateLines += entry.templateLine + "\n";
        if (!entry.instanceLine.isEmpty())
            instanceLines += entry.instanceLine + "\n";
    }
}

bool alm_tolv_output::createFolder(const QString& folder) {
    const QString path = rootDir + "/" + folder;
    if (QFileInfo(path).isDir())
        return true;
    trace("Creating folder " + path);
    if (QDir().mkdir(path))
        return true;
    showMessageBox(this, QMessageBox::Critical, "Alarms TOLV Output",
                   "alm_tolv_output::writeDevDescFile - Failed to create folder - " + path);
    return false;
}

void alm_tolv_output::writeDevDescFile(cOutputFile* module, bool requireLock) {
    const QString folder = StorePaths::devDescDir;
    const QString typeId = StorePaths::moduleTypeId(systemName, module->name);
    const QString fileName = typeId + ".xml";
    trace("alm_tolv_output::writeDevDescFile. sFolderName = '" + folder + "', sFileName = '" +
          fileName + "'");
    traceLockedDevDescFiles();
    if (!isPathSafeName(typeId)) {
        trace("alm_tolv_output::writeDevDescFile. the name makes no file name '" + typeId + "'");
        return;
    }
    const QString storePath = folder + "/" + fileName;
    if (!lockedDevDescFiles.contains(storePath)) {
        if (requireLock) {
            // Not written, so the module keeps its change for the next save.
            noteDeviceFileFailure();
            showMessageBox(this, QMessageBox::Critical, "Alarms TOLV Output",
                           "We have not got the lock on file - " + storePath);
            return;
        }
        trace("alm_tolv_output::writeDevDescFile. We have not got the lock on file - " + storePath);
    }
    const QString path = localPath(storePath);
    QPointer<alm_tolv_output> self(this);
    if (!createFolder(folder)) {
        if (self) // its box may outlive the editor
            noteDeviceFileFailure();
        return;
    }

    // The free rows with a valid slot, in display order, the slot text as shown.
    QVector<DevDescParam> params;
    for (int i = 0; i < processEditor->rowCount(); ++i) {
        const ProcessRow row = processEditor->processRow(i);
        if (row.free && isValidSlotText(row.slot, maxSlot))
            params.append({row.name, row.slot});
    }
    QString error;
    if (!replaceFileAtomically(path, deviceDescriptionBytes(typeId, params), &error)) {
        trace("writeDevDescFile. Failed to write '" + path + "' - '" + error + "'");
        noteDeviceFileFailure();
        showMessageBox(this, QMessageBox::Critical, "Alarms TOLV Output",
                       "alm_tolv_output::writeDevDescFile - Failed to open file - " + path);
        return;
    }
}
