#pragma once

// A small, fast XML reader for the files other tools share with us: it checks
// that a document is well-formed and reports the root element and each of the
// root's children with their exact byte spans, without building a tree, so that
// an edit can replace a few spans and copy every other byte. It reads the bytes
// of the encodings the shared files use (all ASCII-compatible, so the markup is
// ASCII); values are handed out raw and decoded by xmlAttributeValue().
//
// Not supported, reported as errors: entity declarations in the document type
// and encodings that are not ASCII-compatible (a file in them is never edited).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>

#include <functional>

enum class XmlEncoding {
    EightBit, // windows-1252 (declared so, or nothing declared)
    Utf8,     // declared UTF-8, or a UTF-8 byte order mark
    Latin1,   // ISO-8859-1 or US-ASCII declared: written back in ASCII with references
};

// Where a document stops being well-formed: the byte offset, the line and column
// (from 1, lines ended by LF, CR LF or CR) and what is wrong.
struct XmlScanError {
    qsizetype offset = -1;
    int line = 0;
    int column = 0;
    QString message;
    bool isError() const { return offset >= 0; }
};

struct XmlAttributeSpan {
    QByteArrayView name;
    QByteArrayView value; // between the quotes, as written
};
using XmlAttributes = QVarLengthArray<XmlAttributeSpan, 8>;

// One child of the root: [begin, end) in the bytes. An element spans from its
// start tag to the end of its end tag; its name and the attributes of its start
// tag are given. A text run holds character data and references.
struct XmlChild {
    enum Kind { Element, Text, Comment, ProcessingInstruction, CData };
    Kind kind = Text;
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArrayView name;
    const XmlAttributes* attributes = nullptr;
};

struct XmlDocument {
    XmlEncoding encoding = XmlEncoding::EightBit;
    QByteArrayView rootName;
    qsizetype rootBegin = 0;  // "<" of the root's start tag
    qsizetype rootTagEnd = 0; // the "/>" or ">" that ends the start tag
    bool rootEmpty = false;   // written "<r/>"
    qsizetype rootEndTag = 0; // "</" of the root's end tag (rootTagEnd when empty)
    qsizetype rootEnd = 0;    // after the root element
};

using XmlChildSink = std::function<void(const XmlChild&)>;

// Reads the whole document; calls child for each child of the root in order.
// False, with the error filled in, when the bytes are not a well-formed document.
bool scanXmlDocument(QByteArrayView bytes, XmlDocument& document, XmlScanError& error,
                     const XmlChildSink& child);

// The value of an attribute as an XML reader gives it: references resolved and
// blanks normalised. The raw value comes from a document that scanned well.
QString xmlAttributeValue(QByteArrayView raw, XmlEncoding encoding);

// The text of bytes in the document's encoding.
QString xmlDecode(QByteArrayView bytes, XmlEncoding encoding);
