// The process definitions reader on arbitrary bytes: every process it returns
// has a name, and reading is deterministic.
#include "core/process_definitions.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QVector<ProcessDefinition> processes = parseProcessDefinitions(bytes);
    for (const ProcessDefinition& process : processes)
        if (process.name.isEmpty())
            std::abort();
    if (parseProcessDefinitions(bytes).size() != processes.size())
        std::abort();
    return 0;
}
