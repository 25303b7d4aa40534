// The "[Templates]" and "[Instances]" line readers on arbitrary text: what is
// written from a read line reads back to the same template. The file format
// writes the prefix between quotes without escaping, so a prefix holding a quote
// or an "=" (which ends the value) cannot come back; only its numbers and name
// are compared then. The instances placed by a read line's numbers get their
// offsets without overflow, whatever the numbers.
#include "core/device_template.h"
#include "core/shared_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const devTemplate read(line);
    const devTemplate again(templatesLine(read));
    if (again.name != read.name || again.baseSlot != read.baseSlot || again.offset != read.offset)
        std::abort();
    if (!read.prefix.contains('\'') && !read.prefix.contains('=') && again.prefix != read.prefix)
        std::abort();

    // The offsets of instances placed by the line's numbers, whatever they are.
    devTemplate placed = read;
    placed.instances = {"A", "B", "C"};
    const QVector<InstanceEntry> offsets = templateInstances("S_M", placed);
    if (offsets.size() != 3 || offsets[2].offset != read.baseSlot + 2 * qint64(read.offset))
        std::abort();

    devTemplate listed;
    listed.name = read.name;
    listed.instances = instancesFromValue(line);
    const QString written = instancesLine(listed);
    if (instancesFromValue(written.mid(written.indexOf('=') + 1)) != listed.instances)
        std::abort();
    return 0;
}
