#pragma once

// A configuration store kept as a folder, as a program that reads it directly
// must see it: no path leaves the store's real folder through a link, only
// regular files are read, never more than a limit, and a FIFO never blocks.

#include <QByteArray>
#include <QString>
#include <QStringList>

class StoreFolder {
public:
    explicit StoreFolder(const QString& root);

    // The store folder with its links resolved; empty when it does not exist.
    const QString& real() const { return realRoot; }

    // Where a path really leads: links resolved, also a link whose target does
    // not exist yet, and for a path that does not exist, its nearest existing
    // folder. Empty for a loop of links.
    static QString resolvedPath(const QString& path);

    // Whether an absolute path, its links resolved, stays inside the store.
    bool contains(const QString& absolute) const;

    enum class Kind {
        Missing,
        Folder,
        File,     // a regular file
        Other,    // a FIFO, a socket, a device
        Outside,  // it leads out of the store
        Unusable, // a loop of links, a folder on the way that cannot be searched
    };
    struct Entry {
        Kind kind = Kind::Missing;
        QString real;  // the path with its links resolved
        QString error; // what went wrong, for every kind but Folder and File
    };
    // What lies at an absolute path, links followed only while they stay inside.
    Entry entry(const QString& absolute) const;

    // The names in a folder, sorted, "." and ".." left out; false with the
    // reason when the folder cannot be read (an empty folder is not unreadable).
    static bool entryNames(const QString& folder, QStringList* names, QString* error);

    // The bytes of a regular file inside the store of at most maxBytes.
    enum class ReadFailure { None, Unreadable, Outside, TooLarge };
    ReadFailure readFile(const QString& absolute, qint64 maxBytes, QByteArray* bytes,
                         QString* error) const;

private:
    QString realRoot;
};
