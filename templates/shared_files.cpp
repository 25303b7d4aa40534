// The module's entries in the two files the installation shares,
// "config/devicetypes.xml" and "config/instances.xml", and the rename of its
// device types in them. The rewrites themselves are in core/shared_files.
#include "editor/alm_tolv_output.h"

#include "core/atomic_file.h"
#include "core/module_file.h"
#include "core/shared_files.h"
#include "platform/modal_ui.h"
#include "plugin/host_protocol.h"
#include "proclist/dialog.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSpinBox>

namespace {

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

void trace(const QString& text) {
    qDebug("%s", latin1(text).constData());
}

const TraceSink traceSink = [](const QString& line) { trace(line); };

// What a rewrite of a shared file came to: whether a file the save needs is
// not written (the module stays modified), and why, when the user must know.
struct Outcome {
    bool failed = false;
    QString problem;
};

QString entryText(const SharedEdit& edit) {
    return edit.elements.join(QStringLiteral("' '"));
}

// The traces of what a rewrite changed: the Part's texts where they exist.
void traceEdits(const QString& op, const SharedFileKind& kind, const QString& moduleTypeId,
                const QVector<SharedEdit>& edits) {
    const bool types = &kind == &deviceTypesFile;
    for (const SharedEdit& edit : edits) {
        if (edit.kind == SharedEdit::Dropped) {
            trace(op + "drop '" + entryText(edit) + "'");
        } else if (types) {
            trace(op + (edit.kind == SharedEdit::Inserted ? "insert type '" : "replace type '") +
                  edit.key + "' line '" + entryText(edit) + "'");
        } else {
            const QString removed = edit.kind == SharedEdit::Inserted
                                        ? QStringLiteral("template '' removed. end tag. ")
                                        : "template '" + edit.key + "' removed. ";
            trace(op + removed +
                  (edit.key == moduleTypeId ? "add new base '" + moduleTypeId + "'"
                                            : QStringLiteral("insert modified instances.")) +
                  " '" + entryText(edit) + "'");
        }
    }
}

// The frame of every rewrite: create the file when missing (or empty), read it,
// rewrite the module's entries and replace the file atomically, so that a failed
// write keeps the old file. A file that is not well-formed XML, or a result that
// fails its check, is not written. The traces begin with op.
Outcome rewriteFile(const QString& path, const QString& storePath, const QString& op,
                    const QString& missingText, const std::function<void()>& create,
                    const QString& openText, const QString& writeText, const SharedFileKind& kind,
                    const QString& moduleTypeId, const QVector<OwnEntries>& entries) {
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        trace(op + missingText + path);
        create();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        trace(op + openText + path + " - " + file.errorString());
        return {true, {}};
    }
    const QByteArray content = file.readAll();
    file.close();
    const SharedRewrite rewrite = rewriteSharedFile(content, kind, entries);
    if (rewrite.error.isError()) {
        const QString where = QStringLiteral("%1, line %2, column %3: %4")
                                  .arg(storePath)
                                  .arg(rewrite.error.line)
                                  .arg(rewrite.error.column)
                                  .arg(rewrite.error.message);
        trace(op + "not written - " + where);
        return {true, rewrite.errorInResult ? where + " (in the rewritten file)" : where};
    }
    traceEdits(op, kind, moduleTypeId, rewrite.edits);
    if (!rewrite.changed)
        return {};
    QString error;
    if (replaceFileAtomically(path, rewrite.content, &error))
        return {};
    trace(op + writeText + path + " - " + error);
    return {true, {}};
}

// The module's entries, and none for each deleted template that has not come
// back under its name: its old elements are dropped.
QVector<OwnEntries> withDeleted(QVector<OwnEntries> entries, const QStringList& deleted) {
    QSet<QString> keys;
    for (const OwnEntries& entry : std::as_const(entries))
        keys.insert(entry.key);
    for (const QString& typeId : deleted)
        if (!keys.contains(typeId))
            entries.append({typeId, {}, {}});
    return entries;
}

} // namespace

void alm_tolv_output::noteSharedFileProblem(bool failed, const QString& problem) {
    if (failed)
        noteDeviceFileFailure();
    if (!problem.isEmpty() && sharedFileProblems)
        sharedFileProblems->append(problem);
}

void alm_tolv_output::reportSharedFileProblems(const QStringList& problems) {
    if (problems.isEmpty())
        return;
    showMessageBox(this, QMessageBox::Critical, "Alarms TOLV Output",
                   "The module's entries were not written to these files; the module stays "
                   "modified:\n" +
                       problems.join('\n'));
}

QString alm_tolv_output::driverText() const {
    // The value, not the text: while the user types, the text may be empty.
    return QString::number(processEditor->infodriverNumber->value());
}

bool alm_tolv_output::writeDeviceTypesFile(cOutputFile* module) {
    qDebug("alm_tolv_output::writeDeviceTypesFile");
    if (!module)
        return false;
    const QString typeId = StorePaths::moduleTypeId(systemName, module->name);
    QString list = typeId;
    for (const auto& entry : templates)
        list += ',' + typeId + '_' + entry.first;
    trace("alm_tolv_output::writeDeviceTypesFile - base '" + typeId + "', templates '" + list +
          "'");
    const Outcome outcome = rewriteFile(
        localPath(StorePaths::devTypesFile), StorePaths::devTypesFile,
        "alm_tolv_output::writeDeviceTypesFile - ",
        "Old devicetypes file doesn't exist - creating - ", [this] { createModuleDeviceTypes(); },
        "Failed to open devicetypes file - ", "Failed to open file - ", deviceTypesFile, typeId,
        withDeleted(deviceTypeEntries(typeId, templates), deletedTemplateTypes));
    noteSharedFileProblem(outcome.failed, outcome.problem);
    return true;
}

bool alm_tolv_output::writeInstances() {
    qDebug("alm_tolv_output::writeInstances");
    if (!currentModule)
        return false;
    const QString typeId = StorePaths::moduleTypeId(systemName, currentModule->name);
    const Outcome outcome = rewriteFile(
        localPath(StorePaths::instancesFile), StorePaths::instancesFile,
        "alm_tolv_output::writeInstances - ", "Old instances file doesn't exist - creating - ",
        [this] { createModuleInstances(); }, "Failed to open instances file - ",
        "Failed to open file - ", instancesFile, typeId,
        withDeleted(instanceEntries(typeId, driverText(), templates), deletedTemplateTypes));
    noteSharedFileProblem(outcome.failed, outcome.problem);
    return true;
}

QString alm_tolv_output::insertModifiedInstances(const QString& base, const QString& driver,
                                                 const QString& type) {
    return modifiedInstanceLines(base, driver, type, templates, traceSink);
}

void alm_tolv_output::createModuleDeviceTypes() {
    if (!currentModule)
        return;
    QDomDocument document;
    createDocument("devicetypes", "devicetypes.dtd", document);
    for (const QString& id :
         moduleTypeIds(StorePaths::moduleTypeId(systemName, currentModule->name), templates))
        appendTypeElement(document, id);
    writeDocument(document, "devicetypes");
}

void alm_tolv_output::createModuleInstances() {
    if (!currentModule)
        return;
    QDomDocument document;
    createDocument("instances", "instances.dtd", document);
    const QString driver = driverText();
    for (const InstanceEntry& entry :
         moduleInstances(StorePaths::moduleTypeId(systemName, currentModule->name), templates))
        appendInstanceElement(document, entry, driver);
    writeDocument(document, "instances");
}

void alm_tolv_output::createDocument(const QString& docType, const QString& systemId,
                                     QDomDocument& doc) {
    createSharedDocument(docType, systemId, doc);
}

void alm_tolv_output::writeDocument(const QDomDocument& doc, const QString& name) {
    if (!isPathSafeName(name))
        return;
    const QString path = rootDir + "/config/" + name + ".xml";
    QString error;
    if (!replaceFileAtomically(path, sharedDocumentBytes(doc), &error))
        trace("alm_tolv_output::writeDocument - Failed to write " + path + " - " + error);
}

void alm_tolv_output::changeDevType(const QString& oldId, const QString& newId) {
    qDebug("alm_tolv_output::changeDevType '%s' to '%s'. got Dev Types Xml %d, got Instances "
           "Xml %d",
           latin1(oldId).constData(), latin1(newId).constData(), devTypesLocked ? 1 : 0,
           instancesLocked ? 1 : 0);
    if (!devTypesLocked || !instancesLocked)
        return;
    // Outside a save the unfit files are told here.
    QStringList problems;
    QStringList* const outer = sharedFileProblems ? sharedFileProblems : &problems;
    QStringList* const saved = std::exchange(sharedFileProblems, outer);
    changeDevTypeDevicetypes(oldId, newId);
    changeDevTypeInstances(oldId, newId);
    sharedFileProblems = saved;
    QPointer<alm_tolv_output> self(this);
    reportSharedFileProblems(problems);
    if (self && oldId != newId)
        deleteAndLockDevDescs(oldId, newId);
}

void alm_tolv_output::changeDevTypeDevicetypes(const QString& oldId, const QString& newId) {
    trace("alm_tolv_output::changeDevTypeDevicetypes - Old '" + oldId + "', new '" + newId + "'");
    const Outcome outcome = rewriteFile(
        localPath(StorePaths::devTypesFile), StorePaths::devTypesFile,
        "alm_tolv_output::changeDevTypeDevicetypes - ",
        "Old devicetypes file doesn't exist - creating - ", [&] { createDeviceTypesFile(newId); },
        "Failed to open old dev type file - ", "Failed to open new dev type file - ",
        deviceTypesFile, newId, deviceTypeEntries(newId, templates, oldId));
    noteSharedFileProblem(outcome.failed, outcome.problem);
}

void alm_tolv_output::changeDevTypeInstances(const QString& oldId, const QString& newId) {
    const Outcome outcome = rewriteFile(
        localPath(StorePaths::instancesFile), StorePaths::instancesFile,
        "alm_tolv_output::changeDevTypeInstances - ",
        "Old instances file doesn't exist - creating - ", [&] { createInstancesFile(newId); },
        "Failed to open old instances file - ", "Failed to open old new instances file - ",
        instancesFile, newId, instanceEntries(newId, driverText(), templates, oldId));
    noteSharedFileProblem(outcome.failed, outcome.problem);
}

void alm_tolv_output::deleteAndLockDevDescs(const QString& oldId, const QString& newId) {
    // (old id, new id) of the module and of each template, taken before any lock
    // is asked for: a reply may arrive within each request.
    QList<QPair<QString, QString>> ids{{oldId, newId}};
    for (const auto& entry : templates)
        ids.append({oldId + '_' + entry.first, newId + '_' + entry.first});
    QPointer<alm_tolv_output> self(this);
    for (const auto& [from, to] : std::as_const(ids)) {
        const bool module = from == oldId;
        if (isPathSafeName(from)) {
            const QString storePath = StorePaths::devDescFile(from);
            const QString path = localPath(storePath);
            QFile file(path);
            if (file.exists()) {
                trace("alm_tolv_output::deleteAndLockDevDescs - delete " +
                      (module ? "'" + path + "'" : path));
                if (!file.remove())
                    trace("alm_tolv_output::deleteAndLockDevDescs - failed to delete " +
                          (module ? QString("'") : QString()) + path + "' - '" +
                          file.errorString() + "'");
            }
            // A lock on a file that is no longer in the working copy would make
            // every Apply upload nothing and fail: give it back.
            // A grant still on its way is given back when it arrives.
            if (!file.exists()) {
                givenBackDevDescLocks.insert(storePath);
                if (lockedDevDescFiles.removeAll(storePath) > 0)
                    send("deleteAndLockDevDescs", HostCommand::unlock, storePath);
            }
        }
        if (isPathSafeName(to))
            lockDevDesc(StorePaths::devDescFile(to));
        if (!self) // a refused lock shows a box that may outlive the editor
            return;
    }
}

void alm_tolv_output::createDeviceTypesFile(const QString& typeId) {
    QDomDocument document;
    createDocument("devicetypes", "devicetypes.dtd", document);
    appendTypeElement(document, typeId);
    writeDocument(document, "devicetypes");
}

void alm_tolv_output::createInstancesFile(const QString& typeId) {
    QDomDocument document;
    createDocument("instances", "instances.dtd", document);
    appendInstanceElement(document, {typeId, typeId, 0}, driverText());
    writeDocument(document, "instances");
}
