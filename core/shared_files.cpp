#include "core/shared_files.h"

#include "core/device_template.h"
#include "core/text_codec.h"
#include "core/xml_text.h"

#include <QDomDocument>
#include <QDomElement>
#include <QDomImplementation>
#include <QDomNamedNodeMap>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

const QString prefix = QStringLiteral("alm_tolv_output::");

QString written(const QString& value) {
    return xmlAttributeTextEightBit(value);
}

void say(const TraceSink& trace, const QString& text) {
    if (trace)
        trace(text);
}

QString instanceLine(const QString& id, const QString& type, const QString& driver, qint64 offset) {
    return QStringLiteral("\t<instance id=\"") + written(id) + QStringLiteral("\" type=\"") +
           written(type) + QStringLiteral("\" composite=\"no\" ref=\"device=") + written(driver) +
           QStringLiteral(",offset=") + QString::number(offset) + QStringLiteral("\"/>");
}

} // namespace

QStringList moduleTypeIds(const QString& moduleTypeId, const TemplateList& templates) {
    QStringList ids{moduleTypeId};
    for (const auto& entry : templates)
        ids.append(moduleTypeId + '_' + entry.second->name);
    return ids;
}

QVector<InstanceEntry> templateInstances(const QString& moduleTypeId, const devTemplate& entry) {
    QVector<InstanceEntry> result;
    const QString type = moduleTypeId + '_' + entry.name;
    qint64 offset = entry.baseSlot;
    for (const QString& instance : entry.instances) {
        result.append({moduleTypeId + '_' + instance, type, offset});
        offset += entry.offset;
    }
    return result;
}

QVector<InstanceEntry> moduleInstances(const QString& moduleTypeId, const TemplateList& templates) {
    QVector<InstanceEntry> result{{moduleTypeId, moduleTypeId, 0}};
    for (const auto& entry : templates)
        result += templateInstances(moduleTypeId, *entry.second);
    return result;
}

namespace {

// The lines of one template's instances, each ended by lineEnd.
QString instanceLines(const QString& moduleTypeId, const QString& driver, const devTemplate& entry,
                      const QString& lineEnd, const TraceSink& trace) {
    QString lines;
    for (const InstanceEntry& instance : templateInstances(moduleTypeId, entry)) {
        say(trace, prefix + "insertModifiedInstances - add instance '" + instance.id + "', type '" +
                       instance.type + "'");
        lines += instanceLine(instance.id, instance.type, driver, instance.offset) + lineEnd;
    }
    return lines;
}

void traceInsert(const TraceSink& trace, const QString& moduleTypeId, const QString& driver,
                 const QString& typeId) {
    say(trace, prefix + "insertModifiedInstances - sType '" + typeId + "', sInsertBase '" +
                   moduleTypeId + "', sInsertDevice '" + driver + "'");
}

} // namespace

QString modifiedInstanceLines(const QString& moduleTypeId, const QString& driver,
                              const QString& typeId, const TemplateList& templates,
                              const TraceSink& trace) {
    traceInsert(trace, moduleTypeId, driver, typeId);
    QString lines;
    for (const auto& entry : templates)
        if (moduleTypeId + '_' + entry.second->name == typeId)
            lines += instanceLines(moduleTypeId, driver, *entry.second, "\n", trace);
    return lines;
}

void createSharedDocument(const QString& root, const QString& systemId, QDomDocument& document) {
    QDomImplementation implementation;
    document = QDomDocument(implementation.createDocumentType(root, QString(), systemId));
    document.appendChild(
        document.createProcessingInstruction("xml", "version = '1.0' encoding='windows-1252' "));
    document.appendChild(document.createElement(root));
}

void appendTypeElement(QDomDocument& document, const QString& id) {
    QDomElement type = document.createElement("type");
    type.setAttribute("id", id);
    type.setAttribute("family", "alarms");
    type.setAttribute("composite", "no");
    document.documentElement().appendChild(type);
}

void appendInstanceElement(QDomDocument& document, const InstanceEntry& entry,
                           const QString& driver) {
    QDomElement instance = document.createElement("instance");
    instance.setAttribute("id", entry.id);
    instance.setAttribute("type", entry.type);
    instance.setAttribute("ref", "device=" + driver + ",offset=" + QString::number(entry.offset));
    instance.setAttribute("composite", "no");
    document.documentElement().appendChild(instance);
}

namespace {

// Attributes in the order of the lines the rewrites write; others after them by
// name. The DOM keeps no order of its own.
int attributeRank(const QString& name) {
    static const QStringList order{"id", "type", "family", "composite", "ref"};
    const qsizetype rank = order.indexOf(name);
    return rank < 0 ? int(order.size()) : int(rank);
}

void writeElement(const QDomElement& element, int level, QString& out) {
    const QString indent(4 * level, ' ');
    out += indent + '<' + element.tagName();
    const QDomNamedNodeMap map = element.attributes();
    QVector<QDomAttr> attributes;
    for (int i = 0; i < map.count(); ++i)
        attributes.append(map.item(i).toAttr());
    std::sort(attributes.begin(), attributes.end(), [](const QDomAttr& a, const QDomAttr& b) {
        const int ra = attributeRank(a.name()), rb = attributeRank(b.name());
        return ra != rb ? ra < rb : a.name() < b.name();
    });
    for (const QDomAttr& attribute : attributes)
        out += ' ' + attribute.name() + "=\"" + written(attribute.value()) + '"';
    bool hasChildren = false;
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (!hasChildren)
            out += ">\r\n";
        hasChildren = true;
        writeElement(child, level + 1, out);
    }
    // The root keeps an end tag of its own line even when empty, so that the
    // line rewrites can add entries before it.
    if (hasChildren || level == 0)
        out += (hasChildren ? QString() : QStringLiteral(">\r\n")) + indent + "</" +
               element.tagName() + ">\r\n";
    else
        out += "/>\r\n";
}

} // namespace

QByteArray sharedDocumentBytes(const QDomDocument& document) {
    QString out;
    // The document type is not among the document's children: it stands after the
    // declaration, before the first element.
    bool typeWritten = false;
    auto writeType = [&] {
        const QDomDocumentType type = document.doctype();
        typeWritten = true;
        if (type.isNull() || type.name().isEmpty())
            return;
        out += "<!DOCTYPE " + type.name();
        if (!type.publicId().isEmpty())
            out += " PUBLIC '" + type.publicId() + "' '" + type.systemId() + '\'';
        else if (!type.systemId().isEmpty())
            out += " SYSTEM '" + type.systemId() + '\'';
        out += ">\r\n";
    };
    for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isProcessingInstruction()) {
            const QDomProcessingInstruction pi = node.toProcessingInstruction();
            out += "<?" + pi.target() + ' ' + pi.data() + "?>\r\n";
        } else if (node.isElement()) {
            if (!typeWritten)
                writeType();
            writeElement(node.toElement(), 0, out);
        }
    }
    if (!typeWritten)
        writeType();
    return toEightBit(out);
}
