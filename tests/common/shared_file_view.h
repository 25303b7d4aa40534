#pragma once

// A shared device file as a second, independent reader sees it (Qt's stream
// reader over the text decoded by the file's declaration): whether it parses,
// the text of everything outside the root's entries that belong to the given
// ids (prolog, epilog, every other child, the root's text without blanks), and
// the ids of the entries that do. Used to judge the rewrites by what they must keep.

#include "core/text_codec.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QXmlStreamReader>

struct SharedFileView {
    QString error;
    QStringList foreign;
    QStringList ownIds; // sorted
};

inline QString decodedSharedFile(const QByteArray& bytes) {
    static const QRegularExpression declared(
        QStringLiteral("^(\\xEF\\xBB\\xBF)?<\\?xml[^>]*encoding\\s*=\\s*['\"]utf-?8['\"]"),
        QRegularExpression::CaseInsensitiveOption);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (declared.match(QString::fromLatin1(bytes.left(200))).hasMatch())
        return QString::fromUtf8(bytes);
    return fromEightBit(bytes);
}

// element/key: "type"/"id" or "instance"/"type"; ids: the key values that make
// an entry the module's.
inline SharedFileView viewSharedFile(const QByteArray& bytes, const QString& element,
                                     const QString& key, const QSet<QString>& ids) {
    SharedFileView view;
    const QString text = decodedSharedFile(bytes);
    QXmlStreamReader reader(text);
    qint64 previous = 0, begin = 0, rootBegin = -1, rootEnd = -1;
    int depth = 0;
    bool own = false;
    QString rootText; // the root's own text, blanks left out
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        const qint64 end = reader.characterOffset();
        if (token == QXmlStreamReader::StartElement && ++depth <= 2) {
            begin = previous;
            if (depth == 1)
                rootBegin = previous;
            own = depth == 2 && reader.name() == element &&
                  ids.contains(reader.attributes().value(key).toString());
            if (own)
                view.ownIds.append(reader.attributes().value("id").toString());
        } else if (token == QXmlStreamReader::EndElement && depth-- == 2 && !own) {
            view.foreign.append(text.mid(begin, end - begin));
        } else if (token == QXmlStreamReader::EndElement && depth == 0) {
            rootEnd = end;
        } else if (depth == 1 && token != QXmlStreamReader::EndElement &&
                   (!reader.isWhitespace() || !reader.isCharacters())) {
            const QString child = text.mid(previous, end - previous);
            if (reader.isCharacters())
                rootText += reader.text().toString().remove(QRegularExpression("\\s"));
            else
                view.foreign.append(child);
        }
        previous = end;
    }
    if (reader.hasError()) {
        view.error = QStringLiteral("%1:%2: %3")
                         .arg(reader.lineNumber())
                         .arg(reader.columnNumber())
                         .arg(reader.errorString());
        return view;
    }
    view.foreign.prepend(text.left(rootBegin));
    view.foreign.append(text.mid(rootEnd));
    view.foreign.append(rootText);
    view.ownIds.sort();
    return view;
}
