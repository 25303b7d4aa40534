// The module's entries in the two files the installation shares,
// "config/devicetypes.xml" and "config/instances.xml", and the rename of its
// device types in them. The rewrites themselves are in core/shared_files.
#include "editor/alm_tolv_output.h"

#include "core/atomic_file.h"
#include "core/module_file.h"
#include "core/shared_files.h"
#include "plugin/host_protocol.h"
#include "proclist/dialog.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSpinBox>

namespace {

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

void trace(const QString& text) {
    qDebug("%s", latin1(text).constData());
}

const TraceSink traceSink = [](const QString& line) { trace(line); };

using Rewrite = std::function<QByteArray(const QByteArray&)>;

// The frame of every rewrite: create the file when missing, read it, rewrite it
// in memory and replace it atomically, so that a failed write keeps the old file.
// The failure traces begin with op. False when the file was not rewritten.
bool rewriteFile(const QString& path, const QString& op, const QString& missingText,
                 const std::function<void()>& create, const QString& openText,
                 const QString& writeText, const Rewrite& rewrite) {
    if (!QFileInfo::exists(path)) {
        trace(op + missingText + path);
        create();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        trace(op + openText + path + " - " + file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    file.close();
    QString error;
    if (replaceFileAtomically(path, rewrite(content), &error))
        return true;
    trace(op + writeText + path + " - " + error);
    return false;
}

} // namespace

QString alm_tolv_output::driverText() const {
    // The value, not the text: while the user types, the text may be empty.
    return QString::number(processEditor->infodriverNumber->value());
}

bool alm_tolv_output::writeDeviceTypesFile(cOutputFile* module) {
    qDebug("alm_tolv_output::writeDeviceTypesFile");
    if (!module)
        return false;
    const QString typeId = StorePaths::moduleTypeId(systemName, module->name);
    if (!rewriteFile(
            localPath(StorePaths::devTypesFile), "alm_tolv_output::writeDeviceTypesFile - ",
            "Old devicetypes file doesn't exist - creating - ",
            [this] { createModuleDeviceTypes(); }, "Failed to open devicetypes file - ",
            "Failed to open file - ",
            [&](const QByteArray& content) {
                return rewriteDeviceTypes(content, typeId, templates, traceSink);
            }))
        noteDeviceFileFailure();
    return true;
}

bool alm_tolv_output::writeInstances() {
    qDebug("alm_tolv_output::writeInstances");
    if (!currentModule)
        return false;
    const QString typeId = StorePaths::moduleTypeId(systemName, currentModule->name);
    const QString driver = driverText();
    if (!rewriteFile(
            localPath(StorePaths::instancesFile), "alm_tolv_output::writeInstances - ",
            "Old instances file doesn't exist - creating - ", [this] { createModuleInstances(); },
            "Failed to open instances file - ", "Failed to open file - ",
            [&](const QByteArray& content) {
                return rewriteInstances(content, typeId, driver, templates, traceSink);
            }))
        noteDeviceFileFailure();
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
    changeDevTypeDevicetypes(oldId, newId);
    changeDevTypeInstances(oldId, newId);
    if (oldId != newId)
        deleteAndLockDevDescs(oldId, newId);
}

void alm_tolv_output::changeDevTypeDevicetypes(const QString& oldId, const QString& newId) {
    if (!rewriteFile(
            localPath(StorePaths::devTypesFile), "alm_tolv_output::changeDevTypeDevicetypes - ",
            "Old devicetypes file doesn't exist - creating - ",
            [&] { createDeviceTypesFile(newId); }, "Failed to open old dev type file - ",
            "Failed to open new dev type file - ",
            [&](const QByteArray& content) {
                return renameDeviceTypes(content, oldId, newId, templates, traceSink);
            }))
        noteDeviceFileFailure();
}

void alm_tolv_output::changeDevTypeInstances(const QString& oldId, const QString& newId) {
    const QString driver = driverText();
    if (!rewriteFile(
            localPath(StorePaths::instancesFile), "alm_tolv_output::changeDevTypeInstances - ",
            "Old instances file doesn't exist - creating - ", [&] { createInstancesFile(newId); },
            "Failed to open old instances file - ", "Failed to open old new instances file - ",
            [&](const QByteArray& content) {
                return renameInstances(content, oldId, newId, driver, templates, traceSink);
            }))
        noteDeviceFileFailure();
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
