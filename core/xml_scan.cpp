#include "core/xml_scan.h"

#include "core/text_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Bytes that end a plain run: in text '<', '&', ']' and the control bytes XML
// does not allow; in an attribute value '<', '&' and those control bytes.
constexpr std::array<bool, 256> stopTable(bool text) {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[std::size_t(c)] = c != '\t' && c != '\n' && c != '\r';
    table['<'] = table['&'] = true;
    table[']'] = text;
    return table;
}
constexpr std::array<bool, 256> textStop = stopTable(true);
constexpr std::array<bool, 256> valueStop = stopTable(false);

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isValidChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Names take ASCII letters and, beyond ASCII, only the Latin letters that every
// edition of XML allows, and no ":" (a reader that knows namespaces wants each
// prefix declared): a stricter reader than ours must accept what we accept.
bool isNameStart(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x131) ||
           (c >= 0x134 && c <= 0x13E) || (c >= 0x141 && c <= 0x148) || (c >= 0x14A && c <= 0x17E);
}

bool isNameChar(char32_t c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7;
}

// The offset of the first byte that is not valid UTF-8 of an XML character, or -1.
qsizetype invalidUtf8At(const unsigned char* s, qsizetype n) {
    qsizetype i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        int length = s[i] >= 0xF0 ? 4 : s[i] >= 0xE0 ? 3 : s[i] >= 0xC2 ? 2 : 0;
        if (length == 0 || s[i] > 0xF4 || i + length > n)
            return i;
        char32_t c = s[i] & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return i;
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) || !isValidChar(c))
            return i;
        i += length;
    }
    return -1;
}

class Scanner {
public:
    Scanner(QByteArrayView bytes, XmlDocument& document, const XmlChildSink& sink)
        : s(bytes.data()), n(bytes.size()), doc(document), sink(sink) {}

    bool run() { return prolog() && rootElement() && epilog(); }

    qsizetype failAt = -1;
    QString why;

private:
    bool fail(qsizetype at, const QString& message) {
        if (failAt < 0) {
            failAt = at;
            why = message;
        }
        return false;
    }
    bool startsWith(const char* literal) const {
        const qsizetype size = qsizetype(std::strlen(literal));
        return n - p >= size && std::memcmp(s + p, literal, std::size_t(size)) == 0;
    }
    bool skipBlanks() {
        const qsizetype from = p;
        while (p < n && isBlank(s[p]))
            ++p;
        return p > from;
    }
    bool expect(const char* literal, const char* what) {
        if (!startsWith(literal))
            return fail(p, QStringLiteral("expected %1").arg(QLatin1String(what)));
        p += qsizetype(std::strlen(literal));
        return true;
    }
    unsigned char byte(qsizetype at) const { return static_cast<unsigned char>(s[at]); }

    // The character at p and its length in bytes.
    char32_t charAt(qsizetype at, int& length) const {
        const unsigned char b = byte(at);
        length = 1;
        if (b < 0x80 || doc.encoding == XmlEncoding::Latin1)
            return b;
        if (doc.encoding == XmlEncoding::EightBit)
            return fromEightBit(s + at, 1).at(0).unicode();
        length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        if (at + length > n) { // not validated yet: the XML declaration
            length = 1;
            return 0;
        }
        char32_t c = b & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k)
            c = (c << 6) | (byte(at + k) & 0x3F);
        return c;
    }

    bool name(QByteArrayView& out) {
        const qsizetype from = p;
        int length = 0;
        if (p >= n || !isNameStart(charAt(p, length)))
            return fail(p, QStringLiteral("expected a name"));
        p += length;
        while (p < n) {
            const unsigned char b = byte(p);
            if (b < 0x80) {
                if (!((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                      b == '_' || b == '-' || b == '.'))
                    break;
                ++p;
            } else if (isNameChar(charAt(p, length))) {
                p += length;
            } else {
                break;
            }
        }
        out = QByteArrayView(s + from, p - from);
        return true;
    }

    // At "&": a character reference or one of the five predefined entities.
    bool reference() {
        const qsizetype from = p++;
        if (p < n && s[p] == '#') {
            ++p;
            const bool hex = p < n && s[p] == 'x';
            if (hex)
                ++p;
            char32_t value = 0;
            const qsizetype digits = p;
            while (p < n && p - digits < 9) {
                const char c = s[p];
                const int d = c >= '0' && c <= '9'          ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
                if (d < 0)
                    break;
                value = value * (hex ? 16 : 10) + char32_t(d);
                ++p;
            }
            if (p == digits || p >= n || s[p] != ';')
                return fail(from, QStringLiteral("malformed character reference"));
            ++p;
            if (!isValidChar(value))
                return fail(from, QStringLiteral("character reference to a character XML does "
                                                 "not allow"));
            return true;
        }
        QByteArrayView entity;
        if (!name(entity))
            return false;
        if (p >= n || s[p] != ';')
            return fail(p, QStringLiteral("expected ';' after an entity name"));
        ++p;
        if (entity != "lt" && entity != "gt" && entity != "amp" && entity != "apos" &&
            entity != "quot")
            return fail(from, QStringLiteral("entity '%1' is not declared")
                                  .arg(QString::fromUtf8(entity.data(), entity.size())));
        return true;
    }

    bool attributeValue(QByteArrayView& out) {
        if (p >= n || (s[p] != '"' && s[p] != '\''))
            return fail(p, QStringLiteral("expected a quoted value"));
        const char quote = s[p++];
        const qsizetype from = p;
        while (true) {
            while (p < n && s[p] != quote && !valueStop[byte(p)])
                ++p;
            if (p >= n)
                return fail(from - 1, QStringLiteral("value without its closing quote"));
            if (s[p] == quote)
                break;
            if (s[p] == '&') {
                if (!reference())
                    return false;
            } else {
                return fail(p, s[p] == '<' ? QStringLiteral("'<' in an attribute value")
                                           : QStringLiteral("a character XML does not allow"));
            }
        }
        out = QByteArrayView(s + from, p - from);
        ++p;
        return true;
    }

    // After "<": the name and the attributes, up to ">" or "/>".
    bool startTag(QByteArrayView& tagName, XmlAttributes& attributes, bool& empty) {
        if (!name(tagName))
            return false;
        attributes.clear();
        while (true) {
            const bool blank = skipBlanks();
            if (p >= n)
                return fail(p, QStringLiteral("start tag not closed"));
            if (s[p] == '>') {
                ++p;
                empty = false;
                return true;
            }
            if (s[p] == '/') {
                ++p;
                if (p >= n || s[p] != '>')
                    return fail(p, QStringLiteral("expected '>' after '/'"));
                ++p;
                empty = true;
                return true;
            }
            if (!blank)
                return fail(p, QStringLiteral("expected a blank before an attribute"));
            const qsizetype at = p;
            XmlAttributeSpan attribute;
            if (!name(attribute.name))
                return false;
            // The two prefixes every reader knows.
            if ((attribute.name == "xmlns" || attribute.name == "xml") && p < n && s[p] == ':') {
                ++p;
                QByteArrayView local;
                if (!name(local))
                    return false;
                attribute.name = QByteArrayView(s + at, p - at);
            }
            skipBlanks();
            if (!expect("=", "'=' after an attribute name"))
                return false;
            skipBlanks();
            if (!attributeValue(attribute.value))
                return false;
            for (const XmlAttributeSpan& other : attributes)
                if (other.name == attribute.name)
                    return fail(at, QStringLiteral("attribute '%1' given twice")
                                        .arg(QString::fromUtf8(attribute.name.data(),
                                                               attribute.name.size())));
            attributes.append(attribute);
        }
    }

    // Skips up to and past the terminator, checking the characters between.
    bool skipTo(const char* terminator, const QString& unclosed) {
        const qsizetype from = p;
        const char first = terminator[0];
        const std::size_t size = std::strlen(terminator);
        while (p < n) {
            const unsigned char b = byte(p);
            if (b == static_cast<unsigned char>(first) && std::size_t(n - p) >= size &&
                std::memcmp(s + p, terminator, size) == 0) {
                p += qsizetype(size);
                return true;
            }
            if (b < 0x20 && !isBlank(char(b)))
                return fail(p, QStringLiteral("a character XML does not allow"));
            ++p;
        }
        return fail(from, unclosed);
    }

    bool comment() {
        p += 4;
        if (!skipTo("--", QStringLiteral("comment not closed")))
            return false;
        if (p >= n || s[p] != '>')
            return fail(p - 2, QStringLiteral("'--' inside a comment"));
        ++p;
        return true;
    }

    bool processingInstruction() {
        p += 2;
        const qsizetype at = p;
        QByteArrayView target;
        if (!name(target))
            return false;
        // Targets beginning with "xml" are reserved; "xml" is the declaration.
        if (target.size() >= 3 && target.first(3).compare("xml", Qt::CaseInsensitive) == 0)
            return fail(at, QStringLiteral("XML declaration not at the start of the document"));
        if (startsWith("?>")) {
            p += 2;
            return true;
        }
        if (!skipBlanks())
            return fail(p, QStringLiteral("expected a blank after the target"));
        return skipTo("?>", QStringLiteral("processing instruction not closed"));
    }

    bool cdata() {
        p += 9;
        return skipTo("]]>", QStringLiteral("CDATA section not closed"));
    }

    bool quoted() {
        if (p >= n || (s[p] != '"' && s[p] != '\''))
            return fail(p, QStringLiteral("expected a quoted literal"));
        const char quote = s[p++];
        const char terminator[2] = {quote, 0};
        const qsizetype from = p;
        if (!skipTo(terminator, QStringLiteral("literal without its closing quote")))
            return false;
        // Stricter readers refuse "<" and "&" in a literal of the document type.
        for (qsizetype i = from; i < p; ++i)
            if (s[i] == '<' || s[i] == '&')
                return fail(i, QStringLiteral("'%1' in a literal").arg(QLatin1Char(s[i])));
        return true;
    }

    bool doctype() {
        p += 9;
        if (!skipBlanks())
            return fail(p, QStringLiteral("expected a blank after DOCTYPE"));
        QByteArrayView ignored;
        if (!name(ignored))
            return false;
        skipBlanks();
        if (startsWith("SYSTEM") || startsWith("PUBLIC")) {
            const bool isPublic = s[p] == 'P';
            p += 6;
            if (!skipBlanks() || !quoted())
                return fail(p, QStringLiteral("malformed external identifier"));
            if (isPublic && (!skipBlanks() || !quoted()))
                return fail(p, QStringLiteral("malformed external identifier"));
            skipBlanks();
        }
        if (p < n && s[p] == '[') {
            ++p;
            while (true) {
                skipBlanks();
                if (p >= n)
                    return fail(p, QStringLiteral("document type not closed"));
                if (s[p] == ']') {
                    ++p;
                    break;
                }
                if (startsWith("<!--")) {
                    if (!comment())
                        return false;
                } else if (startsWith("<?")) {
                    if (!processingInstruction())
                        return false;
                } else if (startsWith("<!ENTITY")) {
                    return fail(p, QStringLiteral("entity declarations are not supported"));
                } else if (startsWith("<!")) {
                    p += 2;
                    while (p < n && s[p] != '>') {
                        if (s[p] == '"' || s[p] == '\'') {
                            if (!quoted())
                                return false;
                        } else {
                            ++p;
                        }
                    }
                    if (!expect(">", "'>'"))
                        return false;
                } else if (s[p] == '%') {
                    ++p;
                    if (!name(ignored) || !expect(";", "';'"))
                        return false;
                } else {
                    return fail(p, QStringLiteral("unexpected text in the document type"));
                }
            }
            skipBlanks();
        }
        return expect(">", "'>' at the end of the document type");
    }

    // version="1.0", then optionally encoding and standalone, in that order.
    bool declaration() {
        p += 5;
        QByteArrayView encoding;
        const QByteArrayView order[] = {"version", "encoding", "standalone"};
        int next = 0;
        while (true) {
            const bool blank = skipBlanks();
            if (startsWith("?>")) {
                p += 2;
                break;
            }
            if (!blank)
                return fail(p, QStringLiteral("expected a blank in the XML declaration"));
            const qsizetype at = p;
            XmlAttributeSpan item;
            if (!name(item.name))
                return false;
            skipBlanks();
            if (!expect("=", "'='"))
                return false;
            skipBlanks();
            if (!attributeValue(item.value))
                return false;
            while (next < 3 && next > 0 && item.name != order[next])
                ++next;
            if (next >= 3 || item.name != order[next])
                return fail(at, QStringLiteral("unexpected item in the XML declaration"));
            const QByteArrayView value = item.value;
            const bool fit =
                next == 0 ? value == "1.0"
                : next == 2
                    ? value == "yes" || value == "no"
                    : !value.isEmpty() && std::all_of(value.begin(), value.end(), [](char c) {
                          return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                 (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
                      });
            if (!fit)
                return fail(at, QStringLiteral("unexpected value in the XML declaration"));
            if (next == 1)
                encoding = value;
            ++next;
        }
        if (next == 0)
            return fail(p, QStringLiteral("the XML declaration has no version"));
        return chooseEncoding(encoding);
    }

    bool chooseEncoding(QByteArrayView declared) {
        const QByteArray name = declared.toByteArray().toLower();
        const bool bom = doc.encoding == XmlEncoding::Utf8;
        if (declared.isEmpty())
            return true;
        if (name == "utf-8" || name == "utf8")
            doc.encoding = XmlEncoding::Utf8;
        else if (bom)
            return fail(0, QStringLiteral("a UTF-8 byte order mark in a file declared '%1'")
                               .arg(QString::fromLatin1(name)));
        else if (name == "windows-1252" || name == "cp1252")
            doc.encoding = XmlEncoding::EightBit;
        else if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii")
            doc.encoding = XmlEncoding::Latin1;
        else
            return fail(
                0, QStringLiteral("encoding '%1' is not supported").arg(QString::fromLatin1(name)));
        return true;
    }

    // Comments, processing instructions and blanks outside the root.
    bool misc(bool& done) {
        skipBlanks();
        done = false;
        if (startsWith("<!--"))
            return comment();
        if (startsWith("<?"))
            return processingInstruction();
        done = true;
        return true;
    }

    bool prolog() {
        if (n >= 3 && startsWith("\xEF\xBB\xBF")) {
            doc.encoding = XmlEncoding::Utf8;
            p = 3;
        }
        if (startsWith("<?xml") && n - p > 5 && isBlank(s[p + 5]) && !declaration())
            return false;
        if (doc.encoding == XmlEncoding::Utf8) {
            const qsizetype bad = invalidUtf8At(reinterpret_cast<const unsigned char*>(s), n);
            if (bad >= 0)
                return fail(bad, QStringLiteral("bytes that are not UTF-8"));
        }
        bool typeSeen = false;
        while (true) {
            bool done = false;
            if (!misc(done))
                return false;
            if (!done)
                continue;
            if (startsWith("<!DOCTYPE")) {
                if (typeSeen)
                    return fail(p, QStringLiteral("a second document type"));
                typeSeen = true;
                if (!doctype())
                    return false;
                continue;
            }
            if (p >= n)
                return fail(p, QStringLiteral("no root element"));
            if (s[p] != '<')
                return fail(p, QStringLiteral("text before the root element"));
            return true;
        }
    }

    void report(XmlChild::Kind kind, qsizetype begin, qsizetype end, QByteArrayView childName = {},
                const XmlAttributes* attributes = nullptr) {
        if (sink)
            sink(XmlChild{kind, begin, end, childName, attributes});
    }

    bool rootElement() {
        doc.rootBegin = p++;
        bool empty = false;
        if (!startTag(doc.rootName, scratch, empty))
            return false;
        doc.rootTagEnd = p - (empty ? 2 : 1);
        doc.rootEmpty = empty;
        if (empty) {
            doc.rootEndTag = doc.rootTagEnd;
            doc.rootEnd = p;
            return true;
        }
        QVarLengthArray<QByteArrayView, 32> open{doc.rootName};
        XmlAttributes childAttributes;
        QByteArrayView childName;
        qsizetype childBegin = 0;
        qsizetype textBegin = p;
        while (true) {
            while (p < n && !textStop[byte(p)])
                ++p;
            if (p >= n)
                return fail(p, QStringLiteral("element '%1' not closed")
                                   .arg(QString::fromUtf8(open.last().data(), open.last().size())));
            const char c = s[p];
            if (c == '&') {
                if (!reference())
                    return false;
                continue;
            }
            if (c == ']') {
                if (startsWith("]]>"))
                    return fail(p, QStringLiteral("']]>' in text"));
                ++p;
                continue;
            }
            if (c != '<')
                return fail(p, QStringLiteral("a character XML does not allow"));
            const qsizetype tag = p;
            const bool top = open.size() == 1;
            if (top && tag > textBegin)
                report(XmlChild::Text, textBegin, tag);
            if (startsWith("</")) {
                p += 2;
                QByteArrayView endName;
                if (!name(endName))
                    return false;
                skipBlanks();
                if (!expect(">", "'>' at the end of an end tag"))
                    return false;
                if (endName != open.last())
                    return fail(
                        tag, QStringLiteral("end tag '%1' does not match '%2'")
                                 .arg(QString::fromUtf8(endName.data(), endName.size()),
                                      QString::fromUtf8(open.last().data(), open.last().size())));
                open.removeLast();
                if (open.isEmpty()) {
                    doc.rootEndTag = tag;
                    doc.rootEnd = p;
                    return true;
                }
                if (open.size() == 1)
                    report(XmlChild::Element, childBegin, p, childName, &childAttributes);
            } else if (startsWith("<!--")) {
                if (!comment())
                    return false;
                if (top)
                    report(XmlChild::Comment, tag, p);
            } else if (startsWith("<![CDATA[")) {
                if (!cdata())
                    return false;
                if (top)
                    report(XmlChild::CData, tag, p);
            } else if (startsWith("<?")) {
                if (!processingInstruction())
                    return false;
                if (top)
                    report(XmlChild::ProcessingInstruction, tag, p);
            } else if (startsWith("<!")) {
                return fail(p, QStringLiteral("unexpected '<!'"));
            } else {
                ++p;
                QByteArrayView tagName;
                bool emptyTag = false;
                if (!startTag(tagName, top ? childAttributes : scratch, emptyTag))
                    return false;
                if (top) {
                    childBegin = tag;
                    childName = tagName;
                    if (emptyTag)
                        report(XmlChild::Element, tag, p, tagName, &childAttributes);
                }
                if (!emptyTag)
                    open.append(tagName);
            }
            if (open.size() == 1)
                textBegin = p;
        }
    }

    bool epilog() {
        while (true) {
            bool done = false;
            if (!misc(done))
                return false;
            if (done)
                return p >= n || fail(p, QStringLiteral("content after the root element"));
        }
    }

    const char* s;
    qsizetype n;
    qsizetype p = 0;
    XmlDocument& doc;
    const XmlChildSink& sink;
    XmlAttributes scratch;
};

void locate(QByteArrayView bytes, XmlEncoding encoding, XmlScanError& error) {
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < error.offset && i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++line;
            column = 1;
        } else if (c != '\r' && (encoding != XmlEncoding::Utf8 ||
                                 (static_cast<unsigned char>(c) & 0xC0) != 0x80)) {
            ++column;
        }
    }
    error.line = line;
    error.column = column;
}

} // namespace

bool scanXmlDocument(QByteArrayView bytes, XmlDocument& document, XmlScanError& error,
                     const XmlChildSink& child) {
    document = XmlDocument();
    Scanner scanner(bytes, document, child);
    if (scanner.run()) {
        error = XmlScanError();
        return true;
    }
    error.offset = scanner.failAt;
    error.message = scanner.why;
    locate(bytes, document.encoding, error);
    return false;
}

QString xmlDecode(QByteArrayView bytes, XmlEncoding encoding) {
    switch (encoding) {
    case XmlEncoding::Utf8:
        return QString::fromUtf8(bytes.data(), bytes.size());
    case XmlEncoding::Latin1:
        return QString::fromLatin1(bytes.data(), bytes.size());
    case XmlEncoding::EightBit:
        break;
    }
    return fromEightBit(bytes.data(), bytes.size());
}

QString xmlAttributeValue(QByteArrayView raw, XmlEncoding encoding) {
    bool plain = true;
    for (const char c : raw)
        if (c == '&' || c == '\t' || c == '\n' || c == '\r')
            plain = false;
    const QString text = xmlDecode(raw, encoding);
    if (plain)
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            continue; // CR LF is one line end, and so one blank
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            out += u' ';
            continue;
        }
        if (c != u'&') {
            out += c;
            continue;
        }
        const qsizetype semicolon = text.indexOf(u';', i);
        const QStringView entity = QStringView(text).mid(i + 1, semicolon - i - 1);
        i = semicolon;
        if (entity.startsWith(u'#')) {
            const bool hex = entity.startsWith(u"#x");
            const char32_t value = entity.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10);
            out += QString::fromUcs4(&value, 1);
        } else {
            out += entity == u"lt"     ? u'<'
                   : entity == u"gt"   ? u'>'
                   : entity == u"amp"  ? u'&'
                   : entity == u"apos" ? u'\''
                                       : u'"';
        }
    }
    return out;
}
