#include "core/device_template.h"

#include "core/slot_rules.h"

devTemplate::devTemplate(const QString& entry) {
    const qsizetype equals = entry.indexOf('=');
    if (equals < 0) {
        name = entry;
        return;
    }
    name = entry.left(equals);
    // A second "=" ends the value.
    const qsizetype end = entry.indexOf('=', equals + 1);
    const QString value = entry.mid(equals + 1, end < 0 ? -1 : end - equals - 1);

    // The prefix is everything from the third field on, commas included.
    const qsizetype firstComma = value.indexOf(',');
    const qsizetype secondComma = firstComma < 0 ? -1 : value.indexOf(',', firstComma + 1);
    if (secondComma >= 0) {
        prefix = value.mid(secondComma + 1);
        if (prefix.startsWith('\'') && prefix.endsWith('\'')) {
            const qsizetype close = prefix.indexOf('\'', 1);
            prefix = close < 0 ? QString() : prefix.mid(1, close - 1);
        }
    }
    baseSlot = slotNumber(value.section(',', 0, 0));
    offset = slotNumber(value.section(',', 1, 1));
}

QString templatesLine(const devTemplate& entry) {
    return entry.name + '=' + QString::number(entry.baseSlot) + ',' +
           QString::number(entry.offset) + ",'" + entry.prefix + '\'';
}

QString instancesLine(const devTemplate& entry) {
    QString line = entry.name + '=';
    for (const QString& instance : entry.instances)
        line += instance + ',';
    if (entry.instances.isEmpty())
        line += ',';
    return line;
}

QStringList instancesFromValue(const QString& value) {
    return value.split(',', Qt::SkipEmptyParts);
}
