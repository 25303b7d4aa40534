// The device description reader on arbitrary bytes: what it reads, written as a
// file and read again, gives the same parameters.
#include "core/device_description.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString typeId = QStringLiteral("north_Pumps_pump");
    const DevDescReadResult read = readDeviceDescription(bytes, typeId);
    if (!read.ok())
        return 0;
    QVector<DevDescParam> params;
    for (auto it = read.params.cbegin(); it != read.params.cend(); ++it)
        params.append({it.key(), QString::number(it.value())});
    const DevDescReadResult again =
        readDeviceDescription(deviceDescriptionBytes(typeId, params), typeId);
    if (!again.ok() || again.params != read.params)
        std::abort();
    return 0;
}
