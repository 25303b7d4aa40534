#pragma once

// A synthetic configuration store at the size of a large installation, written
// the way the site tools write theirs (8-bit text, CR LF): one alarm system
// "bench" whose processes are repeated equipment (ten kinds, twenty alarm
// parameters each, numbered instances), grouped into areas of 20 to 200
// processes; its outputs folder of modules; the device descriptions of the
// modules the benchmark opens; and the two shared files, filled mostly with the
// entries of other systems' modules.

#include <QString>
#include <QStringList>

namespace BenchStore {

inline const QString systemName = QStringLiteral("bench");

// The modules the benchmark opens, by display name and file name.
inline const QString slotsModule = QStringLiteral("Slots4096");
inline const QString slotsFile = QStringLiteral("al_out_0001.cfg");
inline const QString templatesModule = QStringLiteral("Templates");
inline const QString templatesFile = QStringLiteral("al_out_0002.cfg");

struct StoreShape {
    int processes = 100000;
    int modules = 500;            // files in the outputs folder
    int slotsPerModule = 4096;    // the process lines of each ordinary module
    int templateInstances = 2000; // spread over one template per equipment kind
    int sharedLines = 100000;     // lines of other modules in each shared file
};

// Alarm parameter suffixes shared by every kind of equipment, in slot order.
const QStringList& parameters();

// The name of process number i (0-based, file order) of a store of n processes.
QString processName(int i);

// The group of each process, in file order.
QStringList processGroups(int processes);

// Writes the store under dir (which is emptied first). Returns false with a
// message on failure.
bool generate(const QString& dir, const StoreShape& shape, QString* error);

// A store generated earlier with the same shape and generator, left as it was.
bool isCurrent(const QString& dir, const StoreShape& shape);

} // namespace BenchStore
