#pragma once

// Replacing a file so that a failed write never destroys what was stored: the
// new bytes go to a temporary file beside it, which is renamed over the old
// file only when complete.

#include <QByteArray>
#include <QString>

// True when the file now holds exactly the bytes; otherwise the old file (or
// its absence) is untouched and error, when given, says why.
bool replaceFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
