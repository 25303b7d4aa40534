#include "tools/check/store_check.h"

#include "core/device_description.h"
#include "core/device_template.h"
#include "core/documents.h"
#include "core/ini_profile.h"
#include "core/module_file.h"
#include "core/process_definitions.h"
#include "core/shared_files.h"
#include "core/store_paths.h"
#include "core/xml_text.h"
#include "tools/check/cross_checks.h"
#include "tools/check/module_checks.h"
#include "tools/check/shared_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

class StoreChecker {
public:
    StoreChecker(const CheckOptions& options) : options(options), findings(options.storeDir) {}

    CheckResult run();

private:
    QString local(const QString& storePath) const { return options.storeDir + '/' + storePath; }
    bool readFile(const QString& storePath, QByteArray& bytes);

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
    Findings findings;
    const Document_TolvSystem limits; // the slot and infodriver bounds of the system
    QVector<ModuleSlots> moduleSlots;
    SharedEntries sharedEntries;
    int modulesChecked = 0;
};

bool StoreChecker::readFile(const QString& storePath, QByteArray& bytes) {
    QFile file(local(storePath));
    if (!file.open(QIODevice::ReadOnly)) {
        findings.error(storePath, 0, "unreadable", "cannot read: " + file.errorString());
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        findings.error(storePath, 0, "unreadable", "cannot read: " + file.errorString());
        return false;
    }
    return true;
}

void StoreChecker::checkSystemIni() {
    const QString& path = StorePaths::systemIni;
    QByteArray bytes;
    if (!readFile(path, bytes))
        return;
    const ProfileEntry entry = findPrivateProfileEntry("Status", "DeviceInfodriverId", local(path));
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
    // listed is no proof of that, so its entries in the shared files are not judged.
    const QFileInfo folder(local(outputs));
    if (folder.exists() && (!folder.isDir() || !folder.isReadable())) {
        findings.error(outputs, 0, "unreadable",
                       folder.isDir() ? QStringLiteral("cannot read the folder")
                                      : QStringLiteral("not a folder"));
        sharedEntries.checkedSystems.removeAll(system);
        return;
    }
    const QStringList files = QDir(local(outputs)).entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (!isModuleFileName(file))
            continue;
        const QString path = outputs + '/' + file;
        QByteArray bytes;
        if (!readFile(path, bytes))
            continue;
        // Which modules are ours is decided as the editor's module list does.
        const QString tool = getPrivateProfileString("System", "ConfigTool", "", local(path));
        if (tool != options.pluginName) {
            const QString name = getPrivateProfileString("System", "Name", "", local(path));
            sharedEntries.foreignTypes.insert(
                xmlAttributeTextEightBit(StorePaths::moduleTypeId(system, name)));
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
    sharedEntries.types.append({xmlAttributeTextEightBit(typeId),
                                "device type '" + typeId + "' of " + module, storePath,
                                lines.name});
    sharedEntries.instances.append({xmlAttributeTextEightBit(typeId),
                                    "base instance '" + typeId + "' of " + module, storePath,
                                    lines.name});

    ModuleSlots used{storePath, system, name, lines.name, -1, {}};
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
        sharedEntries.types.append({xmlAttributeTextEightBit(typeId),
                                    "device type '" + typeId + "' of " + what, storePath, line});

        DevDescReadResult description;
        if (!isPathSafeName(typeId)) {
            findings.error(storePath, line, "template-device-description",
                           what + ": the device type '" + typeId + "' makes no file name");
        } else {
            const QString file = StorePaths::devDescFile(typeId);
            description = loadDeviceDescription(local(file), typeId);
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
            sharedEntries.instances.append({xmlAttributeTextEightBit(instance.id),
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
        checkWellFormed(path, bytes, findings);
        if (path == StorePaths::devTypesFile)
            checkDeviceTypes(path, bytes, sharedEntries, findings);
        else
            checkInstances(path, bytes, sharedEntries, findings);
    }
}

CheckResult StoreChecker::run() {
    CheckResult result;
    if (!QFileInfo(options.storeDir).isDir()) {
        result.fatal = "'" + options.storeDir + "' is not a folder";
        return result;
    }
    const QDir alarms(local(StorePaths::alarmsDir));
    if (!alarms.exists() || !alarms.isReadable()) {
        result.fatal =
            "'" + options.storeDir + "' has no readable " + StorePaths::alarmsDir + " folder";
        return result;
    }
    const QStringList present = alarms.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
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
