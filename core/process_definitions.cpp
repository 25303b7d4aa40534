// Reader of an alarm system's process definitions.
#include "core/process_definitions.h"
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
    // The one 8-bit mapping of the runtime's files, so that a name read here
    // equals the same bytes in a module file.
    for (const QString& line : eightBitLines(content)) {
        ++lineNumber;
        if (line.startsWith('[') && line.endsWith(']')) {
            flush();
            name = line.mid(1, line.size() - 2);
            group.clear();
            header = lineNumber;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if ((eq < 0 ? line : line.left(eq)) != QLatin1String("Group"))
            continue;
        if (eq < 0) {
            group.clear();
        } else {
            const qsizetype next = line.indexOf('=', eq + 1);
            group = line.mid(eq + 1, next < 0 ? -1 : next - eq - 1);
        }
    }
    flush();
    return processes;
}
