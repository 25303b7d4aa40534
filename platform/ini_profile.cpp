#include "platform/ini_profile.h"

#include <QFile>

namespace {

constexpr int maxProfileValue = 255; // a 256-byte buffer with its terminating zero

QString unquoted(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

QString getPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue.left(maxProfileValue);

    bool inSection = false;
    while (!file.atEnd()) {
        // Latin-1 keeps every byte value of the 8-bit file.
        const QString line = QString::fromLatin1(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            const int close = line.indexOf(']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return unquoted(line.mid(eq + 1).trimmed()).left(maxProfileValue);
    }
    return defaultValue.left(maxProfileValue);
}
