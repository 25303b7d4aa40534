#include "bench/store_generator.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdio>

namespace BenchStore {

namespace {

// Bump when the generated content changes, so that cached stores are rebuilt.
constexpr int generatorVersion = 1;
const char* const stampFile = "bench-store.txt";
const char* const pluginName = "alm_tolv_output";

struct Kind {
    const char* prefix; // instance names: prefix + six digits
    const char* name;   // the template of this kind
    const char* word;   // in the descriptions
};

constexpr std::array<Kind, 10> kinds = {{{"PMP", "pump", "Pump"},
                                         {"FAN", "fan", "Fan"},
                                         {"VLV", "valve", "Valve"},
                                         {"CMP", "compressor", "Compressor"},
                                         {"TNK", "tank", "Tank"},
                                         {"BLR", "boiler", "Boiler"},
                                         {"CNV", "conveyor", "Conveyor"},
                                         {"MTR", "motor", "Motor"},
                                         {"HTR", "heater", "Heater"},
                                         {"CHL", "chiller", "Chiller"}}};

constexpr int parameterCount = 20;

// Equipment kinds follow no order in the file, so that no sort finds it sorted.
int kindOf(int equipment) {
    quint32 x = quint32(equipment) * 2654435761u;
    x ^= x >> 15;
    return int(x % kinds.size());
}

QByteArray instanceName(int equipment) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%06d", kinds[std::size_t(kindOf(equipment))].prefix,
                  equipment);
    return buffer;
}

QByteArray number(qint64 value) {
    return QByteArray::number(value);
}

// Group of each equipment: runs of 1 to 10 instances (20 to 200 processes), named
// so that the name order differs from the file order.
std::vector<int> equipmentGroups(int equipments) {
    std::vector<int> groups(std::size_t(std::max(equipments, 0)));
    quint32 seed = 12345;
    int group = 0;
    for (int e = 0; e < equipments;) {
        seed = seed * 1103515245u + 12345u;
        const int run = 1 + int((seed >> 16) % 10);
        for (int i = 0; i < run && e < equipments; ++i, ++e)
            groups[std::size_t(e)] = group;
        ++group;
    }
    return groups;
}

QByteArray groupName(int group) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "AREA_%05d", int((qint64(group) * 7919) % 99991));
    return buffer;
}

bool writeFile(const QString& path, const QByteArray& content, QString* error) {
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void line(QByteArray& out, const QByteArray& text) {
    out += text;
    out += "\r\n";
}

QByteArray moduleHeader(const QByteArray& name, const QByteArray& tool, int driver) {
    QByteArray out;
    line(out, "[System]");
    line(out, "Name=" + name);
    line(out, "ConfigTool=" + tool);
    line(out, "Module=alm_tolv_op");
    line(out, "AlmSystem=" + systemName.toLatin1());
    line(out, "[TOLV_CONFIG]");
    line(out, "Driver=" + number(driver));
    return out;
}

QByteArray paramLines(const QByteArray& name, int slot) {
    return "\t<param name=\"" + name + "\" slot=\"" + number(slot) +
           "\" class=\"enum\" style=\"popup_list\" access=\"readwrite\" "
           "template=\"alarmButton\">\n\t</param>\n";
}

QByteArray devDesc(const QByteArray& typeId,
                   const std::vector<std::pair<QByteArray, int>>& params) {
    QByteArray out = "<?xml version=\"1.0\"?>\n<!DOCTYPE device_description SYSTEM "
                     "\"device_description.dtd\">\n<device_description name=\"" +
                     typeId + "\">\n";
    for (const auto& [name, slot] : params)
        out += paramLines(name, slot);
    out += "</device_description>";
    return out;
}

QByteArray typeLine(const QByteArray& id) {
    return "\t<type id=\"" + id + "\" family=\"alarms\" composite=\"no\"/>";
}

QByteArray instanceLine(const QByteArray& id, const QByteArray& type, int driver, int offset) {
    return "\t<instance id=\"" + id + "\" type=\"" + type +
           "\" composite=\"no\" ref=\"device=" + number(driver) + ",offset=" + number(offset) +
           "\"/>";
}

QByteArray stamp(const StoreShape& shape) {
    return QStringLiteral("generator %1 processes %2 modules %3 slots %4 instances %5 shared %6\n")
        .arg(generatorVersion)
        .arg(shape.processes)
        .arg(shape.modules)
        .arg(shape.slotsPerModule)
        .arg(shape.templateInstances)
        .arg(shape.sharedLines)
        .toLatin1();
}

struct TemplateShape {
    int kind;
    std::vector<int> instances; // equipment numbers
};

// One template per kind, each with its share of the instances, taken from the
// equipment of that kind that has all its parameters.
std::vector<TemplateShape> templatesOf(const StoreShape& shape) {
    const int complete = shape.processes / parameterCount;
    const int perKind = shape.templateInstances / int(kinds.size());
    std::vector<TemplateShape> templates;
    for (int k = 0; k < int(kinds.size()); ++k)
        templates.push_back({k, {}});
    for (int e = 0; e < complete; ++e) {
        auto& t = templates[std::size_t(kindOf(e))];
        if (int(t.instances.size()) < perKind)
            t.instances.push_back(e);
    }
    return templates;
}

} // namespace

const QStringList& parameters() {
    static const QStringList names = {
        "_RUN",     "_TRIP",     "_AUTO",     "_MAN",      "_FAIL",      "_FAULT",    "_HI_TEMP",
        "_LO_TEMP", "_HI_PRESS", "_LO_PRESS", "_OVERLOAD", "_VIBRATION", "_LEAK",     "_DOOR",
        "_ESTOP",   "_COMMS",    "_POWER",    "_MAINT",    "_STANDBY",   "_INTERLOCK"};
    return names;
}

QString processName(int i) {
    return QString::fromLatin1(instanceName(i / parameterCount)) +
           parameters().at(i % parameterCount);
}

QStringList processGroups(int processes) {
    const std::vector<int> groups =
        equipmentGroups((processes + parameterCount - 1) / parameterCount);
    QStringList out;
    out.reserve(processes);
    for (int i = 0; i < processes; ++i)
        out.append(QString::fromLatin1(groupName(groups[std::size_t(i / parameterCount)])));
    return out;
}

bool isCurrent(const QString& dir, const StoreShape& shape) {
    QFile file(dir + '/' + stampFile);
    return file.open(QIODevice::ReadOnly) && file.readAll() == stamp(shape);
}

bool generate(const QString& dir, const StoreShape& shape, QString* error) {
    QDir(dir).removeRecursively();
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    const QString config = dir + "/config";
    const QByteArray system = systemName.toLatin1();
    const int equipments = (shape.processes + parameterCount - 1) / parameterCount;
    const std::vector<int> groups = equipmentGroups(equipments);
    QStringList paramNames = parameters();

    // Process definitions: six lines per process.
    {
        QByteArray out;
        out.reserve(qsizetype(shape.processes) * 140);
        for (int i = 0; i < shape.processes; ++i) {
            const int e = i / parameterCount;
            const QByteArray instance = instanceName(e);
            const QByteArray param = paramNames.at(i % parameterCount).toLatin1();
            line(out, '[' + instance + param + ']');
            line(out, "Description=" + QByteArray(kinds[std::size_t(kindOf(e))].word) + ' ' +
                          instance + ' ' + param.mid(1).toLower().replace('_', ' '));
            line(out, "Group=" + groupName(groups[std::size_t(e)]));
            line(out, "Area=Plant " + number(groups[std::size_t(e)] % 40 + 1));
            line(out, "Priority=" + number(1 + i % 4));
            line(out, "Number=" + number(i + 1));
        }
        if (!writeFile(config + "/alarms/bench/proc_def.cfg", out, error))
            return false;
    }

    if (!writeFile(config + "/system/tolv_system.ini",
                   "[General]\r\nSite=Benchmark works\r\n[Status]\r\nDeviceInfodriverId=5\r\n",
                   error))
        return false;

    const QString outputs = config + "/alarms/bench/outputs/";
    const int n = shape.processes;
    const int stride = std::max(1, n / std::max(shape.slotsPerModule, 1));
    const int slotCount = std::min(shape.slotsPerModule, n);

    // The module with every slot given by hand, and its device description.
    {
        QByteArray out = moduleHeader(slotsModule.toLatin1(), pluginName, 1);
        std::vector<std::pair<QByteArray, int>> params;
        line(out, "[Process]");
        for (int j = 0; j < slotCount; ++j) {
            const QByteArray name = processName(j * stride % n).toLatin1();
            line(out, name + '=' + number(j + 1));
            params.emplace_back(name, j + 1);
        }
        if (!writeFile(outputs + slotsFile, out, error) ||
            !writeFile(config + "/devicetypes/" + systemName + '_' + slotsModule + ".xml",
                       devDesc(system + '_' + slotsModule.toLatin1(), params), error))
            return false;
    }

    // The module of templates: one per kind, instance k of a template at offset
    // 20 * k, so that its parameters sit at slots 20 * k + 1 .. 20 * k + 20.
    const std::vector<TemplateShape> templates = templatesOf(shape);
    const QByteArray templatesType = system + '_' + templatesModule.toLatin1();
    {
        QByteArray out = moduleHeader(templatesModule.toLatin1(), pluginName, 2);
        line(out, "[Templates]");
        for (const TemplateShape& t : templates)
            line(out, QByteArray(kinds[std::size_t(t.kind)].name) + "=0," + number(parameterCount) +
                          ",'" + kinds[std::size_t(t.kind)].prefix + "'");
        line(out, "[Instances]");
        for (const TemplateShape& t : templates) {
            QByteArray entry = QByteArray(kinds[std::size_t(t.kind)].name) + '=';
            for (int e : t.instances)
                entry += instanceName(e) + ',';
            if (t.instances.empty())
                entry += ',';
            line(out, entry);
        }
        line(out, "[Process]");
        for (const TemplateShape& t : templates)
            for (std::size_t k = 0; k < t.instances.size(); ++k)
                for (int p = 0; p < parameterCount; ++p)
                    line(out, instanceName(t.instances[k]) + paramNames.at(p).toLatin1() + '=' +
                                  number(int(k) * parameterCount + p + 1));
        if (!writeFile(outputs + templatesFile, out, error) ||
            !writeFile(config + "/devicetypes/" + QString::fromLatin1(templatesType) + ".xml",
                       devDesc(templatesType, {}), error))
            return false;
        for (const TemplateShape& t : templates) {
            std::vector<std::pair<QByteArray, int>> params;
            for (int p = 0; p < parameterCount; ++p)
                params.emplace_back(paramNames.at(p).toLatin1(), p + 1);
            const QByteArray type = templatesType + '_' + kinds[std::size_t(t.kind)].name;
            if (!writeFile(config + "/devicetypes/" + QString::fromLatin1(type) + ".xml",
                           devDesc(type, params), error))
                return false;
        }
    }

    // The other modules of the system: every slot given; every 25th belongs to
    // another output tool.
    for (int m = 3; m <= shape.modules; ++m) {
        const char* tool = m % 25 == 0 ? "alm_modbus_output" : pluginName;
        char name[32];
        std::snprintf(name, sizeof name, "Module%04d", m);
        QByteArray out = moduleHeader(name, tool, m % 1000);
        out.reserve(qsizetype(slotCount) * 24);
        line(out, "[Process]");
        for (int j = 0; j < slotCount; ++j)
            line(out, processName((m + j * stride) % n).toLatin1() + '=' + number(j + 1));
        char file[32];
        std::snprintf(file, sizeof file, "al_out_%04d.cfg", m);
        if (!writeFile(outputs + file, out, error))
            return false;
    }

    // The shared files: the lines of other systems' modules, this system's
    // entries in the middle.
    {
        QByteArray types = "<?xml version = '1.0' encoding='windows-1252' ?>\r\n"
                           "<!DOCTYPE devicetypes SYSTEM \"devicetypes.dtd\">\r\n<devicetypes>\r\n";
        QByteArray instances = "<?xml version = '1.0' encoding='windows-1252' ?>\r\n"
                               "<!DOCTYPE instances SYSTEM \"instances.dtd\">\r\n<instances>\r\n";
        types.reserve(qsizetype(shape.sharedLines) * 70);
        instances.reserve(qsizetype(shape.sharedLines) * 120);
        auto others = [&](int from, int to) {
            char module[40];
            for (int i = from; i < to; ++i) {
                // 20 lines of instances per module type, one type line per template.
                const int moduleNumber = i / 20;
                std::snprintf(module, sizeof module, "site%02d_Module%04d", moduleNumber % 97,
                              moduleNumber);
                const QByteArray base(module);
                const QByteArray type =
                    i % 20 == 0 ? base : base + '_' + kinds[std::size_t(i % 10)].name;
                line(types, typeLine(type + (i % 20 == 0 ? "" : "_" + number(i))));
                line(instances,
                     instanceLine(base + "_I" + number(i), type, moduleNumber % 1000, i % 20 * 20));
            }
        };
        others(0, shape.sharedLines / 2);
        line(types, typeLine(system + '_' + slotsModule.toLatin1()));
        line(instances, instanceLine(system + '_' + slotsModule.toLatin1(),
                                     system + '_' + slotsModule.toLatin1(), 1, 0));
        line(types, typeLine(templatesType));
        line(instances, instanceLine(templatesType, templatesType, 2, 0));
        for (const TemplateShape& t : templates) {
            const QByteArray type = templatesType + '_' + kinds[std::size_t(t.kind)].name;
            line(types, typeLine(type));
            for (std::size_t k = 0; k < t.instances.size(); ++k)
                line(instances, instanceLine(templatesType + '_' + instanceName(t.instances[k]),
                                             type, 2, int(k) * parameterCount));
        }
        others(shape.sharedLines / 2, shape.sharedLines);
        line(types, "</devicetypes>");
        line(instances, "</instances>");
        if (!writeFile(config + "/devicetypes.xml", types, error) ||
            !writeFile(config + "/instances.xml", instances, error))
            return false;
    }

    return writeFile(dir + '/' + stampFile, stamp(shape), error);
}

} // namespace BenchStore
