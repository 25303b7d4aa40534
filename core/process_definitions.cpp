// Reader of an alarm system's process definitions.
#include "core/process_definitions.h"
#include "core/profile_lines.h"
#include "core/text_codec.h"

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
    // Lines as the profile service cuts them; only headers and "Group" lines are
    // decoded (with the one 8-bit mapping of the runtime's files, so that a name
    // read here equals the same bytes in a module file). A system holds up to a
    // million processes of several lines each: the other lines stay bytes.
    ProfileLineReader lines(content);
    QByteArrayView line;
    while (lines.next(line)) {
        ++lineNumber;
        const qsizetype length = line.size();
        if (length >= 2 && line.front() == '[' && line.back() == ']') {
            flush();
            name = fromEightBit(line.data() + 1, length - 2);
            group.clear();
            header = lineNumber;
            continue;
        }
        // The text before the first "=" (the whole line when there is none) must be
        // "Group"; the bytes of ASCII characters are their own.
        if (!line.startsWith("Group") || (length > 5 && line[5] != '='))
            continue;
        if (length == 5) {
            group.clear();
            continue;
        }
        const QByteArrayView value = line.sliced(6);
        const qsizetype stop = value.indexOf('=');
        group = fromEightBit(value.data(), stop < 0 ? value.size() : stop);
    }
    flush();
    return processes;
}
