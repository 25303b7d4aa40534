#pragma once

// Byte-for-byte comparison with a file under the suite's data folder, with the
// first differing line on failure. TOLV_UPDATE_GOLDEN=1 rewrites the file instead.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTest>

inline QByteArray readTestData(const QString& name) {
    QFile file(QStringLiteral(TOLV_TEST_DATA) + '/' + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("missing test data %s", qPrintable(name));
        return QByteArray();
    }
    return file.readAll();
}

inline bool matchesGolden(const QByteArray& actual, const QString& name) {
    const QString path = QStringLiteral(TOLV_TEST_DATA) + '/' + name;
    if (qEnvironmentVariableIntValue("TOLV_UPDATE_GOLDEN")) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(actual) == actual.size();
    }
    const QByteArray expected = readTestData(name);
    if (expected.isNull())
        return false;
    if (actual == expected)
        return true;
    const QList<QByteArray> a = actual.split('\n'), e = expected.split('\n');
    for (qsizetype i = 0; i < qMax(a.size(), e.size()); ++i) {
        const QByteArray got = i < a.size() ? a[i] : QByteArray("<none>");
        const QByteArray want = i < e.size() ? e[i] : QByteArray("<none>");
        if (got != want) {
            qWarning("%s differs at line %lld:\n  got:  %s\n  want: %s", qPrintable(name),
                     qlonglong(i + 1), got.toPercentEncoding(" <>=\"'/,_!-?.:").constData(),
                     want.toPercentEncoding(" <>=\"'/,_!-?.:").constData());
            break;
        }
    }
    return false;
}
