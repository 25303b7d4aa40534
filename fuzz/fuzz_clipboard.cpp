// The clipboard paste parser on arbitrary text: every row it accepts has a name,
// a pastable text yields at least one row or one skipped line, and the editor's own copy of the
// parsed rows parses back to the same rows.
#include "core/slot_rules.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList skipped;
    const QVector<ClipboardRow> rows = parseClipboardText(text, &skipped);
    if (isClipboardTextPastable(text) && rows.isEmpty() && skipped.isEmpty())
        std::abort();
    slotNumber(text);
    leadingSlotNumber(text);
    for (const ClipboardRow& row : rows) {
        if (row.name.isEmpty())
            std::abort();
        slotNumber(row.slot);
    }
    return 0;
}
