#pragma once

// Checks that look at several modules at once: the runtime drives each slot of
// an infodriver from one process, and the editor tells modules apart by name.

#include <QPair>
#include <QString>
#include <QVector>

class Findings;

// What the checks across modules need to know of one module of this plug-in.
struct ModuleSlots {
    struct Use {
        int slot = 0;
        int line = 0;
        QString process;
    };

    QString storePath; // of the module file
    QString system;
    QString name;
    int nameLine = 0;
    int driver = -1;                        // -1: no usable infodriver number
    QVector<Use> slotUses;                  // valid slots only, in file order
    QVector<QPair<QString, int>> templates; // name and line, in file order
};

// Two modules of one system with the same name; two modules or templates of one
// system with the same device type id; two modules on one infodriver (across
// systems: an infodriver is a device of the installation) that use the same
// slot. Each finding is reported at the later module, in the order given.
void checkAcrossModules(const QVector<ModuleSlots>& modules, Findings& findings);
