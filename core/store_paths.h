#pragma once

// Where things live in the configuration store, relative to its root with "/"
// as separator, and the fixed limits and setting keys of the plug-in. The local
// copy of a store path P is rootDir + "/" + P.

#include <QString>

namespace StorePaths {

inline const QString alarmsDir = QStringLiteral("config/alarms");
inline const QString devDescDir = QStringLiteral("config/devicetypes");
inline const QString devTypesFile = QStringLiteral("config/devicetypes.xml");
inline const QString instancesFile = QStringLiteral("config/instances.xml");
inline const QString systemIni = QStringLiteral("config/system/tolv_system.ini");

// The outputs folder of an alarm system, which holds its module files.
inline QString outputsDir(const QString& system) {
    return alarmsDir + '/' + system + "/outputs";
}

// The process definitions of an alarm system.
inline QString processDefinitions(const QString& system) {
    return alarmsDir + '/' + system + '/' + "proc_def.cfg";
}

// The device type id of a module and of one of its templates.
inline QString moduleTypeId(const QString& system, const QString& module) {
    return system + '_' + module;
}
inline QString templateTypeId(const QString& system, const QString& module,
                              const QString& templateName) {
    return moduleTypeId(system, module) + '_' + templateName;
}

// The device description file of a device type.
inline QString devDescFile(const QString& typeId) {
    return devDescDir + '/' + typeId + ".xml";
}

// A file is written under a temporary name beside it and then renamed. Such a
// name is hidden and matches no file the store holds, so no listing, download,
// upload or check takes it; what a crash leaves behind under it the store host
// removes when it starts.
inline const QString temporaryMark = QStringLiteral(".tolv-new.");
inline QString temporaryName(const QString& fileName, const QString& suffix) {
    // Short enough for any file name: a name may have at most 255 bytes.
    return temporaryMark + fileName.left(48) + '.' + suffix;
}
inline bool isTemporaryName(const QString& fileName) {
    return fileName.startsWith(temporaryMark);
}

// The place of this plug-in in the host's navigation tree.
inline const QString navigationPath = QStringLiteral("Home/Alarms/Outputs/Tolv Output");

// Window and column layouts are kept in the settings store under this root.
inline const QString settingsKeyRoot = QStringLiteral("KX_ConfigEdit/Controls/");

// The limits while no system document says otherwise.
constexpr int defaultMaxSlot = 4096;
constexpr int defaultMaxInfodriver = 999;

// The largest store file a tool reads; the largest stores written hold a few
// dozen megabytes per file.
constexpr qint64 maxStoreFileBytes = qint64(256) << 20;

} // namespace StorePaths
