// The rewrite of the module's entries in a shared file, by the byte spans of its
// elements (see core/shared_files.h).
#include "core/device_template.h"
#include "core/shared_files.h"
#include "core/text_codec.h"

#include <QHash>

#include <algorithm>

const SharedFileKind deviceTypesFile{"devicetypes", "type", "id"};
const SharedFileKind instancesFile{"instances", "instance", "type"};

SharedElement typeElement(const QString& id) {
    return {
        {{"id", id}, {"family", QStringLiteral("alarms")}, {"composite", QStringLiteral("no")}}};
}

SharedElement instanceElement(const InstanceEntry& entry, const QString& driver) {
    return {{{"id", entry.id},
             {"type", entry.type},
             {"composite", QStringLiteral("no")},
             {"ref", "device=" + driver + ",offset=" + QString::number(entry.offset)}}};
}

QVector<OwnEntries> deviceTypeEntries(const QString& moduleTypeId, const TemplateList& templates,
                                      const QString& formerTypeId) {
    QVector<OwnEntries> entries;
    for (const auto& entry : templates) {
        const QString suffix = '_' + entry.second->name;
        entries.append({moduleTypeId + suffix,
                        formerTypeId.isEmpty() ? QStringList() : QStringList{formerTypeId + suffix},
                        {typeElement(moduleTypeId + suffix)}});
    }
    entries.append({moduleTypeId,
                    formerTypeId.isEmpty() ? QStringList() : QStringList{formerTypeId},
                    {typeElement(moduleTypeId)}});
    std::sort(entries.begin(), entries.end(),
              [](const OwnEntries& a, const OwnEntries& b) { return a.key < b.key; });
    return entries;
}

QVector<OwnEntries> instanceEntries(const QString& moduleTypeId, const QString& driver,
                                    const TemplateList& templates, const QString& formerTypeId) {
    QVector<OwnEntries> entries{{moduleTypeId,
                                 formerTypeId.isEmpty() ? QStringList() : QStringList{formerTypeId},
                                 {instanceElement({moduleTypeId, moduleTypeId, 0}, driver)}}};
    for (const auto& entry : templates) {
        const QString suffix = '_' + entry.second->name;
        OwnEntries own{moduleTypeId + suffix,
                       formerTypeId.isEmpty() ? QStringList() : QStringList{formerTypeId + suffix},
                       {}};
        for (const InstanceEntry& instance : templateInstances(moduleTypeId, *entry.second))
            own.elements.append(instanceElement(instance, driver));
        entries.append(own);
    }
    return entries;
}

namespace {

bool encodable(char32_t c, XmlEncoding encoding) {
    switch (encoding) {
    case XmlEncoding::Utf8:
        return true;
    case XmlEncoding::Latin1:
        return c < 0x80;
    case XmlEncoding::EightBit:
        break;
    }
    return c < 0x80 || (c <= 0xFFFF && isEightBitText(QString(QChar(char16_t(c)))));
}

QByteArray encoded(const QString& text, XmlEncoding encoding) {
    switch (encoding) {
    case XmlEncoding::Utf8:
        return text.toUtf8();
    case XmlEncoding::Latin1:
        return text.toLatin1();
    case XmlEncoding::EightBit:
        break;
    }
    return toEightBit(text);
}

// An attribute value as written: markup characters and line breaks as
// references, and every character the encoding cannot hold.
QString escaped(const QString& value, XmlEncoding encoding) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        char32_t c = value.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < value.size() && value.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), value.at(++i).unicode());
        switch (c) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        default:
            if (c < 0x20 || !encodable(c, encoding))
                out += QStringLiteral("&#%1;").arg(uint(c));
            else
                out += QString::fromUcs4(&c, 1);
        }
    }
    return out;
}

QByteArray elementBytes(const SharedFileKind& kind, const SharedElement& element,
                        XmlEncoding encoding) {
    QString text = QLatin1Char('<') + QLatin1String(kind.element);
    for (const auto& [name, value] : element.attributes)
        text += QLatin1Char(' ') + QLatin1String(name) + QLatin1String("=\"") +
                escaped(value, encoding) + QLatin1Char('"');
    return encoded(text + QLatin1String("/>"), encoding);
}

// A child of the root, and the entry it belongs to (-1: not the module's).
struct Child {
    XmlChild::Kind kind;
    qsizetype begin;
    qsizetype end;
    int own;
};

struct Scan {
    XmlDocument document;
    XmlScanError error;
    QVector<Child> children;
};

// Finds the entries among the children by their decoded key. Keys written
// without references are looked up by their bytes, so that the usual file is
// read without decoding a character of it.
class KeyIndex {
public:
    KeyIndex(const SharedFileKind& kind, const QVector<OwnEntries>& entries) : kind(kind) {
        for (int i = 0; i < entries.size(); ++i) {
            byText.insert(entries[i].key, i);
            for (const QString& former : entries[i].formerKeys)
                byText.insert(former, i);
        }
    }

    void prepare(XmlEncoding encoding) {
        byBytes.clear();
        for (auto it = byText.cbegin(); it != byText.cend(); ++it) {
            const QByteArray bytes = encoded(it.key(), encoding);
            if (xmlDecode(bytes, encoding) == it.key())
                byBytes.insert(bytes, it.value());
        }
    }

    int entryOf(const XmlChild& child, XmlEncoding encoding) const {
        if (child.name != kind.element)
            return -1;
        for (const XmlAttributeSpan& attribute : *child.attributes) {
            if (attribute.name != kind.key)
                continue;
            const QByteArrayView raw = attribute.value;
            bool plain = true;
            for (const char c : raw)
                if (c == '&' || c == '\t' || c == '\n' || c == '\r')
                    plain = false;
            if (plain)
                return byBytes.value(QByteArray::fromRawData(raw.data(), raw.size()), -1);
            return byText.value(xmlAttributeValue(raw, encoding), -1);
        }
        return -1;
    }

private:
    const SharedFileKind& kind;
    QHash<QString, int> byText;
    QHash<QByteArray, int> byBytes;
};

Scan scan(QByteArrayView bytes, KeyIndex& keys) {
    Scan result;
    result.children.reserve(bytes.size() / 40);
    bool prepared = false;
    scanXmlDocument(bytes, result.document, result.error, [&](const XmlChild& child) {
        if (!prepared) {
            keys.prepare(result.document.encoding);
            prepared = true;
        }
        const int own =
            child.kind == XmlChild::Element ? keys.entryOf(child, result.document.encoding) : -1;
        result.children.append({child.kind, child.begin, child.end, own});
    });
    if (!prepared)
        keys.prepare(result.document.encoding);
    return result;
}

bool isBlankByte(char c) {
    return c == ' ' || c == '\t';
}

// The layout of the file: its first line end, and the indentation of its last
// element that begins a line.
struct Layout {
    QByteArray lineEnd = "\r\n";
    QByteArray indent = "\t";
};

// Where the line of position at starts.
qsizetype lineStart(QByteArrayView bytes, qsizetype at) {
    while (at > 0 && bytes[at - 1] != '\n' && bytes[at - 1] != '\r')
        --at;
    return at;
}

bool onlyBlanks(QByteArrayView bytes, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (!isBlankByte(bytes[i]))
            return false;
    return true;
}

Layout layoutOf(QByteArrayView bytes, const Scan& scanned) {
    Layout layout;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            layout.lineEnd = bytes[i] == '\n'                               ? "\n"
                             : i + 1 < bytes.size() && bytes[i + 1] == '\n' ? "\r\n"
                                                                            : "\r";
            break;
        }
    }
    for (qsizetype i = scanned.children.size() - 1; i >= 0; --i) {
        const Child& child = scanned.children[i];
        if (child.kind != XmlChild::Element)
            continue;
        const qsizetype start = lineStart(bytes, child.begin);
        if (start < child.begin && onlyBlanks(bytes, start, child.begin)) {
            layout.indent = bytes.sliced(start, child.begin - start).toByteArray();
            break;
        }
    }
    return layout;
}

// The span an element leaves when it is dropped: its whole line when it stands
// alone on it, else just the element.
QPair<qsizetype, qsizetype> droppedSpan(QByteArrayView bytes, const Child& child) {
    const qsizetype start = lineStart(bytes, child.begin);
    qsizetype end = child.end;
    while (end < bytes.size() && isBlankByte(bytes[end]))
        ++end;
    if (!onlyBlanks(bytes, start, child.begin) || end >= bytes.size() ||
        (bytes[end] != '\n' && bytes[end] != '\r'))
        return {child.begin, child.end};
    end += bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
    return {start, end};
}

XmlScanError checkError(const QString& message) {
    XmlScanError error;
    error.offset = 0;
    error.line = 1;
    error.column = 1;
    error.message = message;
    return error;
}

// The foreign part of a file: everything but the module's elements and the
// blanks between the root's children.
bool sameForeignContent(QByteArrayView a, const Scan& before, QByteArrayView b, const Scan& after) {
    const XmlDocument& x = before.document;
    const XmlDocument& y = after.document;
    if (a.first(x.rootTagEnd) != b.first(y.rootTagEnd) ||
        a.sliced(x.rootEnd) != b.sliced(y.rootEnd))
        return false;
    QByteArray textA, textB;
    auto others = [](QByteArrayView bytes, const Scan& scanned, QByteArray& text) {
        QVector<QByteArrayView> list;
        for (const Child& child : scanned.children) {
            const QByteArrayView span = bytes.sliced(child.begin, child.end - child.begin);
            if (child.kind == XmlChild::Text) {
                for (const char c : span)
                    if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                        text += c;
            } else if (child.own < 0) {
                list.append(span);
            }
        }
        return list;
    };
    return others(a, before, textA) == others(b, after, textB) && textA == textB;
}

} // namespace

SharedRewrite rewriteSharedFile(const QByteArray& content, const SharedFileKind& kind,
                                const QVector<OwnEntries>& entries) {
    SharedRewrite result;
    result.content = content;
    KeyIndex keys(kind, entries);
    const Scan before = scan(content, keys);
    if (before.error.isError()) {
        result.error = before.error;
        return result;
    }
    const XmlDocument& document = before.document;
    if (document.rootName != kind.root) {
        result.error = checkError(
            QStringLiteral("the root element is '%1', not '%2'")
                .arg(xmlDecode(document.rootName, document.encoding), QLatin1String(kind.root)));
        return result;
    }
    const XmlEncoding encoding = document.encoding;
    const Layout layout = layoutOf(content, before);
    QVector<QVector<QByteArray>> elements(entries.size());
    for (int i = 0; i < entries.size(); ++i)
        for (const SharedElement& element : entries[i].elements)
            elements[i].append(elementBytes(kind, element, encoding));
    auto texts = [&](const QVector<QByteArray>& list) {
        QStringList out;
        for (const QByteArray& bytes : list)
            out.append(xmlDecode(bytes, encoding));
        return out;
    };

    QByteArray out;
    out.reserve(content.size() + 1024);
    qsizetype copied = 0;
    auto copyTo = [&](qsizetype to) {
        if (to > copied)
            out.append(content.constData() + copied, to - copied);
        copied = std::max(copied, to);
    };
    // The k-th old element of an entry takes its k-th new element; old ones
    // beyond the new count go, new ones beyond the old count follow the last old.
    QVector<int> oldCount(entries.size(), 0), seen(entries.size(), 0);
    for (const Child& child : before.children)
        if (child.own >= 0)
            ++oldCount[child.own];
    for (const Child& child : before.children) {
        if (child.own < 0)
            continue;
        const int own = child.own;
        const QVector<QByteArray>& news = elements[own];
        const int k = seen[own]++;
        const QByteArrayView old(content.constData() + child.begin, child.end - child.begin);
        if (k >= news.size()) {
            const auto [from, to] = droppedSpan(content, child);
            copyTo(from);
            copied = std::max(copied, to);
            result.edits.append(
                {SharedEdit::Dropped, entries[own].key, {xmlDecode(old, encoding)}});
            continue;
        }
        if (news[k] != old) {
            copyTo(child.begin);
            out += news[k];
            copied = std::max(copied, child.end);
            result.edits.append({SharedEdit::Replaced, entries[own].key, texts({news[k]})});
        }
        if (k + 1 == oldCount[own] && news.size() > oldCount[own]) {
            const qsizetype start = lineStart(content, child.begin);
            const QByteArray indent = onlyBlanks(content, start, child.begin)
                                          ? content.mid(start, child.begin - start)
                                          : layout.indent;
            copyTo(child.end);
            const QVector<QByteArray> extra = news.mid(oldCount[own]);
            for (const QByteArray& element : extra)
                out += layout.lineEnd + indent + element;
            result.edits.append({SharedEdit::Inserted, entries[own].key, texts(extra)});
        }
    }

    QByteArray inserted;
    for (int i = 0; i < entries.size(); ++i) {
        if (oldCount[i] > 0 || elements[i].isEmpty())
            continue;
        for (const QByteArray& element : elements[i])
            inserted += layout.indent + element + layout.lineEnd;
        result.edits.append({SharedEdit::Inserted, entries[i].key, texts(elements[i])});
    }
    if (!inserted.isEmpty()) {
        if (document.rootEmpty) {
            copyTo(document.rootTagEnd);
            out += '>' + layout.lineEnd + inserted + "</" + QByteArray(kind.root) + '>';
            copied = std::max(copied, document.rootEnd);
        } else {
            const qsizetype start = lineStart(content, document.rootEndTag);
            if (onlyBlanks(content, start, document.rootEndTag)) {
                copyTo(start);
            } else {
                copyTo(document.rootEndTag);
                out += layout.lineEnd;
            }
            out += inserted;
        }
    }
    copyTo(content.size());
    if (out == content) {
        result.edits.clear();
        return result;
    }

    // The result is checked as a reader of the file would see it.
    const Scan after = scan(out, keys);
    result.errorInResult = true;
    if (after.error.isError()) {
        result.error = after.error;
        return result;
    }
    if (!sameForeignContent(content, before, out, after)) {
        result.error = checkError(QStringLiteral("the rewrite would change other entries"));
        return result;
    }
    QVector<QByteArrayView> own, expected;
    for (const Child& child : after.children)
        if (child.own >= 0)
            own.append(QByteArrayView(out.constData() + child.begin, child.end - child.begin));
    for (const QVector<QByteArray>& list : elements)
        for (const QByteArray& element : list)
            expected.append(element);
    std::sort(own.begin(), own.end());
    std::sort(expected.begin(), expected.end());
    if (own != expected) {
        result.error =
            checkError(QStringLiteral("the rewrite would not hold each entry of the module once"));
        return result;
    }
    result.errorInResult = false;
    result.content = out;
    result.changed = true;
    return result;
}
