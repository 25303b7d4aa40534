// The module list: which modules the outputs folder holds, which one the editor
// shows, and the operations on module files (new, duplicate, rename, delete).
#include "core/atomic_file.h"
#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/module_names.h"
#include "core/store_paths.h"
#include "core/text_codec.h"
#include "editor/alm_tolv_output.h"

#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QSet>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

const QString renameCaption = QStringLiteral("cTOLV Output Editor");

} // namespace

cOutputFile* alm_tolv_output::moduleOfRow(const QTreeWidgetItem* row) const {
    return row ? moduleOfFile(outputsDir() + '/' + row->text(1)) : nullptr;
}

cOutputFile* alm_tolv_output::moduleOfFile(const QString& fileName) const {
    for (const auto& module : modules)
        if (module->fileName == fileName)
            return module.get();
    return nullptr;
}

QTreeWidgetItem* alm_tolv_output::rowOf(const cOutputFile* module) const {
    if (!module)
        return nullptr;
    const QString prefix = outputsDir() + '/';
    for (int i = 0; i < fileList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = fileList->topLevelItem(i);
        if (prefix + row->text(1) == module->fileName)
            return row;
    }
    return nullptr;
}

void alm_tolv_output::updateFileList() {
    qDebug("alm_tolv_output::updateFileList()");
    const QString outputs = outputsDir();
    const QString prefix = outputs + '/';
    const QStringList listing =
        QDir(localPath(outputs)).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    const QSet<QString> present(listing.begin(), listing.end());

    // One look-up table per pass, so that 500 modules cost 500 steps, not 500 * 500.
    QHash<QString, QTreeWidgetItem*> rowByFile;
    for (int i = fileList->topLevelItemCount() - 1; i >= 0; --i) // the first row wins
        rowByFile.insert(prefix + fileList->topLevelItem(i)->text(1), fileList->topLevelItem(i));
    const cOutputFile* shown = currentModule;
    QSignalBlocker quiet(fileList); // the rescan is not a user's selection

    auto dropRow = [&](const cOutputFile* module) { delete rowByFile.take(module->fileName); };
    // Records whose file has gone; the module shown is dropped without saving.
    for (auto it = modules.begin(); it != modules.end();) {
        QString rest = (*it)->fileName;
        rest.remove(prefix, Qt::CaseInsensitive);
        if (present.contains(rest)) {
            ++it;
            continue;
        }
        if (it->get() == currentModule)
            currentModule = nullptr;
        dropRow(it->get());
        it = modules.erase(it);
    }

    QHash<QString, cOutputFile*> moduleByFile;
    for (const auto& module : modules)
        if (!moduleByFile.contains(module->fileName))
            moduleByFile.insert(module->fileName, module.get());

    for (const QString& entry : listing) {
        if (!isModuleFileName(entry))
            continue;
        const QString relative = prefix + entry;
        const QString full = localPath(relative);
        const QDateTime changed = QFileInfo(full).lastModified();
        cOutputFile* module = moduleByFile.value(relative);
        if (module && module->lastModified == changed)
            continue;
        const QString configTool = getPrivateProfileString("System", "ConfigTool", "", full);
        // Unsaved edits of a module changed on disk are not dropped here: its next
        // save asks whether to overwrite the file or reload it.
        if (module && module->modified && configTool == pluginName)
            continue;
        const QString name = getPrivateProfileString("System", "Name", "", full);
        if (!module) {
            if (configTool != pluginName)
                continue; // another tool's file
            modules.push_back(std::make_unique<cOutputFile>(name, configTool, relative));
            modules.back()->lastModified = changed;
            addModuleRow(modules.back().get(), entry);
            continue;
        }
        // Changed on disk, and nothing unsaved: what the file now says counts.
        module->name = name;
        module->configTool = configTool;
        if (configTool == pluginName) {
            module->modified = false;
            module->lastModified = changed;
            if (QTreeWidgetItem* row = rowByFile.value(relative))
                row->setText(0, name);
            else
                addModuleRow(module, entry);
            if (module == currentModule) {
                if (QTreeWidgetItem* row = rowOf(module))
                    row->setSelected(true);
                reloadModule(module);
            }
            continue;
        }
        // The file now belongs to another tool.
        if (module == currentModule)
            currentModule = nullptr;
        dropRow(module);
        modules.erase(std::find_if(modules.begin(), modules.end(),
                                   [&](const auto& m) { return m.get() == module; }));
        moduleByFile.remove(relative);
    }
    if (currentModule != shown)
        updateActions();
}

void alm_tolv_output::selectFile(QTreeWidgetItem* row) {
    // A box shown on the way (a failed save, a refused lock) may outlive the editor.
    QPointer<alm_tolv_output> self(this);
    if (!row) {
        if (currentModule)
            saveFile(currentModule, true, false);
        if (!self)
            return;
        currentModule = nullptr;
        updateActions();
        return;
    }
    // The row's file names its module: two modules may bear the same name.
    const QString file = outputsDir() + '/' + row->text(1);
    if (currentModule) {
        if (currentModule == moduleOfFile(file))
            return; // already shown
        saveFile(currentModule, true, false);
        if (!self)
            return;
    }
    currentModule = moduleOfFile(file);
    shownTypeIdClash.clear();
    templates.clear();
    loadingModule = true;
    updateActions();
    if (!currentModule) {
        qDebug("No file found");
    } else if (currentModule->lastModified.isValid() &&
               !QFileInfo(localPath(currentModule->fileName)).isFile()) {
        // Gone since it was listed (a module whose file could never be written
        // has no time and waits for a save).
        dropVanishedModule();
    } else {
        loadFile(localPath(currentModule->fileName));
        if (!self)
            return;
        shownTypeIdClash = typeIdClashOfShown();
        updateActions();
        // A name read from a file that would make a path outside the device
        // description folder is not locked (and no device file is written for it).
        if (currentModule && !shownTypeIdClash.isEmpty()) {
            showMessageBox(this, QMessageBox::Warning, renameCaption,
                           "The module \"" + currentModule->name.left(maxModuleNameLength) +
                               "\" has the device type '" + shownTypeIdClash +
                               "' of another module or template, whose device description its "
                               "save would overwrite. The module is shown read-only: rename it "
                               "to edit it.");
        } else if (currentModule && isPathSafeName(currentModule->name)) {
            lockDevDesc(
                StorePaths::devDescFile(StorePaths::moduleTypeId(systemName, currentModule->name)));
        } else if (currentModule) {
            const QString name = currentModule->name;
            qDebug("%s", latin1("selectFile. no device description for the name '" + name + "'")
                             .constData());
            showMessageBox(this, QMessageBox::Warning, renameCaption,
                           "The name of the module \"" + name.left(maxModuleNameLength) +
                               "\" cannot be part of a file name, so its device description "
                               "cannot be written. The module is shown read-only: rename it to "
                               "edit it.");
        }
    }
    if (self)
        loadingModule = false;
}

void alm_tolv_output::dropVanishedModule() {
    const QString name = currentModule->name;
    const QString fileName = currentModule->fileName;
    currentModule = nullptr;
    templates.clear();
    processEditor->clearAllSlots();
    processEditor->topLabel->setText(QStringLiteral("<h1>Alarm TOLV Output</h1>"));
    updateFileList(); // drops the record and its row
    updateActions();
    showMessageBox(this, QMessageBox::Warning, "Alarm output",
                   "The file of the module \"" + name.left(maxModuleNameLength) + "\" (" +
                       fileName + ") is gone. The module was removed from the list.");
}

void alm_tolv_output::nextFileName(QString& name, QString& path) {
    for (int n = 1;; ++n) {
        name = QString::asprintf("al_out_%04d.cfg", n);
        path = outputsDir() + '/' + name;
        if (!QFileInfo::exists(localPath(path)) && !storeOnlyFiles.contains(path))
            return;
    }
}

void alm_tolv_output::copyName(QString& name) {
    const QString original = currentModule ? currentModule->name : QString();
    QSet<QString> taken; // names differing only in letter case are taken too
    for (const auto& module : modules)
        taken.insert(module->name.toCaseFolded());
    // Nor a name whose device type ids (with the templates copied) are taken.
    const QSet<QString> ids = typeIdsOfOtherModules(nullptr);
    const QStringList templateNames =
        currentModule ? templateNamesOf(currentModule) : QStringList();
    for (int n = 1;; ++n) {
        name = QStringLiteral("Copy %1 of %2").arg(QString::number(n), original);
        if (!taken.contains(name.toCaseFolded()) && typeIdClash(ids, name, templateNames).isEmpty())
            return;
    }
}

void alm_tolv_output::menuNewFile() {
    QPointer<alm_tolv_output> self(this);
    if (currentModule)
        saveFile(currentModule, true, false);
    if (self)
        newFile(QString());
}

void alm_tolv_output::newFile(const QString&) {
    QString name;
    QString path;
    nextFileName(name, path);
    const QString refusal = refusedModuleName(nullptr, name);
    if (!refusal.isEmpty()) {
        showMessageBox(this, QMessageBox::Critical, renameCaption, refusal);
        return;
    }
    modules.push_back(std::make_unique<cOutputFile>(name, pluginName, path));
    cOutputFile* module = modules.back().get();
    module->modified = true;

    // The new module is written empty: what the editor shows is another module.
    QString error;
    const bool written = writeEmptyModule(name, path, &error);
    if (written)
        module->lastModified = QFileInfo(localPath(path)).lastModified();
    else
        qDebug("%s", latin1("alm_tolv_output::newFile - Failed to write file '" + localPath(path) +
                            "' - '" + error + "'")
                         .constData());

    addModuleRow(module, name);
    QPointer<alm_tolv_output> self(this);
    fileList->setCurrentItem(rowOf(module)); // loads it through selectFile
    if (!self)
        return;
    // selectFile may have shown a box, in which the list may have changed.
    cOutputFile* created = moduleOfFile(path);
    if (!created)
        return;
    if (QTreeWidgetItem* row = rowOf(created))
        fileList->editItem(row, 0);
    // Also when the file could not be written and so not loaded.
    templates.clear();
    dbModule = false;
    processEditor->infodriverNumber->setValue(0);
    processEditor->clearAllSlots();
    markDirty();
    if (!written)
        showMessageBox(this, QMessageBox::Warning, "Alarm output",
                       "Failed to open file - " + error);
}

void alm_tolv_output::menuDuplicateFile() {
    if (!currentModule) {
        qDebug("alm_tolv_output::menuDuplicateFile. No file to duplicate.");
        return;
    }
    qDebug("%s",
           latin1("alm_tolv_output::menuDuplicateFile '" + currentModule->name + "'").constData());
    QPointer<alm_tolv_output> self(this);
    saveFile(currentModule, true, false);
    if (!self || !currentModule)
        return; // gone while a message box was open

    QString name;
    QString path;
    QString display;
    nextFileName(name, path);
    copyName(display);
    qDebug("%s", latin1("alm_tolv_output::menuDuplicateFile. name '" + name + "', full name '" +
                        path + "', module name '" + display + "'")
                     .constData());
    const QString refusal = refusedModuleName(nullptr, display);
    if (!refusal.isEmpty()) {
        showMessageBox(this, QMessageBox::Critical, renameCaption, refusal);
        return;
    }
    // A copy whose file the folder refuses is not made: it would lose its
    // templates, and its device files would belong to no module file.
    QString error;
    if (!writeEmptyModule(display, path, &error)) {
        showMessageBox(this, QMessageBox::Warning, "Alarm output",
                       "Failed to open file - " + error);
        return;
    }
    modules.push_back(std::make_unique<cOutputFile>(display, pluginName, path));
    cOutputFile* copy = modules.back().get();
    copy->modified = true;
    qDebug("alm_tolv_output::menuDuplicateFile. changeDevType.");
    saveFile(copy, false, true);
    if (!self)
        return;
    cOutputFile* duplicate = moduleOfFile(path);
    if (!duplicate)
        return;
    qDebug("alm_tolv_output::menuDuplicateFile. new lvi.");
    addModuleRow(duplicate, name);
    fileList->setCurrentItem(rowOf(duplicate));
    if (!self)
        return;
    markDirty();
}

bool alm_tolv_output::writeEmptyModule(const QString& name, const QString& path, QString* error) {
    ModuleFileData empty;
    empty.name = name;
    empty.configTool = pluginName;
    empty.systemName = systemName;
    empty.driver = QStringLiteral("0");
    return replaceFileAtomically(localPath(path), formatModuleFile(empty), error);
}

void alm_tolv_output::menuRename() {
    if (QTreeWidgetItem* row = fileList->currentItem())
        fileList->editItem(row, 0);
}

void alm_tolv_output::renameModule(QTreeWidgetItem* row, int column, const QString& text) {
    if (column != 0 || !row)
        return;
    // The module of the edited row, whichever module is shown by now: an edit
    // committed by a click on another row is handled after that row was selected.
    cOutputFile* module = moduleOfRow(row);
    if (!module)
        return;
    const QString fileName = module->fileName;
    auto putBackName = [this](QTreeWidgetItem* edited, const cOutputFile* owner) {
        QSignalBlocker quiet(fileList);
        edited->setText(0, owner->name);
    };

    if (!mayRename(module)) { // a read-only session: the name stays
        putBackName(row, module);
        return;
    }
    const QString refusal = refusedModuleName(module, text);
    if (!refusal.isEmpty()) {
        const bool shown = module == currentModule;
        putBackName(row, module);
        QPointer<alm_tolv_output> self(this);
        showMessageBox(this, QMessageBox::Critical, renameCaption, refusal);
        if (!self || !shown)
            return;
        // The list may have changed while the box was open.
        cOutputFile* renamed = moduleOfFile(fileName);
        if (renamed && renamed == currentModule)
            if (QTreeWidgetItem* again = rowOf(renamed))
                fileList->editItem(again, 0);
        return;
    }
    if (module == currentModule) {
        applyRename(module, text);
        return;
    }

    // Show the renamed module again, so that its device types are renamed with its
    // own templates, then return to the row that the user chose; leaving it saves
    // the module under its new name.
    const QString chosen = currentModule ? currentModule->fileName : QString();
    putBackName(row, module);
    QPointer<alm_tolv_output> self(this);
    fileList->setCurrentItem(row);
    if (!self || !currentModule || currentModule->fileName != fileName)
        return;
    applyRename(currentModule, text);
    if (chosen.isEmpty())
        return;
    if (QTreeWidgetItem* back = rowOf(moduleOfFile(chosen)))
        fileList->setCurrentItem(back);
}

QString alm_tolv_output::refusedModuleName(const cOutputFile* module, const QString& name) const {
    QStringList others;
    for (const auto& other : modules)
        if (other.get() != module)
            others.append(other->name);
    const QString refusal = moduleNameRefusal(name, others);
    if (!refusal.isEmpty())
        return refusal;
    // Nor may the name give the module (or a template of it) the device type id
    // of another module or template: their entries in the shared files would mix.
    const QString clash = typeIdClash(typeIdsOfOtherModules(module), name,
                                      module ? templateNamesOf(module) : QStringList());
    return clash.isEmpty() ? QString()
                           : "The device type '" + clash +
                                 "' of the new name already belongs to another module or "
                                 "template.";
}

bool alm_tolv_output::mayRename(const cOutputFile* module) const {
    return renameAction->isEnabled() && lockedDirs.contains(module->fileName.section('/', 0, -2));
}

void alm_tolv_output::applyRename(cOutputFile* module, const QString& text) {
    const QString oldName = module->name;
    module->name = text;
    if (QTreeWidgetItem* row = rowOf(module)) {
        QSignalBlocker quiet(fileList);
        row->setText(0, text);
    }
    showModuleTitle(text);
    const QString newTypeId = StorePaths::moduleTypeId(systemName, text);
    // No device file was ever written for a name unfit for a path: there is
    // nothing to rename, and no path is built from it.
    QPointer<alm_tolv_output> self(this);
    // The device files of a name shared with another module are that module's too.
    const bool shared = !std::exchange(shownTypeIdClash, QString()).isEmpty();
    if (isPathSafeName(oldName) && !shared)
        changeDevType(StorePaths::moduleTypeId(systemName, oldName), newTypeId);
    else
        lockDevDesc(StorePaths::devDescFile(newTypeId));
    if (!self)
        return;
    updateActions(); // a module renamed from a name unfit for a path may be edited now
    markDirty();
}

void alm_tolv_output::menuDeleteFile() {
    if (!currentModule)
        return;
    const QString path = localPath(currentModule->fileName);
    QFile file(path);
    if (!file.remove()) {
        qDebug("%s",
               latin1("deleteFile. Failed to remove '" + path + "' - '" + file.errorString() + "'")
                   .constData());
        // A file that stays would be uploaded and listed again: the module stays too.
        if (QFileInfo::exists(path)) {
            showMessageBox(this, QMessageBox::Warning, "Alarm output",
                           "Failed to remove file - " + path + " - " + file.errorString());
            return;
        }
    }
    const auto it = std::find_if(modules.begin(), modules.end(),
                                 [&](const auto& m) { return m.get() == currentModule; });
    if (it == modules.end()) {
        qDebug("Failed to remove the file from list");
        return;
    }
    QTreeWidgetItem* row = rowOf(currentModule);
    currentModule = nullptr;
    {
        QSignalBlocker quiet(fileList); // the process list keeps the deleted module's rows
        delete row;
        // No other row takes its place: none is loaded.
        fileList->clearSelection();
        fileList->setCurrentItem(nullptr);
    }
    modules.erase(it);
    updateActions();
    // Last: the host may answer "dirty" by reloading, closing the editor or
    // showing another module, which must not save the deleted one again.
    markDirty();
}
