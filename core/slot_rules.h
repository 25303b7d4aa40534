#pragma once

// The rules of the process list that need no widget:
// reading slot texts, the duplicate and range check, the auto-number plan and
// the clipboard text. Qt Core only; the process list editor `dialog` calls them.

#include <QString>
#include <QStringList>
#include <QVector>

// ---- Slot text to number -------------------------------------------------

// A slot text read as a decimal whole number: optional blanks (space, tab),
// an optional sign, one or more digits, optional blanks, and nothing else.
// Anything else gives 0, and so does an empty text. Values beyond the range of
// int saturate. This is the reading of the duplicate and range check, of the
// in-place edit and of the module file's "[Process]" lines, so that
// a slot the check accepts is exactly a slot the module file keeps.
// A carriage return is not a blank: "5\r" reads as 0 (out of range).
int slotNumber(const QString& text);

// True when the text follows that grammar, whatever its value ("0", "-2" and
// "99999999999" do; "", "abc" and "5\r" do not).
bool isSlotNumberText(const QString& text);

// True when the text is a slot number 1..maxSlot as read by slotNumber();
// the rule by which the module file decides whether to write a row.
bool isValidSlotText(const QString& text, int maxSlot);

// The leading decimal integer of a text, as the row order reads column 4
// (`compare`): leading white space and a sign allowed, reading stops
// at the first non-digit, no digits gives 0. Saturates like slotNumber().
int leadingSlotNumber(const QString& text);

// ---- Duplicate and range check --------------------------------

struct SlotCheckResult {
    QVector<bool> valid;     // per row: false when duplicated or out of range
    bool duplicates = false; // some row holds a slot that another row holds too
    bool outOfRange = false; // some non-empty slot is not 1..maxSlot
};

// One pass to count, one pass to judge; empty texts are never reported.
SlotCheckResult checkSlots(const QVector<QString>& slotTexts, int maxSlot);

// The warning line for a check result: empty, or "<h1>Warning</h1>" followed by
// "\nThere are duplicates." and/or "<p>There are entries out of range (1-N).".
QString slotWarningText(bool duplicates, bool outOfRange, int maxSlot);

// ---- Auto-numbering -------------------------------------------

enum AutoNumberChoice { AutoNumberAll = 0, AutoNumberSelected = 1, AutoNumberGroup = 2 };

// One row of the list, top to bottom, as numbering sees it.
struct AutoNumberRow {
    bool selectable = true; // a free row; template rows are skipped entirely
    bool selected = false;
    QString group;
};

struct AutoNumberOptions {
    int choice = AutoNumberAll; // AutoNumberChoice
    int base = 1;
    int offset = 0; // 0: no group offset
    QString group;  // the chosen group for AutoNumberGroup
};

// The new slot number per row, or -1 where the row keeps its slot.
QVector<int> planAutoNumber(const QVector<AutoNumberRow>& rows, const AutoNumberOptions& options);

// The distinct groups of the rows (template rows too), sorted by character code.
QStringList autoNumberGroups(const QVector<AutoNumberRow>& rows);

// ---- Clearing -------------------------------------------------

// The text of the clear question for T rows, P template rows and F free rows.
QString clearQuestionText(int total, int templateRows, int freeRows);

// ---- Clipboard text -------------------------------------------

struct ClipboardRow {
    QString name;
    QString group;
    QString slot;
};

// Name, tab, group, tab, slot; lines joined by "\n", none after the last.
QString formatClipboardText(const QVector<ClipboardRow>& rows);

// The non-empty lines of a clipboard text split at tabs into their fields by
// position: empty fields keep their place, so that a row without a group or
// without a slot reads back as it was copied. One carriage return at the end of
// each line is dropped first, so text from a spreadsheet with CR LF line ends
// pastes the same as text with LF.
QVector<QStringList> clipboardLines(const QString& text);

// The usable lines (at least three fields, a name and a slot) as rows, in
// order: name, group and slot from the first three fields; further fields are
// ignored and nothing is trimmed. The other non-empty lines go to skipped.
QVector<ClipboardRow> parseClipboardText(const QString& text, QStringList* skipped = nullptr);

// True when the first non-empty line has at least three fields and a name
// (its slot may be empty: the editor's own copy of a row without a slot).
bool isClipboardTextPastable(const QString& text);
