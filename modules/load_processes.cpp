// Filling the process list from the process definitions of the chosen system.
#include "core/module_file.h"
#include "core/process_definitions.h"
#include "core/slot_rules.h"
#include "editor/alm_tolv_output.h"
#include "proclist/dialog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

bool alm_tolv_output::loadProcesses(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const QFileInfo info(path);
    if (!info.isFile()) {
        qDebug("%s", ("File not valid - " + path).toLatin1().constData());
        return false;
    }
    const QDateTime modified = info.lastModified();
    // Another system's file may carry the same time (a copied store, whole-second
    // file times): only the same file unchanged is not read again.
    if (processesLoaded && path == processesPath && modified == processesModified)
        return true;

    // The module shown keeps what it shows (edits not yet saved included) on
    // the rows of the processes that are still defined.
    QHash<QString, ProcessRow> shown;
    if (currentModule && currentModule->modified) {
        for (int i = 0; i < processEditor->rowCount(); ++i) {
            const ProcessRow row = processEditor->processRow(i);
            shown.insert(row.name, row);
        }
    }

    QVector<ProcessDefinition> processes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        processes = parseProcessDefinitions(file.readAll());
    processNames.clear();
    processNames.reserve(processes.size());
    for (const ProcessDefinition& process : processes)
        processNames.append(process.name);
    processEditor->setProcesses(processes);
    if (currentModule && !currentModule->modified) {
        // The module shown was loaded into the rows just replaced (perhaps none,
        // when its file came before the definitions): load it again.
        const bool loading = loadingModule;
        loadingModule = true;
        QPointer<alm_tolv_output> self(this);
        loadFile(localPath(currentModule->fileName));
        if (!self)
            return false;
        loadingModule = loading;
    } else if (currentModule) {
        // Rows shown before keep what they showed; new rows take their slot
        // from the module's file.
        QFile stored(localPath(currentModule->fileName));
        const ModuleFileContent content = stored.open(QIODevice::ReadOnly)
                                              ? parseModuleFile(stored.readAll())
                                              : ModuleFileContent();
        const int limit = maxSlot;
        processEditor->editRows([&](int, ProcessRow& row) {
            const auto it = shown.constFind(row.name);
            if (it == shown.constEnd()) {
                const QString slot = content.processes.value(row.name);
                row.slot = isValidSlotText(slot, limit) ? slot : QString();
                return;
            }
            row.slot = it->slot;
            row.devType = it->devType;
            row.instance = it->instance;
            row.free = it->free;
        });
        processEditor->checkForDuplicates();
    }

    processesPath = path;
    processesModified = modified;
    processesLoaded = true;
    const qint64 elapsed = timer.elapsed();
    qDebug("Load processes took %d (%d)", int(elapsed / 1000), int(elapsed));
    return true;
}
