#pragma once

// The two files that the whole installation shares, "config/devicetypes.xml"
// (every device type) and "config/instances.xml" (every device instance with its
// infodriver and offset). A module owns only its own entries: one type for the
// module and one per template, one base instance at offset 0 and one instance per
// template instance. Other tools and modules keep their entries in the same files,
// so a rewrite reads the file as XML (core/xml_scan.h), changes only the spans of
// the module's own elements and copies every other byte, line ends included; and
// before its result is written it checks that the result is well-formed, that
// every other element is there with the same bytes and that each of the module's
// entries is there exactly once.
//
// The module's elements are the root's children of the file's element name
// ("type", "instance") whose key attribute ("id", "type") has, decoded, one of
// the module's ids, however it is quoted, spaced, escaped or broken over lines.
// Values are written in the file's declared encoding, a character it cannot hold
// as a numeric character reference.

#include "core/xml_scan.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QDomDocument;
class TemplateList;
class devTemplate;

// Receives each trace line; may be empty.
using TraceSink = std::function<void(const QString&)>;

// One instance of a module as the instances file lists it. The offset is the
// template's arithmetic done in 64 bits: beyond the range of int it is written
// as it is, so that the line shows what the template asks for.
struct InstanceEntry {
    QString id;
    QString type;
    qint64 offset = 0;
};

// The device type ids of a module: its own, then one per template in the list's
// order.
QStringList moduleTypeIds(const QString& moduleTypeId, const TemplateList& templates);

// The instances of a template: instance k at baseSlot + k * offset.
QVector<InstanceEntry> templateInstances(const QString& moduleTypeId, const devTemplate& entry);

// The base instance, then each template's instances in the list's order.
QVector<InstanceEntry> moduleInstances(const QString& moduleTypeId, const TemplateList& templates);

// The instance lines (each ended by "\n") of the template whose type id is
// typeId; empty when no template of the list has it.
QString modifiedInstanceLines(const QString& moduleTypeId, const QString& driver,
                              const QString& typeId, const TemplateList& templates,
                              const TraceSink& trace = {});

// Which elements of a shared file are entries: the root's name, the entries'
// element name and the attribute that says whose an entry is.
struct SharedFileKind {
    const char* root;
    const char* element;
    const char* key;
};
extern const SharedFileKind deviceTypesFile; // <devicetypes><type id=...>
extern const SharedFileKind instancesFile;   // <instances><instance type=...>

// An element the module writes: its attributes in order, values unescaped.
struct SharedElement {
    QVector<QPair<const char*, QString>> attributes;
};
SharedElement typeElement(const QString& id);
SharedElement instanceElement(const InstanceEntry& entry, const QString& driver);

// The module's entries of one key value (a type id): the elements written for
// it. They take the place of the first old element whose key is the key or one
// of the former keys (a rename); every further such element is dropped, and
// when there was none they go before the root's end tag.
struct OwnEntries {
    QString key;
    QStringList formerKeys;
    QVector<SharedElement> elements;
};

// The module's entries in the device types file (in id order) and in the
// instances file (its base, then each template's in the list's order). With a
// former module type id, its entries are taken to be the module's too.
QVector<OwnEntries> deviceTypeEntries(const QString& moduleTypeId, const TemplateList& templates,
                                      const QString& formerTypeId = {});
QVector<OwnEntries> instanceEntries(const QString& moduleTypeId, const QString& driver,
                                    const TemplateList& templates,
                                    const QString& formerTypeId = {});

// What a rewrite did to the module's elements, for the traces.
struct SharedEdit {
    enum Kind { Inserted, Replaced, Dropped };
    Kind kind;
    QString key;
    QStringList elements; // the new elements (the old one when dropped), as text
};

struct SharedRewrite {
    QByteArray content; // the new bytes; the old ones when nothing changed
    bool changed = false;
    QVector<SharedEdit> edits;
    XmlScanError error;         // set: the old file or the result is unfit, write nothing
    bool errorInResult = false; // the rewrite's own result failed its check
};

SharedRewrite rewriteSharedFile(const QByteArray& content, const SharedFileKind& kind,
                                const QVector<OwnEntries>& entries);

// A shared file that does not exist yet: the document with its declaration,
// document type and empty root, then its elements, then the file's bytes (the
// layout of an XML writer with an indent of 4, CR LF line ends, 8-bit text).
void createSharedDocument(const QString& root, const QString& systemId, QDomDocument& document);
void appendTypeElement(QDomDocument& document, const QString& id);
void appendInstanceElement(QDomDocument& document, const InstanceEntry& entry,
                           const QString& driver);
QByteArray sharedDocumentBytes(const QDomDocument& document);
