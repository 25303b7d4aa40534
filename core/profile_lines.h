#pragma once

// How the platform's profile service cuts an INI-style text file into lines, for
// every such file the runtime shares (module files, process definitions, the
// system ini): a UTF-8 byte order mark at the very start is skipped, a line ends
// at CR, LF or CR LF, and each line is stripped of ASCII blanks (space, tab to
// carriage return) at both ends. Only ASCII blanks: the bytes 0x85 and 0xA0 are
// ordinary characters of a name. No line follows a final line end.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

class ProfileLineReader {
public:
    explicit ProfileLineReader(QByteArrayView content);
    // The next line, stripped; false after the last one.
    bool next(QByteArrayView& line);

private:
    QByteArrayView text;
    qsizetype pos = 0;
};

// Every line, decoded with the one 8-bit mapping of the runtime's files.
QStringList profileLines(const QByteArray& content);
