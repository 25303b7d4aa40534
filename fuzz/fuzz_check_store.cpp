// The store checker on hostile store shapes. The input is a list of entries
// separated by NUL bytes, each a flag byte and bytes: the flag's high bits pick
// a place of a small store (or a new system folder named by the bytes), its low
// bits what lies there: a file holding the bytes, a FIFO, a link to a file or a
// folder outside the store, a link to itself, a link to /dev/zero, a sparse file
// over the size limit, or a link to another place inside the store.
// The checker must end (a FIFO would block it past the time limit), read
// nothing outside the store, keep each finding on one line of its text output,
// report every unusable shared file or system ini as an error, and never
// allocate for more than the limit (the run's memory limit would end it).
#include "tools/check/store_check.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const places[] = {
    "config/system/tolv_system.ini", "config/instances.xml",
    "config/devicetypes.xml",        "config/alarms/north/proc_def.cfg",
    "config/alarms/north/outputs",   "config/alarms/north/outputs/al_out_0001.cfg",
    "config/alarms/north",           "config/devicetypes/north_Pumps_pump.xml",
};
constexpr int placeCount = int(sizeof places / sizeof *places);
constexpr int sharedPlaces = 3; // the first ones: always read, so always reported

bool write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void makeStore(const QString& store) {
    write(store + "/config/system/tolv_system.ini", "[Status]\r\nDeviceInfodriverId=3\r\n");
    write(store + "/config/alarms/north/proc_def.cfg", "[P1_A]\r\n[M1]\r\n");
    write(store + "/config/alarms/north/outputs/al_out_0001.cfg",
          "[System]\r\nName=Pumps\r\nConfigTool=alm_tolv_output\r\n[TOLV_CONFIG]\r\nDriver=4\r\n"
          "[Templates]\r\npump=0,1,'P'\r\n[Instances]\r\npump=P1,\r\n[Process]\r\nM1=5\r\n"
          "P1_A=1\r\n");
    write(store + "/config/devicetypes/north_Pumps_pump.xml",
          "<?xml version=\"1.0\"?>\r\n<device_description name=\"north_Pumps_pump\">\r\n"
          "<param name=\"_A\" slot=\"1\"/>\r\n</device_description>");
    write(store + "/config/devicetypes.xml",
          "<devicetypes>\r\n<type id=\"north_Pumps\" family=\"alarms\"/>\r\n</devicetypes>\r\n");
    write(store + "/config/instances.xml", "<instances>\r\n</instances>\r\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir root;
    const QString store = root.filePath("store");
    const QString outside = root.filePath("outside");
    for (const QString& dir : {store, outside})
        QDir(dir).removeRecursively();
    // Outside: a file and a system folder whose names must never be reported.
    write(outside + "/file", "[System]\r\nName=SECRET\r\n[SECRET]\r\n<SECRET/>\r\n");
    write(outside + "/folder/proc_def.cfg", "[SECRET]\r\n");
    write(outside + "/folder/outputs/al_out_0001.cfg",
          "[System]\r\nName=SECRET\r\nConfigTool=alm_tolv_output\r\n[Process]\r\nSECRET=1\r\n");
    makeStore(store);

    bool unusable[sharedPlaces] = {};
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& entry : input.split('\0')) {
        if (entry.isEmpty() || entry.size() > 4096)
            continue;
        const int kind = entry[0] & 7;
        const int place = (uchar(entry[0]) >> 3) % (placeCount + 1);
        const QByteArray bytes = entry.mid(1);
        if (place == placeCount && (bytes.isEmpty() || bytes.contains('/') || bytes == "." ||
                                    bytes == ".." || bytes.size() > 200))
            continue;
        const QString path = store + '/' +
                             (place < placeCount ? QString::fromLatin1(places[place])
                                                 : "config/alarms/" + QFile::decodeName(bytes));
        const QByteArray at = QFile::encodeName(path);
        QDir(path).removeRecursively();
        QFile::remove(path);
        QDir().mkpath(path.section('/', 0, -2));
        bool made = false;
        switch (kind) {
        case 0:
            made = place < placeCount ? write(path, bytes) : QDir().mkdir(path);
            break;
        case 1:
            made = ::mkfifo(at.constData(), 0644) == 0;
            break;
        case 2:
        case 3:
            made = ::symlink(QFile::encodeName(outside + (kind == 2 ? "/file" : "/folder")),
                             at.constData()) == 0;
            break;
        case 4:
            made = ::symlink(QFile::encodeName(path.section('/', -1)).constData(),
                             at.constData()) == 0;
            break;
        case 5:
            made = ::symlink("/dev/zero", at.constData()) == 0;
            break;
        case 6:
            made = write(path, "[") && QFile(path).resize((qint64(3) << 30) + bytes.size());
            break;
        case 7:
            made = ::symlink(QFile::encodeName(store + '/' + places[bytes.size() % placeCount]),
                             at.constData()) == 0;
            break;
        }
        if (place < sharedPlaces)
            unusable[place] = made && kind != 0 && kind != 7;
    }

    CheckOptions options;
    options.storeDir = store;
    const CheckResult result = checkStore(options);
    if (!result.fatal.isEmpty())
        return 0;
    const CheckSummary summary = summarize(result.findings, result.systems, result.modules);
    const QString text = formatText(result.findings, summary);
    if (text.contains("SECRET") && !input.contains("SECRET"))
        std::abort();
    if (text.count('\n') != result.findings.size() + 1)
        std::abort();
    if ((unusable[0] || unusable[1] || unusable[2]) && summary.errors == 0)
        std::abort();
    return 0;
}
