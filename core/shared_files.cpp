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
const QLatin1String typesEndTag("</devicetypes>");
const QLatin1String instancesEndTag("</instances>");
const QLatin1String typeEndTag("</type>");
const QLatin1String instanceEndTag("</instance>");

QString written(const QString& value) {
    return xmlAttributeTextEightBit(value);
}

// One line of a file: its text without the line end, and the line end.
struct Line {
    QStringView text;
    QStringView end;
    QStringView whole() const { return QStringView(text.data(), text.size() + end.size()); }
    // Lines added before this one take its line end.
    QString newLineEnd() const { return end.isEmpty() ? QStringLiteral("\r\n") : end.toString(); }
};

// Calls f for each line of the text, in order.
template <typename F> void forEachLine(const QString& text, F&& f) {
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype newline = text.indexOf('\n', start);
        const qsizetype next = newline < 0 ? size : newline + 1;
        qsizetype textEnd = newline < 0 ? size : newline;
        if (textEnd > start && text.at(textEnd - 1) == '\r')
            --textEnd;
        const QStringView all(text);
        f(Line{all.mid(start, textEnd - start), all.mid(textEnd, next - textEnd)});
        start = next;
    }
}

QStringView attributeIn(QStringView line, QStringView attribute, bool* found) {
    qsizetype from = 0;
    while (true) {
        const qsizetype at = line.indexOf(attribute, from);
        if (at < 0)
            break;
        from = at + 1;
        const qsizetype valueStart = at + attribute.size() + 2;
        if (at == 0 || line.at(at - 1) != ' ' || valueStart > line.size() ||
            line.at(valueStart - 2) != '=' || line.at(valueStart - 1) != '"')
            continue;
        const qsizetype close = line.indexOf('"', valueStart);
        if (close < 0)
            break;
        if (found)
            *found = true;
        return line.mid(valueStart, close - valueStart);
    }
    if (found)
        *found = false;
    return {};
}

void say(const TraceSink& trace, const QString& text) {
    if (trace)
        trace(text);
}

QString decoded(const QByteArray& content) {
    return fromEightBit(content);
}

} // namespace

QString attributeValue(const QString& line, const QString& attribute, bool* found) {
    return attributeIn(line, attribute, found).toString();
}

QString deviceTypeLine(const QString& id) {
    return QStringLiteral("\t<type id=\"") + written(id) +
           QStringLiteral("\" family=\"alarms\" composite=\"no\"/>");
}

QString instanceLine(const QString& id, const QString& type, const QString& driver, qint64 offset) {
    return QStringLiteral("\t<instance id=\"") + written(id) + QStringLiteral("\" type=\"") +
           written(type) + QStringLiteral("\" composite=\"no\" ref=\"device=") + written(driver) +
           QStringLiteral(",offset=") + QString::number(offset) + QStringLiteral("\"/>");
}

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

QByteArray rewriteDeviceTypes(const QByteArray& content, const QString& moduleTypeId,
                              const TemplateList& templates, const TraceSink& trace) {
    const QString op = prefix + "writeDeviceTypesFile - ";
    // Written id -> (id, line), in id order.
    QMap<QString, QPair<QString, QString>> required;
    QString list;
    for (const QString& id : moduleTypeIds(moduleTypeId, templates)) {
        required.insert(written(id), {id, deviceTypeLine(id)});
        list += (list.isEmpty() ? QString() : QStringLiteral(",")) + id;
    }
    say(trace, op + "base '" + moduleTypeId + "', templates '" + list + "'");

    const QString text = decoded(content);
    QString out;
    out.reserve(text.size() + 256);
    forEachLine(text, [&](const Line& line) {
        if (trace)
            trace(op + "check line '" + line.text.toString() + "'");
        bool hasId = false;
        const QStringView id = attributeIn(line.text, u"id", &hasId);
        if (hasId) {
            const bool recognised = required.remove(id.toString()) > 0;
            if (trace)
                trace(op +
                      (recognised ? "preserve recognized line '" : "preserve unrecognized line '") +
                      line.text.toString() + "'");
        } else if (line.text.contains(typesEndTag)) {
            say(trace,
                op + "end tag in line. insert required lines '" + line.text.toString() + "'");
            const QString end = line.newLineEnd();
            for (const auto& [typeId, typeLine] : std::as_const(required)) {
                say(trace, op + "insert type '" + typeId + "' line '" + typeLine + "'");
                out += typeLine + end;
            }
            required.clear();
        } else if (trace) {
            trace(op + "no id in line, preserve '" + line.text.toString() + "'");
        }
        out += line.whole();
    });
    return toEightBit(out);
}

namespace {

// The continuation lines of an element whose first line a pass drops or
// replaces by a one-line element: the rest of its start tag, or its content up
// to its end tag (elementEnd). A line that holds the root's end tag is never one
// of them, so the end of the file is never dropped with an element.
class DroppedElement {
public:
    explicit DroppedElement(QLatin1String elementEnd) : elementEnd(elementEnd) {}

    bool hanging() const { return state != Hanging::No; }

    // After the element's first line.
    void startAfter(QStringView line) { state = hangingAfter(line, true); }

    // Whether the line continues the element and so goes with it.
    bool drops(QStringView line, bool rootEnd) {
        if (state == Hanging::No)
            return false;
        if (rootEnd) {
            state = Hanging::No;
            return false;
        }
        if (state == Hanging::Content)
            state = line.contains(elementEnd) ? Hanging::No : Hanging::Content;
        else
            state = hangingAfter(line, false);
        return true;
    }

private:
    // Where the element stands after a line: ended, inside its start tag, or
    // inside its content.
    enum class Hanging { No, StartTag, Content };

    Hanging hangingAfter(QStringView line, bool startsElement) const {
        if (line.contains(u"/>") || line.contains(elementEnd))
            return Hanging::No;
        const QStringView trimmed = line.trimmed();
        // A first line that does not begin with a start tag (a comment that
        // names the module, the middle of another element) opens nothing.
        if (startsElement &&
            (trimmed.size() < 2 || trimmed.at(0) != '<' || !trimmed.at(1).isLetter()))
            return Hanging::No;
        if (trimmed.endsWith('>') && (startsElement || !trimmed.startsWith('<')))
            return Hanging::Content;
        return Hanging::StartTag;
    }

    QLatin1String elementEnd;
    Hanging state = Hanging::No;
};

} // namespace

QByteArray rewriteInstances(const QByteArray& content, const QString& moduleTypeId,
                            const QString& driver, const TemplateList& templates,
                            const TraceSink& trace) {
    const QString op = prefix + "writeInstances";
    struct Type {
        QString id;
        const devTemplate* entry = nullptr; // null for the module's own type
        bool pending = true;
    };
    QVector<Type> types{{moduleTypeId, nullptr, true}};
    for (const auto& entry : templates)
        types.append({moduleTypeId + '_' + entry.second->name, entry.second.get(), true});
    QHash<QString, int> byWrittenId;
    for (int i = types.size() - 1; i >= 0; --i)
        byWrittenId.insert(written(types[i].id), i);
    int pendingCount = types.size();

    // The new lines of a type, each ended by lineEnd.
    auto linesOf = [&](const Type& type, const QString& lineEnd) {
        if (!type.entry)
            return instanceLine(moduleTypeId, moduleTypeId, driver, 0) + lineEnd;
        traceInsert(trace, moduleTypeId, driver, type.id);
        return instanceLines(moduleTypeId, driver, *type.entry, lineEnd, trace);
    };

    const QString text = decoded(content);
    QString out;
    out.reserve(text.size() + 256);
    DroppedElement dropped(instanceEndTag);
    forEachLine(text, [&](const Line& line) {
        if (trace)
            trace(op + " check line '" + line.text.toString() + "'. hanging " +
                  (dropped.hanging() ? "1" : "0"));
        const bool endTag = line.text.contains(instancesEndTag);
        if (dropped.drops(line.text, endTag))
            return;
        bool hasType = false;
        const QStringView type = attributeIn(line.text, u"type", &hasType);
        if (!hasType) {
            if (endTag && pendingCount > 0) {
                const QString end = line.newLineEnd();
                for (Type& pending : types) {
                    if (!pending.pending)
                        continue;
                    pending.pending = false;
                    if (!pending.entry)
                        say(trace, op + " - template '' removed. end tag. add new base '" +
                                       moduleTypeId + "'");
                    else
                        say(trace, op + " - template '' removed. end tag. insert modified "
                                        "instances.");
                    out += linesOf(pending, end);
                }
                pendingCount = 0;
            }
            out += line.whole();
            return;
        }
        const int index = byWrittenId.value(type.toString(), -1);
        if (index < 0 || endTag) {
            out += line.whole();
            return;
        }
        dropped.startAfter(line.text);
        Type& own = types[index];
        if (!own.pending)
            return;
        own.pending = false;
        --pendingCount;
        if (!own.entry)
            say(trace,
                op + " - template '" + own.id + "' removed. add new base '" + moduleTypeId + "'");
        else
            say(trace, op + " - template '" + own.id + "' removed. insert modified instances.");
        out += linesOf(own, line.newLineEnd());
    });
    return toEightBit(out);
}

QByteArray renameDeviceTypes(const QByteArray& content, const QString& oldId, const QString& newId,
                             const TemplateList& templates, const TraceSink& trace) {
    const QString op = prefix + "changeDevTypeDevicetypes - ";
    say(trace, op + "Old '" + oldId + "', new '" + newId + "'");
    const QString oldWritten = written(oldId);
    QHash<QString, bool> suppressed;
    for (const auto& entry : templates)
        suppressed.insert(written(oldId + '_' + entry.second->name), true);

    const QString text = decoded(content);
    QString out;
    out.reserve(text.size() + 256);
    DroppedElement dropped(typeEndTag);
    forEachLine(text, [&](const Line& line) {
        if (trace)
            trace(op + "check line '" + line.text.toString() + "'");
        const bool endTag = line.text.contains(typesEndTag);
        if (dropped.drops(line.text, endTag))
            return;
        bool hasId = false;
        const QStringView id = attributeIn(line.text, u"id", &hasId);
        if (hasId && !endTag && id == oldWritten) {
            say(trace, op + "found");
            out += deviceTypeLine(newId);
            out += line.end;
            dropped.startAfter(line.text);
        } else if (hasId && !endTag && suppressed.contains(id.toString())) {
            say(trace, op + "suppress template");
            dropped.startAfter(line.text);
        } else {
            if (trace)
                trace(op + (hasId ? "preserve template '" + id.toString() + "'"
                                  : QStringLiteral("no id so copy")));
            out += line.whole();
        }
    });
    return toEightBit(out);
}

QByteArray renameInstances(const QByteArray& content, const QString& oldId, const QString& newId,
                           const QString& driver, const TemplateList& templates,
                           const TraceSink& trace) {
    const QString op = prefix + "changeDevTypeInstances - ";
    const QString oldType = "type=\"" + written(oldId);
    const QString newType = "type=\"" + written(newId);
    const QString exactType = oldType + '"';
    // A child is a line whose type is one of these, not any type that begins
    // with the old id: another module's id may begin with it too.
    QSet<QString> templateTypes;
    for (const auto& entry : templates)
        templateTypes.insert(written(oldId + '_' + entry.second->name));
    const QString device = "ref=\"device=" + written(driver) + ",offset=";
    const QString oldInstanceId = "id=\"" + written(oldId) + '"';
    const QString newInstanceId = "id=\"" + written(newId) + '"';

    const QString text = decoded(content);
    QString out;
    out.reserve(text.size() + 256);
    DroppedElement dropped(instanceEndTag);
    forEachLine(text, [&](const Line& line) {
        if (trace)
            trace(op + "check line '" + line.text.toString() + "'");
        const bool endTag = line.text.contains(instancesEndTag);
        if (dropped.drops(line.text, endTag))
            return;
        const bool onDevice = line.text.contains(device);
        if (!endTag && onDevice && line.text.contains(exactType)) {
            const QString base = instanceLine(newId, newId, driver, 0);
            say(trace, op + "line contains old only and device ref - base instance. new type '" +
                           base + "'");
            out += base;
            out += line.end;
            dropped.startAfter(line.text);
        } else if (endTag || !onDevice ||
                   !templateTypes.contains(attributeIn(line.text, u"type", nullptr).toString())) {
            say(trace, op + (endTag ? "end tag" : "other"));
            out += line.whole();
        } else {
            QString changed = line.text.toString();
            changed.replace(oldType, newType);
            changed.replace(oldInstanceId, newInstanceId);
            say(trace, op + "line contains old prefix and device ref - child instance. new line '" +
                           changed + "'");
            out += changed;
            out += line.end;
        }
    });
    return toEightBit(out);
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
