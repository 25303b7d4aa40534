#pragma once

#include "core/text_codec.h"

#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

// How an independent reader (Qt's, over the text its declaration names) sees a shared
// device file: its parse error, all outside the entries (element/key "type"/"id" or
// "instance"/"type") whose key is one of ids, and their ids. The fuzz targets use it too.
struct SharedFileView {
    QString error;
    QStringList foreign; // prolog, epilog, other children, the root's text without blanks
    QStringList ownIds;  // sorted
};

inline SharedFileView viewSharedFile(const QByteArray& bytes, const QString& element,
                                     const QString& key, const QSet<QString>& ids) {
    static const QRegularExpression utf8(R"((?i)^<\?xml[^>]*encoding\s*=\s*['"]utf-?8['"])");
    const QString text = bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes.mid(3))
                         : utf8.match(QString::fromLatin1(bytes.left(200))).hasMatch()
                             ? QString::fromUtf8(bytes)
                             : fromEightBit(bytes);
    SharedFileView view;
    QXmlStreamReader reader(text);
    qint64 previous = 0, begin = 0, rootBegin = -1, rootEnd = -1;
    int depth = 0;
    bool own = false;
    QString rootText;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        const qint64 end = reader.characterOffset();
        if (token == QXmlStreamReader::StartElement && ++depth <= 2) {
            begin = previous;
            rootBegin = depth == 1 ? previous : rootBegin;
            own = depth == 2 && reader.name() == element &&
                  ids.contains(reader.attributes().value(key).toString());
            if (own)
                view.ownIds.append(reader.attributes().value("id").toString());
        } else if (token == QXmlStreamReader::EndElement && depth-- == 2 && !own) {
            view.foreign.append(text.mid(begin, end - begin));
        } else if (token == QXmlStreamReader::EndElement && depth == 0) {
            rootEnd = end;
        } else if (depth == 1 && token != QXmlStreamReader::EndElement && !reader.isWhitespace()) {
            if (reader.isCharacters())
                rootText += reader.text().toString().remove(QRegularExpression("\\s"));
            else
                view.foreign.append(text.mid(previous, end - previous));
        }
        previous = end;
    }
    if (reader.hasError()) // then the rest tells nothing
        view.error = QString::number(reader.lineNumber()) + ':' +
                     QString::number(reader.columnNumber()) + ": " + reader.errorString();
    view.foreign.prepend(text.left(rootBegin));
    view.foreign << text.mid(rootEnd) << rootText;
    view.ownIds.sort();
    return view;
}
