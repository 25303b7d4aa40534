// Loading a module file into the editor and saving the editor's working copy of
// the current module into its file.
#include "core/atomic_file.h"
#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/module_names.h"
#include "core/slot_rules.h"
#include "editor/alm_tolv_output.h"
#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

} // namespace

bool alm_tolv_output::loadFile(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    if (!QFileInfo(path).isFile()) {
        qDebug("%s", latin1("File not valid - " + path).constData());
        return false;
    }
    processEditor->setUpdatesEnabled(false);

    ModuleFileContent content; // a file that cannot be opened loads as an empty module
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        content = parseModuleFile(file.readAll(), false);
        file.close();
    }
    if (content.name)
        showModuleTitle(*content.name);
    if (content.dbModule)
        dbModule = *content.dbModule;
    if (content.driver)
        processEditor->infodriverNumber->setValue(*content.driver);

    // One pass over the rows, each looking its process up in the file's map.
    const int limit = maxSlot;
    processEditor->editRows([&](int, ProcessRow& row) {
        const QString slot = content.processes.value(row.name);
        row.slot = isValidSlotText(slot, limit) ? slot : QString();
        row.free = true;
        row.devType.clear();
        row.instance.clear();
    });
    QPointer<alm_tolv_output> self(this);
    loadTemplates(content.templateLines, content.instances); // a refused lock shows a box
    if (!self)
        return false;
    processEditor->checkForDuplicates();

    processEditor->setUpdatesEnabled(true);
    const qint64 elapsed = timer.elapsed();
    qDebug("Load File took %d (%d)", int(elapsed / 1000), int(elapsed));
    return true;
}

void alm_tolv_output::showModuleTitle(const QString& name) {
    // Plain text inside the heading: a name is never markup, and never longer
    // than the module list shows it.
    processEditor->topLabel->setText("<h1>Alarms TOLV Output - " +
                                     name.left(maxModuleNameLength).toHtmlEscaped() + "</h1>");
}

bool alm_tolv_output::mayOverwrite(cOutputFile*& module) {
    const QString fileName = module->fileName;
    const QFileInfo info(localPath(fileName));
    if (!module->lastModified.isValid() || !info.exists() ||
        info.lastModified() == module->lastModified)
        return true;
    QPointer<alm_tolv_output> self(this);
    const bool shown = module == currentModule;
    const int answer = askMessageBox(
        this, QMessageBox::Warning, "Alarm output",
        "The file of the module \"" + module->name.left(maxModuleNameLength) + "\" (" + fileName +
            ") was changed on disk since it was loaded.\nOverwrite it with the editor's "
            "contents, or reload it and lose the changes made here?",
        {QStringLiteral("Overwrite"), QStringLiteral("Reload")}, 0, 2);
    // Closed without an answer: neither side is given up, and nothing is written.
    // The box's event loop may have changed the list or deleted the editor, or
    // shown another module: the rows are that module's now, never this one's.
    module = self ? moduleOfFile(fileName) : nullptr;
    if (!module || (shown && module != currentModule))
        return false;
    if (answer == 1)
        reloadModule(module);
    return answer == 0;
}

void alm_tolv_output::reloadModule(cOutputFile* module) {
    const QString full = localPath(module->fileName);
    module->name = getPrivateProfileString("System", "Name", "", full);
    module->modified = false;
    module->lastModified = QFileInfo(full).lastModified();
    if (QTreeWidgetItem* row = rowOf(module)) {
        QSignalBlocker quiet(fileList);
        row->setText(0, module->name);
    }
    if (module != currentModule)
        return;
    QPointer<alm_tolv_output> self(this);
    const bool loading = std::exchange(loadingModule, true);
    templates.clear();
    loadFile(full);
    if (self)
        loadingModule = loading;
}

bool alm_tolv_output::saveFile(cOutputFile* module, bool requireLock, bool duplicate) {
    if (!module) {
        qDebug("alm_tolv_output::saveFile. no file.");
        return false;
    }
    if (module->fileName.isEmpty()) {
        qDebug("alm_tolv_output::saveFile. no file name.");
        return false;
    }
    qDebug("%s", latin1("alm_tolv_output::saveFile " + module->fileName).constData());
    if (!module->modified)
        return true;
    // No module counts as saved without its device files, and a name unfit for a
    // path has none (nor has one whose device type is another's): such a module
    // stays as its file has it until it is renamed.
    if (!isPathSafeName(module->name) || (module == currentModule && !shownTypeIdClash.isEmpty())) {
        qDebug("%s", latin1("alm_tolv_output::saveFile - no device files for the name '" +
                            module->name + "': not saved")
                         .constData());
        return false;
    }
    if (!mayOverwrite(module))
        return false;
    int failures = 0;
    int* const outer = std::exchange(deviceFileFailures, &failures);
    QStringList problems;
    QStringList* const outerProblems = std::exchange(sharedFileProblems, &problems);

    const QString path = localPath(module->fileName);
    ModuleFileData data;
    data.name = module->name;
    data.configTool = pluginName;
    data.systemName = systemName;
    data.dbModule = dbModule;
    data.driver = QString::number(processEditor->infodriverNumber->value());
    data.maxSlot = maxSlot;
    if (templates.hasLines()) {
        data.withTemplates = true;
        saveTemplates(module, duplicate, data.templateText, data.instanceText);
    }
    // The rows in display order, one pass.
    const int rows = processEditor->rowCount();
    data.processes.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        const ProcessRow row = processEditor->processRow(i);
        if (!row.slot.isEmpty())
            data.processes.append({row.name, row.slot});
    }

    // The stored file is replaced only by a complete new one, and a module whose
    // file could not be written stays modified, so that the next save tries again.
    QString error;
    const bool written = replaceFileAtomically(path, formatModuleFile(data), &error);
    if (written) {
        changedOutputsDirs.insert(module->fileName.section('/', 0, -2));
        module->modified = false;
        module->lastModified = QFileInfo(path).lastModified();
    } else {
        qDebug("%s", latin1("alm_tolv_output::saveFile - Failed to write file '" + path + "' - '" +
                            error + "'")
                         .constData());
    }

    {
        // The module's own device description may tell the user of a missing lock;
        // in the message box's event loop the editor or the module may go, or
        // another module be shown (whose templates and driver are not this one's).
        QPointer<alm_tolv_output> self(this);
        const QString fileName = module->fileName;
        const bool shown = module == currentModule;
        writeDevDescFile(module, requireLock);
        if (!self)
            return written;
        // Both shared files are rewritten once per save, the module's own entries
        // in their standard form.
        if (moduleOfFile(fileName) == module && (!shown || module == currentModule)) {
            writeDeviceTypesFile(module);
            writeInstances();
            // Device files that could not be written keep the module modified, so
            // that the next save writes them again.
            if (failures > 0)
                module->modified = true;
            else
                deletedTemplateTypes.clear();
        }
    }
    deviceFileFailures = outer;
    sharedFileProblems = outerProblems;
    // Last: a message box runs an event loop in which the module may go.
    QPointer<alm_tolv_output> self(this);
    reportSharedFileProblems(problems);
    if (!written && self)
        showMessageBox(this, QMessageBox::Warning, "Alarm output",
                       "Failed to open file - " + error);
    return written;
}
