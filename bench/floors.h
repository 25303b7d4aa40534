#pragma once

// What an operation cannot be faster than, measured on the same data: reading
// (or writing) the same bytes and splitting them into lines and fields with no
// further work, and std::sort of the same keys in a plain vector.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace Floor {

// Reads each file and splits it into trimmed lines and each line at its first
// '='. Returns a count that depends on every byte, so nothing is left out.
qint64 readAndSplit(const QStringList& paths);

// The same for bytes already in memory.
qint64 split(const QByteArray& bytes);

// Reads the first lines of each file (up to 512 bytes), where a module file
// names itself and its tool, and splits them.
qint64 readHeads(const QStringList& paths);

// Lists a folder and asks each entry's modification time.
qint64 listAndStat(const QString& folder);

// Writes the bytes to a new file beside path and renames it over path, the way
// the editor replaces its files.
bool writeReplacing(const QString& path, const QByteArray& bytes);

// A text key with the slot number that breaks ties, compared as the list does.
struct SortKey {
    QString text;
    int slot;
};

// std::sort of the keys by text (locale-aware, as the list compares) then slot.
void sortByText(std::vector<SortKey>& keys);
// std::sort by slot number alone.
void sortBySlot(std::vector<int>& values);

} // namespace Floor
