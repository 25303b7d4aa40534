#include "tools/check/store_check.h"

#include "core/device_description.h"
#include "core/device_template.h"
#include "core/documents.h"
#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/process_definitions.h"
#include "core/shared_files.h"
#include "core/store_folder.h"
#include "core/store_paths.h"
#include "tools/check/cross_checks.h"
#include "tools/check/module_checks.h"
#include "tools/check/shared_checks.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

class StoreChecker {
public:
    StoreChecker(const CheckOptions& options)
        : options(options), store(options.storeDir), findings(options.storeDir) {}

    CheckResult run();

private:
    QString local(const QString& storePath) const { return options.storeDir + '/' + storePath; }
    // Reads a store file as the store host would hand it out; a file that cannot
    // be read is a finding.
    bool readFile(const QString& storePath, QByteArray& bytes);
    // A store folder that should hold files: false, with a finding, when it is
    // there but cannot be listed; names is empty when it is missing.
    bool listFolder(const QString& storePath, QStringList& names);
    // The alarm systems of the store, also those whose folder cannot be read.
    QStringList systemFolders();

    void checkSystemIni();
    // The names of the system's processes with the line of their first definition;
    // false when the file cannot be read.
    bool checkProcessDefinitions(const QString& system, QHash<QString, int>& processes);
    void checkModules(const QString& system, const QHash<QString, int>* processes);
    void checkModule(const QString& system, const QString& storePath,
                     const ModuleFileContent& content, const QHash<QString, int>* processes);
    // The templates of a module: their device descriptions and instances, and
    // the processes they claim; adds the types and instances the module needs.
    QHash<QString, TemplateClaim> checkTemplates(const QString& system, const QString& storePath,
                                                 const ModuleFileContent& content,
                                                 const QHash<QString, int>* processes);
    void checkSharedFiles();

    const CheckOptions& options;
    const StoreFolder store;
    Findings findings;
    const Document_TolvSystem limits; // the slot and infodriver bounds of the system
    QVector<ModuleSlots> moduleSlots;
    SharedEntries sharedEntries;
    int modulesChecked = 0;
};

bool StoreChecker::readFile(const QString& storePath, QByteArray& bytes) {
    QString error;
    switch (store.readFile(local(storePath), StorePaths::maxStoreFileBytes, &bytes, &error)) {
    case StoreFolder::ReadFailure::None:
        return true;
    case StoreFolder::ReadFailure::Outside:
        findings.error(storePath, 0, "outside-store", "not read: " + error);
        break;
    case StoreFolder::ReadFailure::TooLarge:
        findings.error(storePath, 0, "file-size", "not read: " + error);
        break;
    case StoreFolder::ReadFailure::Unreadable:
        findings.error(storePath, 0, "unreadable", "cannot read: " + error);
        break;
    }
    return false;
}

bool StoreChecker::listFolder(const QString& storePath, QStringList& names) {
    names.clear();
    const StoreFolder::Entry folder = store.entry(local(storePath));
    QString error;
    switch (folder.kind) {
    case StoreFolder::Kind::Missing:
        return true;
    case StoreFolder::Kind::Folder:
        if (StoreFolder::entryNames(local(storePath), &names, &error))
            return true;
        findings.error(storePath, 0, "unreadable", "cannot read the folder: " + error);
        return false;
    case StoreFolder::Kind::Outside:
        findings.error(storePath, 0, "outside-store", "not read: " + folder.error);
        return false;
    case StoreFolder::Kind::Unusable:
        findings.error(storePath, 0, "unreadable", "cannot read the folder: " + folder.error);
        return false;
    case StoreFolder::Kind::File:
    case StoreFolder::Kind::Other:
        break;
    }
    findings.error(storePath, 0, "unreadable", QStringLiteral("not a folder"));
    return false;
}

QStringList StoreChecker::systemFolders() {
    QStringList systems;
    QStringList names;
    if (!listFolder(StorePaths::alarmsDir, names))
        return systems;
    for (const QString& name : names) {
        const QString path = StorePaths::alarmsDir + '/' + name;
        if (name.startsWith('.'))
            continue;
        // A system that cannot be read still owns its entries in the shared files.
        const StoreFolder::Kind kind = store.entry(local(path)).kind;
        if (kind == StoreFolder::Kind::Folder || kind == StoreFolder::Kind::Outside ||
            kind == StoreFolder::Kind::Unusable)
            systems.append(name);
    }
    return systems;
}

void StoreChecker::checkSystemIni() {
    const QString& path = StorePaths::systemIni;
    QByteArray bytes;
    if (!readFile(path, bytes))
        return;
    const ProfileEntry entry = findProfileEntry("Status", "DeviceInfodriverId", bytes);
    if (!entry.found) {
        findings.warning(path, 0, "device-status-id",
                         "no DeviceInfodriverId in section [Status]; the editor asks for this "
                         "file again at every activation");
        return;
    }
    static const QRegularExpression leadingNumber(QStringLiteral("^\\s*[+-]?\\d"));
    if (!leadingNumber.match(entry.value).hasMatch())
        findings.warning(path, entry.line, "device-status-id",
                         "DeviceInfodriverId '" + entry.value + "' is not a number (reads as 0)");
    else if (atoiLike(entry.value) == -1)
        findings.warning(path, entry.line, "device-status-id",
                         "DeviceInfodriverId is -1, which means not set");
}

bool StoreChecker::checkProcessDefinitions(const QString& system, QHash<QString, int>& processes) {
    const QString path = StorePaths::processDefinitions(system);
    QByteArray bytes;
    if (!readFile(path, bytes))
        return false;
    const QVector<ProcessDefinition> definitions = parseProcessDefinitions(bytes);
    processes.reserve(definitions.size());
    for (const ProcessDefinition& definition : definitions) {
        if (!isStorableProcessName(definition.name))
            findings.warning(path, definition.line, "process-name",
                             "process '" + definition.name +
                                 "' cannot get a slot: a module file cannot hold its name");
        const auto it = processes.constFind(definition.name);
        if (it == processes.constEnd()) {
            processes.insert(definition.name, definition.line);
            continue;
        }
        // Both rows would take the slot a module gives the name.
        findings.warning(path, definition.line, "duplicate-process",
                         "process '" + definition.name + "' is defined again (first at line " +
                             QString::number(*it) + ")");
    }
    return true;
}

void StoreChecker::checkModules(const QString& system, const QHash<QString, int>* processes) {
    const QString outputs = StorePaths::outputsDir(system);
    // A system without an outputs folder has no modules yet; one that cannot be
    // listed, or a module file that cannot be read, is no proof of that, so the
    // system's entries in the shared files are not judged.
    QStringList files;
    if (!listFolder(outputs, files)) {
        sharedEntries.checkedSystems.removeAll(system);
        return;
    }
    for (const QString& file : files) {
        const QString path = outputs + '/' + file;
        if (!isModuleFileName(file) || store.entry(local(path)).kind == StoreFolder::Kind::Folder)
            continue;
        QByteArray bytes;
        if (!readFile(path, bytes)) {
            sharedEntries.checkedSystems.removeAll(system);
            continue;
        }
        // Which modules are ours is decided as the editor's module list does.
        const QString tool = findProfileEntry("System", "ConfigTool", bytes).value;
        if (tool != options.pluginName) {
            const QString name = findProfileEntry("System", "Name", bytes).value;
            sharedEntries.foreignTypes.insert(StorePaths::moduleTypeId(system, name));
            continue;
        }
        ++modulesChecked;
        checkModule(system, path, parseModuleFile(bytes), processes);
    }
}

void StoreChecker::checkModule(const QString& system, const QString& storePath,
                               const ModuleFileContent& content,
                               const QHash<QString, int>* processes) {
    const ModuleFileLines& lines = content.lines;
    const QString name = content.name.value_or(QString());
    const QString typeId = StorePaths::moduleTypeId(system, name);
    const QString module = "module '" + name + "'";
    sharedEntries.types.append({typeId,
                                "device type '" + typeId + "' of " + module, storePath,
                                lines.name});
    sharedEntries.instances.append({typeId,
                                    "base instance '" + typeId + "' of " + module, storePath,
                                    lines.name});

    ModuleSlots used{storePath, system, name, lines.name, -1, {}, {}};
    for (int i = 0; i < content.templateLines.size(); ++i) // as the editor lists them
        if (const QString entry = devTemplate(content.templateLines[i]).name; !entry.isEmpty())
            used.templates.append({entry, lines.templates.value(i)});
    const QString driverRange = "(0-" + QString::number(limits.maxInfodriver()) + ")";
    if (!content.driver)
        findings.error(storePath, 0, "driver",
                       "no infodriver number (Driver under [TOLV_CONFIG]); the editor keeps "
                       "the one of the module shown before");
    else if (*content.driver < 0 || *content.driver > limits.maxInfodriver())
        findings.error(storePath, lines.driver, "driver",
                       "infodriver number " + QString::number(*content.driver) +
                           " is out of range " + driverRange);
    else
        used.driver = *content.driver;

    SlotCheckInput input{storePath, limits.maxSlot(), system, processes, {}};
    input.claims = checkTemplates(system, storePath, content, processes);

    QVector<ProcessEntry> entries;
    entries.reserve(content.processes.size());
    for (auto it = content.processes.cbegin(); it != content.processes.cend(); ++it)
        entries.append({it.key(), it.value(), lines.processes.value(it.key())});
    std::sort(entries.begin(), entries.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.line < b.line; });
    checkModuleSlots(input, entries, findings, used);
    moduleSlots.append(used);
}

namespace {

QString refusal(const DevDescReadResult& result) {
    switch (result.failure) {
    case DevDescReadResult::CannotOpen:
        return result.detail;
    case DevDescReadResult::NotXml:
        return "not well-formed XML";
    case DevDescReadResult::WrongTag:
        return "its root element is '" + result.detail + "', not 'device_description'";
    case DevDescReadResult::WrongName:
        return "it describes '" + result.detail + "'";
    case DevDescReadResult::None:
        break;
    }
    return QString();
}

} // namespace

QHash<QString, TemplateClaim> StoreChecker::checkTemplates(const QString& system,
                                                           const QString& storePath,
                                                           const ModuleFileContent& content,
                                                           const QHash<QString, int>* processes) {
    QHash<QString, TemplateClaim> claims;
    const ModuleFileLines& lines = content.lines;
    const QString moduleName = content.name.value_or(QString());
    const QString moduleType = StorePaths::moduleTypeId(system, moduleName);
    for (int i = 0; i < content.templateLines.size(); ++i) {
        if (content.templateLines[i].isEmpty())
            continue;
        devTemplate entry(content.templateLines[i]);
        const int line = lines.templates.value(i);
        const QString typeId = StorePaths::templateTypeId(system, moduleName, entry.name);
        const QString what = "template '" + entry.name + "'";
        sharedEntries.types.append({typeId,
                                    "device type '" + typeId + "' of " + what, storePath, line});

        DevDescReadResult description;
        if (!isPathSafeName(typeId)) {
            findings.error(storePath, line, "template-device-description",
                           what + ": the device type '" + typeId + "' makes no file name");
        } else {
            const QString file = StorePaths::devDescFile(typeId);
            QByteArray bytes;
            QString error;
            if (store.readFile(local(file), StorePaths::maxStoreFileBytes, &bytes, &error) ==
                StoreFolder::ReadFailure::None) {
                description = readDeviceDescription(bytes, typeId);
            } else {
                description.failure = DevDescReadResult::CannotOpen;
                description.detail = error;
            }
            if (!description.ok())
                findings.error(storePath, line, "template-device-description",
                               what + " has no readable device description " +
                                   findings.shownPath(file) + ": " + refusal(description));
        }

        const auto value = content.instances.constFind(entry.name);
        if (value == content.instances.constEnd()) {
            findings.error(storePath, line, "template-instances",
                           what + " has no line under [Instances]; the editor drops it");
            continue;
        }
        entry.instances = instancesFromValue(*value);
        const int instancesLine = lines.instances.value(entry.name);
        for (const InstanceEntry& instance : templateInstances(moduleType, entry))
            sharedEntries.instances.append({instance.id,
                                            "instance '" + instance.id + "' of " + what, storePath,
                                            instancesLine});
        if (!description.ok() || !processes)
            continue;
        // The processes each instance claims, first come first served, as loading
        // the module marks them.
        for (const QString& instance : entry.instances) {
            QStringList missing;
            for (auto param = description.params.cbegin(); param != description.params.cend();
                 ++param) {
                const QString process = instance + param.key();
                if (!processes->contains(process))
                    missing.append(process);
                else if (!claims.contains(process))
                    claims.insert(process, {entry.name, instance});
            }
            if (!missing.isEmpty())
                findings.warning(storePath, instancesLine, "instance-process",
                                 "instance '" + instance + "' of " + what + " has no process " +
                                     missing.join(", "));
        }
    }
    return claims;
}

void StoreChecker::checkSharedFiles() {
    for (const QString& path : {StorePaths::devTypesFile, StorePaths::instancesFile}) {
        QByteArray bytes;
        if (!readFile(path, bytes))
            continue;
        checkSharedFile(path, bytes, sharedEntries, findings);
    }
}

CheckResult StoreChecker::run() {
    CheckResult result;
    if (!QFileInfo(options.storeDir).isDir()) {
        result.fatal = "'" + options.storeDir + "' is not a folder";
        return result;
    }
    if (store.entry(local(StorePaths::alarmsDir)).kind != StoreFolder::Kind::Folder) {
        result.fatal =
            "'" + options.storeDir + "' has no readable " + StorePaths::alarmsDir + " folder";
        return result;
    }
    const QStringList present = systemFolders();
    QStringList systems = present;
    if (!options.systems.isEmpty()) {
        systems.clear();
        for (const QString& system : present)
            if (options.systems.contains(system))
                systems.append(system);
        for (const QString& wanted : options.systems)
            if (!present.contains(wanted)) {
                result.fatal = "no alarm system '" + wanted + "' in " + options.storeDir;
                return result;
            }
    }

    sharedEntries.allSystems = present;
    sharedEntries.checkedSystems = systems;
    checkSystemIni();
    for (const QString& system : systems) {
        QStringList unused;
        if (!listFolder(StorePaths::alarmsDir + '/' + system, unused)) {
            sharedEntries.checkedSystems.removeAll(system);
            continue;
        }
        QHash<QString, int> processes;
        const bool defined = checkProcessDefinitions(system, processes);
        checkModules(system, defined ? &processes : nullptr);
    }
    checkAcrossModules(moduleSlots, findings);
    checkSharedFiles();

    result.findings = findings.sorted();
    result.systems = systems.size();
    result.modules = modulesChecked;
    return result;
}

} // namespace

CheckResult checkStore(const CheckOptions& options) {
    return StoreChecker(options).run();
}
