#pragma once

// Replacing a file so that a failed write never destroys what was stored: the
// new bytes go to a temporary file beside it (StorePaths::temporaryName), which
// is renamed over the old file only when every write and the sync succeeded.
// On any failure the temporary file is removed and the old file stays as it was.

#include <QByteArray>
#include <QString>

enum class FileSync {
    Synced,  // on the disk before the rename: the file is the only copy that counts
    Unsynced // a copy that the next download renews; still replaced only whole
};

// True when the file now holds exactly the bytes; otherwise the old file (or
// its absence) is untouched and error, when given, says why.
bool replaceFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                           FileSync sync = FileSync::Synced);

// Writes the bytes to a new temporary file beside path, synced, for a caller
// that puts it in place another way (a link); returns its name, or an empty
// string with error set and nothing left behind. The caller removes it.
QString writeTemporaryFile(const QString& path, const QByteArray& bytes, QString* error,
                           FileSync sync = FileSync::Synced);
