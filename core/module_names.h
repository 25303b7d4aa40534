#pragma once

// The names of output modules. A module's name is read back from its file by the
// INI lookup and becomes part of the name of its device description file, so a
// name the user gives must come back unchanged and must not make another
// module's file.

#include <QString>
#include <QStringList>

// At most this many characters of a name come back from the module file; no
// name is shown longer.
constexpr int maxModuleNameLength = 255;

// Why a module cannot be given the name, or an empty text when it can.
// otherNames are the names of the system's other modules.
QString moduleNameRefusal(const QString& name, const QStringList& otherNames);
