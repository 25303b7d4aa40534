#pragma once

// The names of output modules. A module's name is read back from its file by the
// INI lookup and becomes part of the name of its device description file, so a
// name the user gives must come back unchanged and must not make another
// module's file.

#include <QSet>
#include <QString>
#include <QStringList>

// At most this many characters of a name come back from the module file; no
// name is shown longer.
constexpr int maxModuleNameLength = 255;

// Why a module cannot be given the name, or an empty text when it can.
// otherNames are the names of the system's other modules.
QString moduleNameRefusal(const QString& name, const QStringList& otherNames);

// The device type ids of a module: its own (system + "_" + module), then one per
// template (+ "_" + template) in the order given. Two modules or templates of one
// id would share its entries in the shared files and its device description.
QStringList typeIdsOfModule(const QString& system, const QString& name,
                            const QStringList& templateNames);

// The first of those ids that is already taken; empty when none is.
QString typeIdClash(const QSet<QString>& taken, const QString& system, const QString& name,
                    const QStringList& templateNames);
