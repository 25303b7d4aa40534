#pragma once

// Checks of the two files that the whole installation shares: the list of device
// types and the list of device instances.

#include <QByteArray>
#include <QString>

class Findings;

// "xml" when the file is not well-formed XML (at the parser's line).
void checkWellFormed(const QString& storePath, const QByteArray& bytes, Findings& findings);
