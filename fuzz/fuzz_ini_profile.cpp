// The INI profile reader on arbitrary file content: the value never exceeds the
// reader's buffer, and a key it finds reads the same twice.
#include "core/ini_profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath("fuzz.ini");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    for (const char* key : {"DeviceInfodriverId", "ConfigTool", "Name"}) {
        const QString value = getPrivateProfileString("Status", key, "dflt", path);
        if (value.size() > 255 || value != getPrivateProfileString("Status", key, "dflt", path))
            std::abort();
        getPrivateProfileString("System", key, QString(), path);
    }
    return 0;
}
