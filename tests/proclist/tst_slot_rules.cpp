// The rules of the process list without widgets, one table per rule.
#include "proclist/slot_rules.h"

#include <QtTest>

#include <climits>

using Rows = QVector<AutoNumberRow>;
using Flags = QVector<bool>;
using Numbers = QVector<int>;
using Options = AutoNumberOptions;

namespace {
// "G" a free row of group G, "*G" a selected one, "#G" a template row.
Rows rows(const QStringList& marked) {
    Rows result;
    for (const QString& s : marked)
        result.append({!s.startsWith('#'), s.startsWith('*'), s.mid(s.front().isLetter() ? 0 : 1)});
    return result;
}
QStringList joined(const QVector<ClipboardRow>& rows) {
    QStringList lines;
    for (const ClipboardRow& r : rows)
        lines.append(r.name + '|' + r.group + '|' + r.slot);
    return lines;
}
} // namespace

class tst_slot_rules : public QObject {
    Q_OBJECT
private slots:
    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("exact");   // slotNumber: the check, the edit, the module file
        QTest::addColumn<int>("leading"); // leadingSlotNumber: the sort order
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("signs and zeros") << "-007" << -7 << -7;
        QTest::newRow("blanks around") << "  42 \t" << 42 << 42;
        QTest::newRow("trailing letters") << "12abc" << 0 << 12;
        QTest::newRow("inner blank") << "1 2" << 0 << 1;
        QTest::newRow("carriage return") << "5\r" << 0 << 5;
        QTest::newRow("white space then sign") << " \t-4x" << 0 << -4;
        QTest::newRow("huge") << "-99999999999999999999" << INT_MIN << INT_MIN;
    }
    void reading() {
        QFETCH(QString, text);
        QFETCH(int, exact);
        QFETCH(int, leading);
        QCOMPARE(slotNumber(text), exact);
        QCOMPARE(leadingSlotNumber(text), leading);
        QCOMPARE(isValidSlotText(text, 4096), exact >= 1 && exact <= 4096);
    }
    void check_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("maxSlot");
        QTest::addColumn<Flags>("valid");
        QTest::addColumn<QString>("warning");
        QTest::newRow("clean") << QStringList{"", "", "3"} << 9 << Flags{1, 1, 1} << "";
        QTest::newRow("range") << QStringList{"0", "-2", "abc", "", "1", "4097"} << 4096
                               << Flags{0, 0, 0, 1, 1, 0}
                               << "<h1>Warning</h1><p>There are entries out of range (1-4096).";
        QTest::newRow("same number, other text")
            << QStringList{"7", " 7", "6"} << 8 << Flags{0, 0, 1}
            << "<h1>Warning</h1>\nThere are duplicates.";
        QTest::newRow("both, range follows maxSlot")
            << QStringList{"3", "3", "9"} << 8 << Flags{0, 0, 0}
            << "<h1>Warning</h1>\nThere are duplicates.<p>There are entries out of range (1-8).";
    }
    void check() {
        QFETCH(QStringList, texts);
        QFETCH(int, maxSlot);
        QFETCH(Flags, valid);
        QFETCH(QString, warning);
        const SlotCheckResult r = checkSlots(texts, maxSlot);
        QCOMPARE(r.valid, valid);
        QCOMPARE(slotWarningText(r.duplicates, r.outOfRange, maxSlot), warning);
    }
    void autoNumber_data() {
        QTest::addColumn<Rows>("list");
        QTest::addColumn<AutoNumberOptions>("options"); // choice, base, offset, group
        QTest::addColumn<Numbers>("numbers");           // -1: the row keeps its slot
        const Rows grouped = rows({"G1", "G1", "G1", "G2", "G2", "G3"});
        const int all = AutoNumberAll; // 1: selected rows
        QTest::newRow("offset 0") << grouped << Options{all, 5, 0, ""}
                                  << Numbers{5, 6, 7, 8, 9, 10};
        QTest::newRow("base 100") << grouped << Options{all, 100, 10, ""}
                                  << Numbers{100, 101, 102, 110, 111, 120};
        QTest::newRow("group longer than offset")
            << rows({"A", "A", "A", "A", "B"}) << Options{all, 1, 3, ""} << Numbers{1, 2, 3, 4, 7};
        QTest::newRow("templates start no group")
            << rows({"G1", "#T", "G1", "G2"}) << Options{all, 1, 10, ""} << Numbers{1, -1, 2, 11};
        QTest::newRow("first row a template")
            << rows({"#T", "G1"}) << Options{all, 1, 10, ""} << Numbers{-1, 11};
        QTest::newRow("unnumbered rows change groups")
            << rows({"G1", "G2", "*G2"}) << Options{1, 1, 10, ""} << Numbers{-1, -1, 11};
        QTest::newRow("empty list") << Rows{} << Options{all, 1, 10, ""} << Numbers{};
    }
    void autoNumber() {
        QFETCH(Rows, list);
        QFETCH(AutoNumberOptions, options);
        QFETCH(Numbers, numbers);
        QCOMPARE(planAutoNumber(list, options), numbers);
    }
    void autoNumberGroups() {
        QCOMPARE(::autoNumberGroups(rows({"b", "B", "a", "b", "#T"})),
                 (QStringList{"B", "T", "a", "b"}));
    }
    void clearQuestion() {
        QCOMPARE(clearQuestionText(10, 3, 7),
                 QString("Do you want to delete the slot allocation for all processes ?\n"
                         "Or only those not assigned using templates ?\n\n"
                         "There are 10 processes \n"
                         "  3 have slots assigned by templates \n"
                         "  7 have slots not assigned by templates"));
    }
    void clipboard_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parsed");
        QTest::addColumn<bool>("pastable"); // decided by the first non-empty line
        QTest::newRow("plain text") << "\n\nhello world" << QStringList{} << false;
        QTest::newRow("two-field first line")
            << "P1\tG\nP2\tG\t4" << QStringList{"P2|G|4"} << false;
        QTest::newRow("empty lines, extra fields, no trimming")
            << "\n\nA\t\tG A\t 5 \tx\n\nB\tH\t6\n"
            << QStringList{"A|G A| 5 ", "B|H|6"} << true;
        QTest::newRow("CR LF") << "\r\nP1\tG\t3\r\nP2\tG\t4\r" << QStringList{"P1|G|3", "P2|G|4"}
                               << true;
        QTest::newRow("one CR per line") << "P1\tG\t3\r\r\n" << QStringList{"P1|G|3\r"} << true;
    }
    void clipboard() {
        QFETCH(QString, text);
        QFETCH(QStringList, parsed);
        QFETCH(bool, pastable);
        QCOMPARE(joined(parseClipboardText(text)), parsed);
        QCOMPARE(isClipboardTextPastable(text), pastable);
    }
    void clipboardFormat() {
        const QString text = formatClipboardText({{"P1", "G", "3"}, {"P2", "G", ""}});
        QCOMPARE(text, QString("P1\tG\t3\nP2\tG\t"));
        QCOMPARE(joined(parseClipboardText(text)), QStringList{"P1|G|3"}); // no slot: not pasted
        QCOMPARE(formatClipboardText({}), QString());
    }
};

QTEST_GUILESS_MAIN(tst_slot_rules)
#include "tst_slot_rules.moc"
