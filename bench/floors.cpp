#include "bench/floors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Floor {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

qint64 split(const QByteArray& bytes) {
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qint64 fields = 0;
    qsizetype start = 0;
    while (start < size) {
        const char* newline =
            static_cast<const char*>(std::memchr(data + start, '\n', std::size_t(size - start)));
        qsizetype end = newline ? newline - data : size;
        qsizetype from = start;
        qsizetype to = end;
        while (from < to && isBlank(data[from]))
            ++from;
        while (to > from && isBlank(data[to - 1]))
            --to;
        const void* equals = std::memchr(data + from, '=', std::size_t(to - from));
        fields += equals ? 2 : 1;
        fields += to - from;
        start = end + 1;
    }
    return fields;
}

qint64 readAndSplit(const QStringList& paths) {
    qint64 total = 0;
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            total += split(file.readAll());
    }
    return total;
}

qint64 readHeads(const QStringList& paths) {
    qint64 total = 0;
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            total += split(file.read(512));
    }
    return total;
}

qint64 listAndStat(const QString& folder) {
    qint64 total = 0;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        total += QFileInfo(dir.filePath(name)).lastModified().toMSecsSinceEpoch() & 1;
    return total;
}

bool writeReplacing(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + ".floor";
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return std::rename(QFile::encodeName(temporary).constData(),
                       QFile::encodeName(path).constData()) == 0;
}

void sortByText(std::vector<SortKey>& keys) {
    std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
        const int byText = QString::localeAwareCompare(a.text, b.text);
        return byText != 0 ? byText < 0 : a.slot < b.slot;
    });
}

void sortBySlot(std::vector<int>& values) {
    std::sort(values.begin(), values.end());
}

} // namespace Floor
