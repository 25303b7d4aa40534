#pragma once

// Checks of one output module of this plug-in, over what its file says.

#include <QHash>
#include <QString>
#include <QVector>

class Findings;
struct ModuleSlots;

// One effective "[Process]" entry of a module file (the last line of a name).
struct ProcessEntry {
    QString process;
    QString slotText;
    int line = 0;
};

// A process that a template instance claims, as loading the module marks it.
struct TemplateClaim {
    QString templateName;
    QString instance;
};

struct SlotCheckInput {
    QString storePath; // of the module file
    int maxSlot = 0;
    QString system;
    // The system's processes; null when its definitions could not be read, which
    // leaves out the checks that need them.
    const QHash<QString, int>* processes = nullptr;
    QHash<QString, TemplateClaim> claims; // by process name
};

// Slot texts that are not numbers or not 1..maxSlot, processes that are not
// defined, and a slot given twice: "template-collision" when a template row and
// a manual row share it, "duplicate-slot" otherwise. Reported at the later line.
// The valid slots of defined processes go to used (for the checks across modules).
void checkModuleSlots(const SlotCheckInput& input, const QVector<ProcessEntry>& entries,
                      Findings& findings, ModuleSlots& used);
