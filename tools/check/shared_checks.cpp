#include "tools/check/shared_checks.h"

#include "core/shared_files.h"
#include "core/store_paths.h"
#include "core/xml_scan.h"
#include "tools/check/findings.h"

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

// An entry of a shared file: the root's child of the file's element name.
struct Entry {
    int line;
    QString key;   // "id" of a type, "type" of an instance
    QString id;    // "id"
    QString other; // "family" of a type
};

// Counts the lines (ended by LF, CR LF or CR) up to offsets that only grow.
class LineCounter {
public:
    explicit LineCounter(QByteArrayView bytes) : bytes(bytes) {}
    int lineAt(qsizetype offset) {
        for (; at < offset && at < bytes.size(); ++at)
            if (bytes[at] == '\n' ||
                (bytes[at] == '\r' && (at + 1 == bytes.size() || bytes[at + 1] != '\n')))
                ++line;
        return line;
    }

private:
    QByteArrayView bytes;
    qsizetype at = 0;
    int line = 1;
};

} // namespace

void checkSharedFile(const QString& storePath, const QByteArray& bytes,
                     const SharedEntries& entries, Findings& findings) {
    const bool types = storePath == StorePaths::devTypesFile;
    const SharedFileKind& kind = types ? deviceTypesFile : instancesFile;
    XmlDocument document;
    XmlScanError error;
    LineCounter lines(bytes);
    QVector<Entry> found;
    scanXmlDocument(bytes, document, error, [&](const XmlChild& child) {
        if (child.kind != XmlChild::Element || child.name != kind.element)
            return;
        Entry entry{lines.lineAt(child.begin), {}, {}, {}};
        bool keyed = false;
        for (const XmlAttributeSpan& attribute : *child.attributes) {
            const QString value = xmlAttributeValue(attribute.value, document.encoding);
            if (attribute.name == kind.key) {
                entry.key = value;
                keyed = true;
            }
            if (attribute.name == "id")
                entry.id = value;
            else if (attribute.name == "family")
                entry.other = value;
        }
        if (keyed)
            found.append(entry);
    });
    if (!error.isError() && document.rootName != kind.root) {
        findings.error(storePath, LineCounter(bytes).lineAt(document.rootBegin), "xml",
                       "the root element is '" + xmlDecode(document.rootName, document.encoding) +
                           "', not '" + kind.root + "'; the editor does not edit this file");
        return;
    }
    if (error.isError())
        findings.error(storePath, error.line, "xml", "not well-formed XML: " + error.message);

    const QVector<ExpectedEntry>& expected = types ? entries.types : entries.instances;
    QSet<QString> needed, present;
    for (const ExpectedEntry& entry : expected)
        needed.insert(entry.id);
    for (const Entry& entry : found) {
        present.insert(entry.id);
        if (needed.contains(entry.id) || !isOurs(entry.key, entries))
            continue;
        if (types && entry.other == QLatin1String("alarms"))
            findings.warning(storePath, entry.line, "unused-device-type",
                             "device type '" + entry.id + "' belongs to no module");
        else if (!types)
            findings.warning(storePath, entry.line, "unused-instance",
                             "instance '" + entry.id + "' of device type '" + entry.key +
                                 "' belongs to no module");
    }
    if (error.isError() && document.rootEnd == 0)
        return; // the rest of the root was not read: nothing is known missing
    for (const ExpectedEntry& entry : expected)
        if (!present.contains(entry.id))
            findings.error(entry.storePath, entry.line, "missing-entry",
                           entry.what + " has no entry in " + findings.shownPath(storePath));
}
