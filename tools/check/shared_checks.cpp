#include "tools/check/shared_checks.h"

#include "core/shared_files.h"
#include "core/text_codec.h"
#include "tools/check/findings.h"

#include <QXmlStreamReader>

namespace {

// The alarm system that an id of this plug-in belongs to: the longest system
// name that, with "_", begins it; empty when none does.
QString ownerSystem(const QString& id, const QStringList& systems) {
    QString owner;
    for (const QString& system : systems)
        if (system.size() > owner.size() && id.startsWith(system + '_'))
            owner = system;
    return owner;
}

bool isOurs(const QString& typeId, const SharedEntries& entries) {
    const QString system = ownerSystem(typeId, entries.allSystems);
    return !system.isEmpty() && entries.checkedSystems.contains(system) &&
           !entries.foreignTypes.contains(typeId);
}

QSet<QString> idsOf(const QVector<ExpectedEntry>& expected) {
    QSet<QString> ids;
    ids.reserve(expected.size());
    for (const ExpectedEntry& entry : expected)
        ids.insert(entry.id);
    return ids;
}

void reportMissing(const QVector<ExpectedEntry>& expected, const QSet<QString>& present,
                   const QString& file, Findings& findings) {
    for (const ExpectedEntry& entry : expected)
        if (!present.contains(entry.id))
            findings.error(entry.storePath, entry.line, "missing-entry",
                           entry.what + " has no entry in " + file);
}

} // namespace

void checkWellFormed(const QString& storePath, const QByteArray& bytes, Findings& findings) {
    // Decoded with the mapping the shared files are written in, whatever the
    // declaration names.
    QXmlStreamReader reader(fromEightBit(bytes));
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        findings.error(storePath, int(reader.lineNumber()), "xml",
                       "not well-formed XML: " + reader.errorString());
}

void checkDeviceTypes(const QString& storePath, const QByteArray& bytes,
                      const SharedEntries& entries, Findings& findings) {
    const QSet<QString> needed = idsOf(entries.types);
    QSet<QString> present;
    const QStringList lines = eightBitLines(bytes);
    for (int i = 0; i < lines.size(); ++i) {
        bool found = false;
        const QString id = attributeValue(lines[i], "id", &found);
        if (!found)
            continue;
        present.insert(id);
        if (needed.contains(id) || !isOurs(id, entries) ||
            attributeValue(lines[i], "family") != QLatin1String("alarms"))
            continue;
        findings.warning(storePath, i + 1, "unused-device-type",
                         "device type '" + id + "' belongs to no module");
    }
    reportMissing(entries.types, present, findings.shownPath(storePath), findings);
}

void checkInstances(const QString& storePath, const QByteArray& bytes, const SharedEntries& entries,
                    Findings& findings) {
    const QSet<QString> needed = idsOf(entries.instances);
    QSet<QString> present;
    const QStringList lines = eightBitLines(bytes);
    for (int i = 0; i < lines.size(); ++i) {
        // The editor recognises an instance line by its type.
        bool found = false;
        const QString type = attributeValue(lines[i], "type", &found);
        if (!found)
            continue;
        const QString id = attributeValue(lines[i], "id");
        present.insert(id);
        if (needed.contains(id) || !isOurs(type, entries))
            continue;
        findings.warning(storePath, i + 1, "unused-instance",
                         "instance '" + id + "' of device type '" + type +
                             "' belongs to no module");
    }
    reportMissing(entries.instances, present, findings.shownPath(storePath), findings);
}
