#include "core/profile_lines.h"
#include "core/text_codec.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

ProfileLineReader::ProfileLineReader(QByteArrayView content) : text(content) {
    if (text.startsWith("\xEF\xBB\xBF"))
        pos = 3;
}

bool ProfileLineReader::next(QByteArrayView& line) {
    const qsizetype size = text.size();
    if (pos >= size)
        return false;
    const char* data = text.data();
    qsizetype end = pos;
    while (end < size && data[end] != '\n' && data[end] != '\r')
        ++end;
    qsizetype start = pos;
    pos = end + (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
    while (start < end && isBlank(data[start]))
        ++start;
    while (end > start && isBlank(data[end - 1]))
        --end;
    line = QByteArrayView(data + start, end - start);
    return true;
}

QStringList profileLines(const QByteArray& content) {
    QStringList lines;
    ProfileLineReader reader(content);
    for (QByteArrayView line; reader.next(line);)
        lines.append(fromEightBit(line.data(), line.size()));
    return lines;
}
