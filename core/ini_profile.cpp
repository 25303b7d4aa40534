#include "core/ini_profile.h"
#include "core/profile_lines.h"
#include "core/text_codec.h"

#include <QFile>

namespace {

constexpr int maxProfileValue = 255; // a 256-byte buffer with its terminating zero

// Only ASCII blanks count: QString::trimmed() would also strip U+00A0, which is
// the ordinary byte 0xA0 of an 8-bit file.
QString trimmedBlanks(const QString& text) {
    auto blank = [](QChar c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    int begin = 0;
    int end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QString unquoted(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

ProfileEntry findProfileEntry(const QString& section, const QString& key,
                              const QByteArray& content) {
    ProfileLineReader reader(content);
    bool inSection = false;
    int lineNumber = 0;
    for (QByteArrayView bytes; reader.next(bytes);) {
        ++lineNumber;
        // The one 8-bit mapping of the runtime's files: the Name of a module file
        // reads the same here as in the module reader.
        const QString line = fromEightBit(bytes.data(), bytes.size());
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            const QString name = trimmedBlanks(line.mid(1, close < 0 ? -1 : close - 1));
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        if (trimmedBlanks(line.left(eq)).compare(key, Qt::CaseInsensitive) == 0)
            return {true, profileValue(line.mid(eq + 1)), lineNumber};
    }
    return {};
}

ProfileEntry findPrivateProfileEntry(const QString& section, const QString& key,
                                     const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return findProfileEntry(section, key, file.readAll());
}

QString getPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName) {
    const ProfileEntry entry = findPrivateProfileEntry(section, key, fileName);
    return entry.found ? entry.value : defaultValue.left(maxProfileValue);
}

QString profileValue(const QString& text) {
    return unquoted(trimmedBlanks(text)).left(maxProfileValue);
}
