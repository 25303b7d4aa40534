#include "tools/check/store_check.h"

#include "core/documents.h"
#include "core/ini_profile.h"
#include "core/process_definitions.h"
#include "core/store_paths.h"
#include "core/text_codec.h"
#include "tools/check/cross_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

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
    void checkSharedFile(const QString& storePath);

    const CheckOptions& options;
    Findings findings;
    const Document_TolvSystem limits; // the slot and infodriver bounds of the system
    QVector<ModuleSlots> moduleSlots;
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

void StoreChecker::checkSharedFile(const QString& storePath) {
    QByteArray bytes;
    if (!readFile(storePath, bytes))
        return;
    // Decoded with the mapping the shared files are written in, whatever the
    // declaration names.
    QXmlStreamReader reader(fromEightBit(bytes));
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        findings.error(storePath, int(reader.lineNumber()), "xml",
                       "not well-formed XML: " + reader.errorString());
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

    checkSystemIni();
    for (const QString& system : systems) {
        QHash<QString, int> processes;
        checkProcessDefinitions(system, processes);
    }
    checkAcrossModules(moduleSlots, findings);
    checkSharedFile(StorePaths::devTypesFile);
    checkSharedFile(StorePaths::instancesFile);

    result.findings = findings.sorted();
    result.systems = systems.size();
    result.modules = modulesChecked;
    return result;
}

} // namespace

CheckResult checkStore(const CheckOptions& options) {
    return StoreChecker(options).run();
}
