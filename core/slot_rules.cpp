#include "core/slot_rules.h"

#include <QSet>

#include <algorithm>
#include <climits>

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isWhiteSpace(QChar c) { // what C's isspace() skips in the "C" locale
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

// Reads an optional sign and digits from position i; returns the number of digits read.
int readSignedDigits(const QString& text, int& i, long long& value) {
    const int n = text.size();
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    int digits = 0;
    value = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i, ++digits) {
        if (value <= INT_MAX) // saturate once past the range of int
            value = value * 10 + (text[i].unicode() - '0');
    }
    if (negative)
        value = -value;
    return digits;
}

int clampToInt(long long value) {
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

namespace {

// The grammar of a slot text; false when the text does not follow it.
bool readSlotText(const QString& text, int& number) {
    const int n = text.size();
    int i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    long long value = 0;
    if (readSignedDigits(text, i, value) == 0)
        return false;
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n)
        return false;
    number = clampToInt(value);
    return true;
}

} // namespace

int slotNumber(const QString& text) {
    int number = 0;
    return readSlotText(text, number) ? number : 0;
}

bool isSlotNumberText(const QString& text) {
    int number = 0;
    return readSlotText(text, number);
}

bool isValidSlotText(const QString& text, int maxSlot) {
    const int v = slotNumber(text);
    return v >= 1 && v <= maxSlot;
}

int leadingSlotNumber(const QString& text) {
    int i = 0;
    while (i < text.size() && isWhiteSpace(text[i]))
        ++i;
    long long value = 0;
    readSignedDigits(text, i, value);
    return clampToInt(value);
}

SlotCheckResult checkSlots(const QVector<QString>& slotTexts, int maxSlot) {
    SlotCheckResult result;
    const int rows = slotTexts.size();
    result.valid.fill(true, rows);
    const int top = std::max(maxSlot, 0);
    QVector<int> counters(top + 1, 0);
    QVector<int> values(rows, 0);
    for (int r = 0; r < rows; ++r) {
        if (slotTexts[r].isEmpty())
            continue;
        const int v = slotNumber(slotTexts[r]);
        values[r] = v;
        if (v >= 1 && v <= top)
            ++counters[v];
    }
    for (int r = 0; r < rows; ++r) {
        if (slotTexts[r].isEmpty())
            continue;
        const int v = values[r];
        if (v < 1 || v > top) {
            result.outOfRange = true;
            result.valid[r] = false;
        } else if (counters[v] > 1) {
            result.duplicates = true;
            result.valid[r] = false;
        }
    }
    return result;
}

QString slotWarningText(bool duplicates, bool outOfRange, int maxSlot) {
    QString text;
    if (duplicates)
        text += QStringLiteral("\nThere are duplicates.");
    if (outOfRange)
        text += QStringLiteral("<p>There are entries out of range (1-%1).").arg(maxSlot);
    if (!text.isEmpty())
        text.prepend(QStringLiteral("<h1>Warning</h1>"));
    return text;
}

QVector<int> planAutoNumber(const QVector<AutoNumberRow>& rows, const AutoNumberOptions& options) {
    QVector<int> numbers(rows.size(), -1);
    const long long base = options.base;
    const long long offset = options.offset;
    long long n = base;
    QString previous = rows.isEmpty() ? QString() : rows.first().group;
    for (int r = 0; r < rows.size(); ++r) {
        const AutoNumberRow& row = rows[r];
        if (!row.selectable)
            continue; // template rows get no number and start no group
        if (row.group != previous) {
            previous = row.group;
            if (offset > 0) {
                // smallest base + k * offset, k >= 1, that is not less than n
                long long k = n <= base + offset ? 1 : (n - base + offset - 1) / offset;
                n = base + k * offset;
            }
        }
        const bool numbered = options.choice == AutoNumberAll ||
                              (options.choice == AutoNumberSelected && row.selected) ||
                              (options.choice == AutoNumberGroup && row.group == options.group);
        if (numbered) {
            numbers[r] = clampToInt(n);
            ++n;
        }
    }
    return numbers;
}

QStringList autoNumberGroups(const QVector<AutoNumberRow>& rows) {
    QSet<QString> seen;
    QStringList groups;
    for (const AutoNumberRow& row : rows)
        if (!seen.contains(row.group)) {
            seen.insert(row.group);
            groups.append(row.group);
        }
    std::sort(groups.begin(), groups.end()); // QString's operator< compares UTF-16 code units
    return groups;
}

QString clearQuestionText(int total, int templateRows, int freeRows) {
    return QStringLiteral("Do you want to delete the slot allocation for all processes ?\n"
                          "Or only those not assigned using templates ?\n\n"
                          "There are %1 processes \n"
                          "  %2 have slots assigned by templates \n"
                          "  %3 have slots not assigned by templates")
        .arg(total)
        .arg(templateRows)
        .arg(freeRows);
}

QString formatClipboardText(const QVector<ClipboardRow>& rows) {
    QString text;
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            text += QLatin1Char('\n');
        text += rows[i].name + QLatin1Char('\t') + rows[i].group + QLatin1Char('\t') + rows[i].slot;
    }
    return text;
}

QVector<QStringList> clipboardLines(const QString& text) {
    QVector<QStringList> lines;
    const QStringList raw = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString line : raw) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1); // CR LF from a spreadsheet: the CR is not part of the last field
        if (line.isEmpty())
            continue;
        // Fields by position: an empty group or slot keeps its place.
        lines.append(line.split(QLatin1Char('\t')));
    }
    return lines;
}

namespace {
bool isUsableClipboardLine(const QStringList& fields) {
    return fields.size() >= 3 && !fields[0].isEmpty();
}
} // namespace

QVector<ClipboardRow> parseClipboardText(const QString& text, QStringList* skipped) {
    QVector<ClipboardRow> rows;
    const QVector<QStringList> lines = clipboardLines(text);
    rows.reserve(lines.size());
    for (const QStringList& fields : lines) {
        // A line without a slot clears nothing: clearing is what Clear is for.
        if (isUsableClipboardLine(fields) && !fields[2].isEmpty())
            rows.append({fields[0], fields[1], fields[2]});
        else if (skipped)
            skipped->append(fields.join(QLatin1Char('\t')));
    }
    return rows;
}

bool isClipboardTextPastable(const QString& text) {
    // Only the first non-empty line decides: the clipboard may hold a million
    // lines of another program, and this runs on every change of it.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).sliced(start, end - start);
        start = end + 1;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype firstTab = line.indexOf(QLatin1Char('\t'));
        return firstTab > 0 && line.indexOf(QLatin1Char('\t'), firstTab + 1) >= 0;
    }
    return false;
}
