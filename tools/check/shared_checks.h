#pragma once

// Checks of the two files that the whole installation shares: the list of device
// types and the list of device instances. They are read as the editor reads them
// before it edits them (core/xml_scan.h): the entries are the root's children,
// their attributes decoded, whatever the quoting, line breaks or references, and
// nothing in a comment or CDATA counts.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class Findings;

// An entry that a module of this plug-in needs in a shared file.
struct ExpectedEntry {
    QString id;        // decoded
    QString what;      // for the message, e.g. "device type 'north_Pumps' of module 'Pumps'"
    QString storePath; // the module file that needs it
    int line = 0;      // the line of the module file that makes the need
};

struct SharedEntries {
    QStringList allSystems;     // every alarm system of the store
    QStringList checkedSystems; // the systems whose entries are judged
    QSet<QString> foreignTypes; // type ids of other tools' modules
    QVector<ExpectedEntry> types;
    QVector<ExpectedEntry> instances;
};

// storePath is the device types file or the instances file. Reports "xml" when
// the editor could not edit the file (not well-formed, or another root element),
// at the line where it stops; the entries before that point are still judged,
// and missing ones only when the root was read to its end:
// - device types of the checked systems (family "alarms") that no module needs
//   ("unused-device-type"), instances of their types that no module needs
//   ("unused-instance");
// - needed types and instances that have no entry ("missing-entry").
void checkSharedFile(const QString& storePath, const QByteArray& bytes,
                     const SharedEntries& entries, Findings& findings);
