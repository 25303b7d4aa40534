#pragma once

// The one 8-bit text mapping of the files shared with the runtime (module files,
// process definitions, the two shared XML files): windows-1252, with its five
// unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) kept as the code points of the
// same value, so that every byte value survives a read and a write unchanged and
// a name read from one file equals the same bytes in another.

#include <QByteArray>
#include <QString>
#include <QStringList>

QString fromEightBit(const char* bytes, qsizetype size);
inline QString fromEightBit(const QByteArray& bytes) {
    return fromEightBit(bytes.constData(), bytes.size());
}

// Characters the mapping cannot hold are written as '?'.
QByteArray toEightBit(const QString& text);

// Whether every character of the text survives toEightBit.
bool isEightBitText(const QString& text);

