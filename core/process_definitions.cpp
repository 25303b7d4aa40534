// Reader of an alarm system's process definitions.
#include "core/process_definitions.h"

QVector<ProcessDefinition> parseProcessDefinitions(const QByteArray& content) {
    QVector<ProcessDefinition> processes;
    QString name;
    QString group;
    auto flush = [&] {
        if (!name.isEmpty())
            processes.append({name, group});
    };
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        // Latin-1 keeps every byte of the 8-bit file.
        const QString line =
            QString::fromLatin1(content.constData() + start, end - start).trimmed();
        start = end + 1;
        if (line.startsWith('[') && line.endsWith(']')) {
            flush();
            name = line.mid(1, line.size() - 2);
            group.clear();
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
