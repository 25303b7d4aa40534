// The host command protocol: what the editor asks of the host and how it
// handles each reply.
#include "editor/alm_tolv_output.h"

#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/store_paths.h"
#include "platform/modal_ui.h"
#include "platform/system_chooser.h"
#include "plugin/host_protocol.h"
#include "proclist/dialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTreeWidget>

#include <algorithm>

namespace {

using StorePaths::alarmsDir;
using StorePaths::devDescDir;
using StorePaths::devTypesFile;
using StorePaths::instancesFile;

QByteArray latin1(const QString& text) {
    return text.toLatin1();
}

void appendOnce(QStringList& list, const QString& entry) {
    if (!list.contains(entry))
        list.append(entry);
}

} // namespace

void alm_tolv_output::send(const char* caller, const QString& word, const QString& file) {
    if (file.isNull())
        qDebug("%s. command=%s", caller, latin1(word).constData());
    else
        qDebug("%s. command=%s file='%s'", caller, latin1(word).constData(),
               latin1(file).constData());
    emit command(word, file);
}

void alm_tolv_output::activate(bool active) {
    if (!active) {
        if (currentModule)
            saveFile(currentModule, true, false);
        return;
    }
    send("activate", HostCommand::dir, alarmsDir);

    const QString chosen = systemChooser->getSystemName();
    if (!chosen.isEmpty())
        selectSystem(chosen);

    if (!systemLoad) {
        systemLoad = new FileLoad_TolvSystem(this);
        loaders->addFile(systemLoad);
    }
    if (!devTypesLocked) {
        send("activate", HostCommand::checkoutFile, devTypesFile);
    }
    if (!instancesLocked) {
        send("activate", HostCommand::checkoutFile, instancesFile);
    }
    if (!devTypesSynced) {
        send("activate", HostCommand::syncDirDownload, devDescDir);
    }
    systemLoad->requestDownload(this);
}

void alm_tolv_output::selectSystem(const QString& name) {
    QPointer<alm_tolv_output> self(this);
    if (currentModule)
        saveFile(currentModule, true, false);
    if (!self)
        return;
    if (name != systemName)
        clearModules();
    systemName = name;

    const QString definitions = processDefinitionsPath();
    if (!downloadedFiles.contains(definitions)) {
        send("selectSystem", HostCommand::downloadFile, definitions);
    } else {
        loadProcesses(localPath(definitions));
    }
    if (!self)
        return;

    const QString outputs = outputsDir();
    if (!checkedOutDirs.contains(outputs)) {
        clearModules();
        updateActions(); // no module, and no lock of this system's folder yet
        send("selectSystem", HostCommand::checkoutDir, outputs);
    } else {
        currentModule = nullptr;
        updateFileList();
        const auto selected = fileList->selectedItems();
        selectFile(selected.isEmpty() ? nullptr : selected.first());
    }
}

void alm_tolv_output::clearModules() {
    currentModule = nullptr;
    {
        QSignalBlocker quiet(fileList); // emptying the list is not a user's selection
        fileList->clear();
    }
    modules.clear();
}

void alm_tolv_output::apply() {
    QPointer<alm_tolv_output> self(this);
    // A slot still being typed is saved with the rest; a refused one stops the
    // save and leaves the module modified.
    if (!commitTypedSlot() || !self)
        return;
    if (currentModule)
        saveFile(currentModule, true, false);
    if (!self)
        return;
    // A module whose save left a file unwritten would reach the store without it
    // (a renamed module without its descriptions): its folder and the shared
    // files wait for an Apply that saves it completely.
    const bool incomplete = currentModule && currentModule->modified;
    // Copies: a reply delivered while a command is emitted may add a lock.
    QStringList dirs = lockedDirs;
    QStringList written;
    QStringList removed; // descriptions of deleted templates: they leave the store
    for (const QString& file : std::as_const(lockedDevDescFiles))
        (QFileInfo::exists(localPath(file)) ? written : removed).append(file);
    QStringList shared;
    if (devTypesLocked)
        shared.append(devTypesFile);
    if (instancesLocked)
        shared.append(instancesFile);
    if (incomplete) {
        qDebug("%s", latin1("apply. " + currentModule->fileName +
                            " is not saved completely: its folder and the shared files stay to "
                            "be uploaded")
                         .constData());
        dirs.clear();
        shared.clear();
        removed.clear();
    }
    // The order keeps the store whole if the Apply is cut off part-way: the
    // descriptions before the modules that name them, the modules before the
    // shared files, and a description leaves only after the module file that
    // no longer names it.
    const QStringList files = written + dirs + shared + removed;
    // Counted before the first emission: the host may answer from within it.
    pendingUploads += files;
    // Changed outputs folders whose lock has not arrived (or was refused) cannot be
    // uploaded: this Apply cannot bring all of the editor's work into the store.
    for (const QString& dir : std::as_const(dirs))
        changedOutputsDirs.remove(dir); // uploaded now; a failure is reported
    uploadFailed = incomplete || !changedOutputsDirs.isEmpty();
    for (const QString& dir : std::as_const(changedOutputsDirs))
        qDebug(
            "%s",
            latin1("apply. no lock on " + dir + ": its modules stay to be uploaded").constData());
    changedSinceApply = false;
    for (const QString& file : files) {
        send("apply", dirs.contains(file) ? HostCommand::syncDirUpload : HostCommand::uploadFile,
             file);
    }
}

void alm_tolv_output::closeEvent(QCloseEvent* event) {
    // A slot still being typed is committed before the locks go; a refused entry
    // keeps the editor open for its correction.
    QPointer<alm_tolv_output> self(this);
    const bool committed = commitTypedSlot();
    if (!self)
        return;
    if (!committed) {
        event->ignore();
        return;
    }
    QStringList held = lockedDirs;
    if (devTypesLocked)
        held.append(devTypesFile);
    if (instancesLocked)
        held.append(instancesFile);
    held += lockedDevDescFiles;
    for (const QString& path : held) {
        send("closeEvent", HostCommand::unlock, path);
    }
    event->accept();
}

void alm_tolv_output::markDirty() {
    if (loadingModule)
        return; // what a module brings with it when it loads is no change
    if (currentModule)
        currentModule->modified = true;
    if (!systemName.isEmpty())
        changedOutputsDirs.insert(outputsDir());
    changedSinceApply = true;
    if (!dirty) {
        dirty = true;
        send("markDirty", HostCommand::dirty);
    }
}

void alm_tolv_output::traceLockedDevDescFiles() const {
    if (lockedDevDescFiles.isEmpty()) {
        qDebug("0/0:No dev desc files.");
        return;
    }
    for (int i = 0; i < lockedDevDescFiles.size(); ++i)
        qDebug("%s", latin1(QString("%1/%2:Dev desc file - %3")
                                .arg(i)
                                .arg(lockedDevDescFiles.size())
                                .arg(lockedDevDescFiles[i]))
                         .constData());
}

void alm_tolv_output::lockDevDesc(const QString& path) {
    qDebug("lockDevDesc. file='%s'", latin1(path).constData());
    traceLockedDevDescFiles();
    if (lockedDevDescFiles.contains(path)) {
        qDebug("lockDevDesc. already locked. file='%s'", latin1(path).constData());
        devDescLocked = true;
        updateActions();
        return;
    }
    givenBackDevDescLocks.remove(path);
    send("lockDevDesc", HostCommand::lock, path);
}

void alm_tolv_output::reply(const HostReply& reply) {
    if (reply.operation == HostOperation::download)
        replyDownload(reply);
    else if (reply.operation == HostOperation::lock)
        replyLock(reply);
    else if (reply.operation == HostOperation::upload)
        replyUpload(reply);
    else if (reply.operation == HostOperation::dir)
        replyDir(reply);
}

void alm_tolv_output::replyDir(const HostReply& reply) {
    if (reply.result == HostReply::Ok) {
        qDebug("reply. operation=dir. ok, error='%s'", latin1(reply.text).constData());
        systemChooser->setSystemNames(reply.text);
    } else {
        qDebug("reply. operation=dir. else, error='%s'", latin1(reply.text).constData());
    }
}

void alm_tolv_output::replyDownload(const HostReply& reply) {
    switch (reply.result) {
    case HostReply::Ok:
    case HostReply::ReadOnly:
        doOk(reply);
        break;
    case HostReply::Fail:
        qDebug("replyDownload. Fail. error '%s'", latin1(reply.text).constData());
        if (isModuleFileName(reply.file.section('/', -1)))
            storeOnlyFiles.insert(reply.file); // the store has it: no new module takes it
        showMessageBox(this, QMessageBox::Information, "Error",
                       "Error:\n" + reply.text + "\nNew file may be generated automatically.");
        break;
    case HostReply::Done:
        doDone(reply);
        break;
    default:
        qDebug("TOLV Output:Unknown response");
    }
}

void alm_tolv_output::doOk(const HostReply& reply) {
    const QString outputs = outputsDir();
    const QString& file = reply.file;
    qDebug("replyDownload. Ok/r-o. '%s' '%s'", latin1(outputs).constData(),
           latin1(file).constData());

    if (file.startsWith(outputs)) {
        const QString bare = file.mid(outputs.size() + 1);
        if (!isModuleFileName(bare))
            return;
        storeOnlyFiles.remove(file);
        // A directory checked out twice (the system chosen again while its replies
        // were on their way) must not list its modules twice.
        if (moduleOfFile(file))
            return;
        const QString local = localPath(file);
        const QString configTool = getPrivateProfileString("System", "ConfigTool", "", local);
        if (configTool != pluginName)
            return; // the file belongs to another tool
        const QString name = getPrivateProfileString("System", "Name", "", local);
        auto module = std::make_unique<cOutputFile>(name, configTool, file);
        module->lastModified = QFileInfo(local).lastModified();
        modules.push_back(std::move(module));
        addModuleRow(modules.back().get(), bare);
    } else if (file == processDefinitionsPath()) {
        qDebug("%s", latin1("Got file - " + file).constData());
        appendOnce(downloadedFiles, file);
        loadProcesses(localPath(file));
    } else if (systemLoad && systemLoad->isFile(file)) {
        systemLoad->load(file);
        if (Document_TolvSystem* document = systemLoad->document)
            maxSlot = document->maxSlot();
        processEditor->refreshLimits();
    } else {
        qDebug("File is %s", latin1(file).constData());
    }
}

void alm_tolv_output::doDone(const HostReply& reply) {
    const QString outputs = outputsDir();
    const QString& file = reply.file;
    qDebug("replyDownload. Done. '%s' '%s'", latin1(outputs).constData(), latin1(file).constData());

    if (file == outputs) {
        appendOnce(checkedOutDirs, outputs);
        bool created = true;
        if (!QFileInfo(localPath(outputs)).isDir()) {
            QString level = rootDir;
            for (const QString& part : outputs.split('/', Qt::SkipEmptyParts)) {
                level += "/" + part;
                if (!QFileInfo(level).isDir() && !QDir().mkdir(level)) {
                    showMessageBox(this, QMessageBox::Critical, "Alarms/Processes",
                                   "Could not Create directory\n" + level + ".\n\n");
                    created = false;
                    break;
                }
            }
        }
        if (created && navigatePending)
            navigate(QString(), pendingContext);
    } else if (file == devDescDir) {
        devTypesSynced = true;
    } else {
        qDebug("doDone:no handler for file '%s'", latin1(file).constData());
    }
}

bool alm_tolv_output::isOutputsDir(const QString& path) {
    if (!path.startsWith(alarmsDir + '/'))
        return false;
    const QString system = path.mid(alarmsDir.size() + 1).section('/', 0, 0);
    return !system.isEmpty() && path == StorePaths::outputsDir(system);
}

void alm_tolv_output::replyLock(const HostReply& reply) {
    const QString file = reply.file; // the host's record may go with the editor
    const bool devDescPath = file.startsWith(devDescDir, Qt::CaseInsensitive);
    if (reply.result == HostReply::Fail) {
        qDebug("replyLock. Fail. '%s'", latin1(file).constData());
        QPointer<alm_tolv_output> self(this);
        showMessageBox(this, QMessageBox::Information, "Lock",
                       "Lock: " + file + " - " + reply.text + "\nFile will be available read only");
        if (!self)
            return;
        if (devDescPath)
            devDescLocked = false;
    } else {
        qDebug("replyLock. Else %d. '%s'", reply.result, latin1(file).constData());
        // The lock of an outputs folder is held whichever system is selected by
        // the time it arrives, so it is recorded to be released on close.
        if (file == outputsDir() || isOutputsDir(file)) {
            appendOnce(lockedDirs, file);
        } else if (file == devTypesFile) {
            devTypesLocked = true;
        } else if (file == instancesFile) {
            instancesLocked = true;
        } else if (devDescPath && givenBackDevDescLocks.contains(file)) {
            // Asked for before the file went with a rename; the host may have
            // granted it after that.
            qDebug("%s", latin1("replyLock. given back already - " + file).constData());
            QPointer<alm_tolv_output> self(this);
            send("replyLock", HostCommand::unlock, file);
            if (!self)
                return; // the host's answer may end the editor
        } else if (devDescPath) {
            qDebug("%s", latin1("got new lock on - " + file).constData());
            devDescLocked = true;
            lockedDevDescFiles.append(file);
            traceLockedDevDescFiles();
        }
    }
    updateActions();
}

void alm_tolv_output::replyUpload(const HostReply& reply) {
    if (reply.result != HostReply::Done && reply.result != HostReply::Fail)
        return;
    const QString file = reply.file;
    // Each reply answers one upload of an Apply; others are not this editor's.
    if (!pendingUploads.removeOne(file)) {
        qDebug("replyUpload. not asked for. '%s'", latin1(file).constData());
        return;
    }
    if (reply.result == HostReply::Fail) {
        qDebug("replyUpload. Fail. '%s'", latin1(file).constData());
        uploadFailed = true; // stays dirty, so that Apply can be tried again
        showMessageBox(this, QMessageBox::Warning, "Error",
                       "Upload: " + file + " - " + reply.text +
                           "\nThe changes are not in the store yet; apply them again.");
        return;
    }
    qDebug("replyUpload. Done. ");
    if (lockedDevDescFiles.contains(file) && !QFileInfo::exists(localPath(file))) {
        // A deleted template's description has left the store: its lock goes back.
        lockedDevDescFiles.removeAll(file);
        givenBackDevDescLocks.insert(file); // a grant still on its way goes back too
        QPointer<alm_tolv_output> self(this);
        send("replyUpload", HostCommand::unlock, file);
        if (!self)
            return;
    }
    if (!pendingUploads.isEmpty() || uploadFailed || changedSinceApply)
        return; // clean only once all of the Apply is in the store unchanged
    // A module whose file could not be written is still modified: its changes
    // are in no file, let alone in the store.
    if (std::any_of(modules.begin(), modules.end(), [](const auto& m) { return m->modified; }))
        return;
    dirty = false;
    send("replyUpload", HostCommand::clean);
}

void alm_tolv_output::addModuleRow(cOutputFile* module, const QString& fileName) {
    auto* row = new QTreeWidgetItem(fileList, {module->name, fileName});
    row->setFlags(row->flags() | Qt::ItemIsEditable);
}
