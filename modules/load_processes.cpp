// Filling the process list from the process definitions of the chosen system.
#include "core/process_definitions.h"
#include "editor/alm_tolv_output.h"
#include "proclist/dialog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

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

    QVector<ProcessDefinition> processes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        processes = parseProcessDefinitions(file.readAll());
    processNames.clear();
    processNames.reserve(processes.size());
    for (const ProcessDefinition& process : processes)
        processNames.append(process.name);
    processEditor->setProcesses(processes);

    processesPath = path;
    processesModified = modified;
    processesLoaded = true;
    const qint64 elapsed = timer.elapsed();
    qDebug("Load processes took %d (%d)", int(elapsed / 1000), int(elapsed));
    return true;
}
