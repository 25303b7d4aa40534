// The module file reader on arbitrary bytes, and the writer on what it read: a
// file written from a read file reads back to the same processes and driver.
#include "core/module_file.h"
#include "core/slot_rules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ModuleFileContent content = parseModuleFile(bytes);

    ModuleFileData out;
    out.name = content.name.value_or(QString());
    out.dbModule = content.dbModule.value_or(false);
    out.driver = QString::number(content.driver.value_or(0));
    for (auto it = content.processes.cbegin(); it != content.processes.cend(); ++it)
        out.processes.append({it.key(), it.value()});
    const ModuleFileContent again = parseModuleFile(formatModuleFile(out));
    if (again.driver.value_or(0) != content.driver.value_or(0))
        std::abort();
    // Every process written comes back with its slot text (names that hold "=" or
    // line breaks cannot be written as a key and are not compared).
    for (const ModuleProcess& process : out.processes) {
        if (process.name.contains('=') || process.name.contains('\n') ||
            process.name.contains('\r') || process.name.trimmed() != process.name)
            continue;
        if (!isValidSlotText(process.slot, out.maxSlot) || process.slot.trimmed() != process.slot)
            continue;
        if (again.processes.value(process.name) != process.slot)
            std::abort();
    }
    isPathSafeName(out.name);
    return 0;
}
