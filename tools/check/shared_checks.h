#pragma once

// Checks of the two files that the whole installation shares: the list of device
// types and the list of device instances. They are recognised line by line, the
// way the editor rewrites them, so a check runs even where the XML is broken.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class Findings;

// An entry that a module of this plug-in needs in a shared file.
struct ExpectedEntry {
    QString id;        // as written in the file (escaped)
    QString what;      // for the message, e.g. "device type 'north_Pumps' of module 'Pumps'"
    QString storePath; // the module file that needs it
    int line = 0;      // the line of the module file that makes the need
};

struct SharedEntries {
    QStringList allSystems;     // every alarm system of the store
    QStringList checkedSystems; // the systems whose entries are judged
    QSet<QString> foreignTypes; // type ids of other tools' modules, as written
    QVector<ExpectedEntry> types;
    QVector<ExpectedEntry> instances;
};

// "xml" when the file is not well-formed XML (at the parser's line).
void checkWellFormed(const QString& storePath, const QByteArray& bytes, Findings& findings);

// Types of the checked systems (family "alarms") that no module needs
// ("unused-device-type"), and needed types that have no line ("missing-entry").
void checkDeviceTypes(const QString& storePath, const QByteArray& bytes,
                      const SharedEntries& entries, Findings& findings);

// Instances of the checked systems' types that no module needs
// ("unused-instance"), and needed instances that have no line ("missing-entry").
void checkInstances(const QString& storePath, const QByteArray& bytes, const SharedEntries& entries,
                    Findings& findings);
