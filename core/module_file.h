#pragma once

// The output module file: which infodriver a module drives, which process has
// which slot, and the templates that filled the slots. 8-bit text, CR LF line
// ends when written; read as the profile service reads (core/profile_lines.h):
//
//   [System]            Name=, ConfigTool=, Module=alm_tolv_op[db], AlmSystem=
//   [TOLV_CONFIG]       Driver=
//   [Templates]         (only with templates) one line per template
//   [Instances]         (only with templates) one line per template
//   [Process]           (always) process=slot, one line per process with a valid slot

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Where the values of a module file stand, counted from 1 (0: not in the file),
// for tools that point at the line of an entry. Each is the line whose value
// was taken, so the later one where a key comes twice (the name: the first).
struct ModuleFileLines {
    int name = 0;
    int driver = 0;
    QVector<int> templates;        // one per entry of templateLines
    QHash<QString, int> instances; // by template name
    QHash<QString, int> processes; // by process name
};

// What a module file says. Keys that the file does not hold stay unset, so that
// the editor keeps what it showed before; where a key comes twice the later
// line wins.
struct ModuleFileContent {
    std::optional<QString> name;       // "Name" of [System] as getPrivateProfileString reads it
    std::optional<bool> dbModule;      // "Module" of [System] ends in "db"
    std::optional<int> driver;         // "Driver" of [TOLV_CONFIG], 0 when not a number
    QStringList templateLines;         // the lines of [Templates] as stripped, empty ones too
    QMap<QString, QString> instances;  // [Instances]: template name -> instance text
    QHash<QString, QString> processes; // [Process]: process name -> slot text
    ModuleFileLines lines;
};

// Reads the file's bytes. Section headers match exactly ("[ System ]" and
// "[system]" are unknown sections, whose lines are skipped). A key line is split
// at every "=" with empty pieces dropped: "P=3=4" is P -> 3, "=5" is 5 -> "".
// Without recordLines the line numbers (lines) stay empty: the editor has no
// use for them, and a hash of every process line costs as much as the rest.
ModuleFileContent parseModuleFile(const QByteArray& bytes, bool recordLines = true);

// Only the lines of [Templates], as parseModuleFile() gives them, without
// decoding the rest of the file: for a look at many modules' template names.
QStringList moduleTemplateLines(const QByteArray& bytes);

// One row of the process list, in display order.
struct ModuleProcess {
    QString name;
    QString slot; // the Infodriver Slot text as shown
};

// What a module file is written from.
struct ModuleFileData {
    QString name;
    QString configTool;
    QString systemName;
    bool dbModule = false;
    QString driver; // the infodriver number as shown
    bool withTemplates = false;
    QString templateText; // the "[Templates]" lines, each ended by "\n"
    QString instanceText; // the "[Instances]" lines, each ended by "\n"
    QVector<ModuleProcess> processes;
    int maxSlot = 4096; // rows whose slot text is not 1..maxSlot are left out
};

// The bytes of the file: CR LF after every line, slot texts exactly as given.
QByteArray formatModuleFile(const ModuleFileData& data);

// A name that may become part of a file name (a module's or a template's device
// type): no "/", no "\" and no control character, so that a path built from it
// never leaves its folder.
bool isPathSafeName(const QString& name);

// A process name that a "name=slot" line gives back unchanged: not empty, no
// "=", no line end and no ASCII blank at either end (lines are read stripped and
// split at the first "="). Other processes cannot get a slot.
bool isStorableProcessName(const QString& name);

// The file names of module files: "al_out_", four digits, any one character, "cfg".
bool isModuleFileName(const QString& fileName);
