#include "tools/check/module_checks.h"

#include "core/slot_rules.h"
#include "tools/check/cross_checks.h"
#include "tools/check/findings.h"

void checkModuleSlots(const SlotCheckInput& input, const QVector<ProcessEntry>& entries,
                      Findings& findings, ModuleSlots& used) {
    struct First {
        const ProcessEntry* entry;
    };
    QHash<int, First> bySlot;
    bySlot.reserve(entries.size());
    const QString range = "(1-" + QString::number(input.maxSlot) + ")";
    for (const ProcessEntry& entry : entries) {
        const bool defined = !input.processes || input.processes->contains(entry.process);
        if (!defined)
            findings.warning(input.storePath, entry.line, "unknown-process",
                             "process '" + entry.process +
                                 "' is not in the process definitions of system '" + input.system +
                                 "'");
        if (!isSlotNumberText(entry.slotText)) {
            findings.error(input.storePath, entry.line, "slot-not-number",
                           "slot '" + entry.slotText + "' of '" + entry.process +
                               "' is not a number");
            continue;
        }
        const int slot = slotNumber(entry.slotText);
        if (slot < 1 || slot > input.maxSlot) {
            findings.error(input.storePath, entry.line, "slot-range",
                           "slot " + entry.slotText + " of '" + entry.process +
                               "' is out of range " + range);
            continue;
        }
        // The editor shows only defined processes; the others take no slot.
        if (!defined)
            continue;
        used.slotUses.append({slot, entry.line, entry.process});
        const auto it = bySlot.constFind(slot);
        if (it == bySlot.constEnd()) {
            bySlot.insert(slot, {&entry});
            continue;
        }
        const ProcessEntry& first = *it->entry;
        const auto mine = input.claims.constFind(entry.process);
        const auto theirs = input.claims.constFind(first.process);
        const bool isTemplate = mine != input.claims.constEnd();
        const bool firstTemplate = theirs != input.claims.constEnd();
        const QString slotText = QString::number(slot);
        if (isTemplate != firstTemplate) {
            const auto claim = isTemplate ? mine : theirs;
            const QString templated =
                "template '" + claim->templateName + "' instance '" + claim->instance + "' ('";
            const QString message = isTemplate
                                        ? "slot " + slotText + " of " + templated + entry.process +
                                              "') is also the manual slot of '" + first.process +
                                              "' (line " + QString::number(first.line) + ")"
                                        : "manual slot " + slotText + " of '" + entry.process +
                                              "' is also the slot of " + templated + first.process +
                                              "', line " + QString::number(first.line) + ")";
            findings.error(input.storePath, entry.line, "template-collision", message);
        } else {
            findings.error(input.storePath, entry.line, "duplicate-slot",
                           "slot " + slotText + " of '" + entry.process +
                               "' is also the slot of '" + first.process + "' (line " +
                               QString::number(first.line) + ")");
        }
    }
}
