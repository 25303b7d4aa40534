#include "core/documents.h"

#include "core/ini_profile.h"

#include <QtDebug>

#include <algorithm>
#include <climits>

QString documentsRoot;

Document_TolvSystem::Document_TolvSystem() : Document(QStringLiteral("system/tolv_system.ini")) {}

bool Document_TolvSystem::load() {
    const QString fileName = documentsRoot + "/config/" + path;
    const QString text = getPrivateProfileString("Status", "DeviceInfodriverId", "-1", fileName);
    const int id = atoiLike(text);
    if (id == -1) {
        qDebug("Failed to read Device Status ID");
        return false;
    }
    deviceInfodriverId_ = id;
    return true;
}

int atoiLike(const QString& text) {
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 0x80000000LL)
            value = 0x80000000LL; // saturate instead of overflowing
    }
    if (negative)
        value = -value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}
