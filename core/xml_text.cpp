#include "core/xml_text.h"

#include "core/text_codec.h"

namespace {

// The reference for a character that must not appear raw in an attribute value,
// or nullptr.
const char* reference(char32_t c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\t':
        return "&#9;";
    case '\n':
        return "&#10;";
    case '\r':
        return "&#13;";
    default:
        return nullptr;
    }
}

bool needsEscape(const QString& value, bool eightBit) {
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (reference(u) || (eightBit && u >= 0x80 && toEightBit(QString(c)) == "?"))
            return true;
    }
    return false;
}

QString escape(const QString& value, bool eightBit) {
    if (!needsEscape(value, eightBit))
        return value;
    QString out;
    out.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        char32_t c = value.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < value.size() && value.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), value.at(++i).unicode());
        if (const char* ref = reference(c)) {
            out += QLatin1String(ref);
        } else if (eightBit && c >= 0x80 &&
                   (c > 0xFFFF || toEightBit(QString(QChar(char16_t(c)))) == "?")) {
            out += QStringLiteral("&#%1;").arg(uint(c));
        } else {
            out += QString::fromUcs4(&c, 1);
        }
    }
    return out;
}

} // namespace

QString xmlAttributeText(const QString& value) {
    return escape(value, false);
}

QString xmlAttributeTextEightBit(const QString& value) {
    return escape(value, true);
}
