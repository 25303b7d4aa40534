#pragma once

// The two files that the whole installation shares, "config/devicetypes.xml"
// (every device type) and "config/instances.xml" (every device instance with its
// infodriver and offset). A module owns only its own entries: one type for the
// module and one per template, one base instance at offset 0 and one instance per
// template instance. The rewrites recognise the module's lines by literal text
// and one attribute value, replace, drop or add them, and copy every other line
// byte for byte (line end included). Each rewrite is one pass over the lines.
//
// The files are 8-bit text (the mapping of core/text_codec.h). Names are written
// in their escaped form (core/xml_text.h) and ids are compared in that form.
// Lines the plug-in adds end in the line end of the line they stand before (CR LF
// when it has none); a replaced line keeps its own line end. A line that holds
// the root's end tag is never dropped or replaced, so no rewrite can cut the
// file's end off.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QDomDocument;
class TemplateList;
class devTemplate;

// Receives each trace line of a rewrite; may be empty.
using TraceSink = std::function<void(const QString&)>;

// The value of one attribute of a line: after a blank, the name and "=\"", up to
// the next "\"", as written (not unescaped). A value without its closing quote
// counts as not found.
QString attributeValue(const QString& line, const QString& attribute, bool* found = nullptr);

// The lines the plug-in writes, without line end.
QString deviceTypeLine(const QString& id);
QString instanceLine(const QString& id, const QString& type, const QString& driver, qint64 offset);

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

// Keeps every line; adds the module's types that no line names just before the
// end tag, in id order.
QByteArray rewriteDeviceTypes(const QByteArray& content, const QString& moduleTypeId,
                              const TemplateList& templates, const TraceSink& trace = {});

// Drops every line (and the continuation lines of a multi-line element) whose type
// is one of the module's; the module's instances of a type take the place of the
// first old line of that type, or stand before the end tag when there was none.
QByteArray rewriteInstances(const QByteArray& content, const QString& moduleTypeId,
                            const QString& driver, const TemplateList& templates,
                            const TraceSink& trace = {});

// The module type oldId becomes newId: its line is rewritten in standard form and
// the lines of its template types (oldId + "_" + template name) are dropped, each
// with the continuation lines of a multi-line element.
QByteArray renameDeviceTypes(const QByteArray& content, const QString& oldId, const QString& newId,
                             const TemplateList& templates, const TraceSink& trace = {});

// On the module's infodriver: the base instance of oldId becomes the base
// instance of newId (one line, without the continuation lines of a multi-line
// element), and the lines whose type is one of oldId's template types (oldId +
// "_" + the name of a template of the list) get the new type in place (their
// instance ids keep their text). Other modules' lines stay as they are, also
// when their ids begin with oldId.
QByteArray renameInstances(const QByteArray& content, const QString& oldId, const QString& newId,
                           const QString& driver, const TemplateList& templates,
                           const TraceSink& trace = {});

// A shared file that does not exist yet: the document with its declaration,
// document type and empty root, then its elements, then the file's bytes (the
// layout of an XML writer with an indent of 4, CR LF line ends, 8-bit text).
void createSharedDocument(const QString& root, const QString& systemId, QDomDocument& document);
void appendTypeElement(QDomDocument& document, const QString& id);
void appendInstanceElement(QDomDocument& document, const InstanceEntry& entry,
                           const QString& driver);
QByteArray sharedDocumentBytes(const QDomDocument& document);
