// Reader of an alarm system's process definitions.
#include "core/process_definitions.h"
#include "core/text_codec.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

QVector<ProcessDefinition> parseProcessDefinitions(const QByteArray& content) {
    QVector<ProcessDefinition> processes;
    QString name;
    QString group;
    int header = 0;
    int lineNumber = 0;
    auto flush = [&] {
        if (!name.isEmpty())
            processes.append({name, group, header});
    };
    // Lines split at LF and stripped of ASCII blanks, as eightBitLines() gives
    // them; only headers and "Group" lines are decoded (with the one 8-bit mapping
    // of the runtime's files, so that a name read here equals the same bytes in a
    // module file). A system holds up to 100,000 processes of several lines each:
    // the other lines are passed over as bytes.
    const char* data = content.constData();
    const qsizetype size = content.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = content.indexOf('\n', start);
        const qsizetype next = end < 0 ? size : end + 1;
        if (end < 0)
            end = size;
        ++lineNumber;
        while (start < end && isBlank(data[start]))
            ++start;
        while (end > start && isBlank(data[end - 1]))
            --end;
        const char* line = data + start;
        const qsizetype length = end - start;
        start = next;
        if (length >= 2 && line[0] == '[' && line[length - 1] == ']') {
            flush();
            name = fromEightBit(line + 1, length - 2);
            group.clear();
            header = lineNumber;
            continue;
        }
        // The text before the first "=" (the whole line when there is none) must be
        // "Group"; the bytes of ASCII characters are their own.
        if (length < 5 || qstrncmp(line, "Group", 5) != 0 || (length > 5 && line[5] != '='))
            continue;
        if (length == 5) {
            group.clear();
            continue;
        }
        const char* value = line + 6;
        const char* stop = static_cast<const char*>(memchr(value, '=', size_t(length - 6)));
        group = fromEightBit(value, stop ? stop - value : length - 6);
    }
    flush();
    return processes;
}
