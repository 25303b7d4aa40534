#pragma once

// Attribute values as this system writes them into XML text. Names of processes,
// templates and modules may hold any character; written raw, "&", "<", ">" or a
// double quote would make the file unreadable. Lines of the shared files are
// recognised by comparing ids in this written form.

#include <QString>

// "&", "<", ">", the double quote, tab, LF and CR as references; everything else
// unchanged. For UTF-8 files.
QString xmlAttributeText(const QString& value);

// As xmlAttributeText(), and every character that the 8-bit mapping of the
// shared files cannot hold as a numeric reference, so that no name turns into
// "?" and a written id always reads back as itself.
QString xmlAttributeTextEightBit(const QString& value);
