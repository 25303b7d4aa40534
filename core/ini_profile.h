#pragma once

#include <QByteArray>
#include <QString>

// Reads one key of one section of a Windows-style INI file the way the
// platform's profile-string service does (lines as core/profile_lines.h cuts
// them): section and key names match without
// regard to letter case, the first match wins, the value is trimmed (and loses
// one pair of enclosing quotes), and at most 255 characters come back. When the
// file, the section or the key is missing the default comes back.
QString getPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName);

// Where a key was found, for tools that point at the line.
struct ProfileEntry {
    bool found = false;
    QString value; // as getPrivateProfileString returns it
    int line = 0;  // counted from 1
};

// The same lookup without a default: found is false when the file cannot be
// read or has no such key in such a section.
ProfileEntry findPrivateProfileEntry(const QString& section, const QString& key,
                                     const QString& fileName);
// The same lookup in a file's bytes.
ProfileEntry findProfileEntry(const QString& section, const QString& key,
                              const QByteArray& content);

// What the lookup gives back for a value written as text: blanks at its ends
// dropped, then one pair of enclosing quotes, then all but 255 characters.
QString profileValue(const QString& text);
