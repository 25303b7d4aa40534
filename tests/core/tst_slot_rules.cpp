// The rules of the process list without widgets, one table per rule.
#include "core/slot_rules.h"
#include <QtTest>
#include <climits>

using Rows = QVector<AutoNumberRow>;
using Flags = QVector<bool>;
using Numbers = QVector<int>;
using Options = AutoNumberOptions;

// "G" a free row of group G, "*G" a selected one, "#G" a template row.
static Rows rows(const QString& marked) {
    Rows result;
    for (const QString& s : marked.split(' '))
        result.append({!s.startsWith('#'), s.startsWith('*'), s.mid(s.front().isLetter() ? 0 : 1)});
    return result;
}

class tst_slot_rules : public QObject {
    Q_OBJECT
private slots:
    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("exact");   // slotNumber: the check, the edit, the module file
        QTest::addColumn<int>("leading"); // leadingSlotNumber: the sort order
        QTest::addColumn<bool>("number"); // isSlotNumberText: a number, even 0 or too big
        QTest::newRow("empty") << "" << 0 << 0 << false;
        QTest::newRow("zero") << " 0" << 0 << 0 << true;
        QTest::newRow("sign and zeros") << "-007" << -7 << -7 << true;
        QTest::newRow("blanks around") << "  42 \t" << 42 << 42 << true;
        QTest::newRow("trailing letters") << "12abc" << 0 << 12 << false;
        QTest::newRow("carriage return") << "5\r" << 0 << 5 << false;
        QTest::newRow("huge") << "-99999999999999999999" << INT_MIN << INT_MIN << true;
    }
    void reading() {
        QFETCH(QString, text);
        QFETCH(int, exact);
        QTEST(leadingSlotNumber(text), "leading");
        QCOMPARE(slotNumber(text), exact);
        QCOMPARE(isValidSlotText(text, 4096), exact >= 1 && exact <= 4096);
        QTEST(isSlotNumberText(text), "number");
    }
    void check() { // the highest slot is 8
        SlotCheckResult r = checkSlots({"0", "-2", "abc", "", "1", "9"}, 8);
        QCOMPARE(r.valid, Flags({0, 0, 0, 1, 1, 0}));
        QCOMPARE(slotWarningText(r.duplicates, r.outOfRange, 8),
                 QString("<h1>Warning</h1><p>There are entries out of range (1-8)."));
        r = checkSlots({"7", " 7", "6"}, 8); // the same number in another text
        QCOMPARE(r.valid, Flags({0, 0, 1}));
        QCOMPARE(slotWarningText(r.duplicates, r.outOfRange, 8),
                 QString("<h1>Warning</h1>\nThere are duplicates."));
    }
    void autoNumber_data() {
        QTest::addColumn<Rows>("list");
        QTest::addColumn<Options>("options"); // choice, base, offset, group
        QTest::addColumn<Numbers>("numbers"); // -1: the row keeps its slot
        const Options offset10{AutoNumberAll, 1, 10, ""};
        QTest::newRow("base 100") << rows("G1 G1 G1 G2 G2 G3")
                                  << Options{AutoNumberAll, 100, 10, ""}
                                  << Numbers{100, 101, 102, 110, 111, 120};
        QTest::newRow("group longer than offset")
            << rows("A A A A B") << Options{AutoNumberAll, 1, 3, ""} << Numbers{1, 2, 3, 4, 7};
        QTest::newRow("first row a template") << rows("#T G1") << offset10 << Numbers{-1, 11};
        QTest::newRow("unnumbered rows change groups")
            << rows("G1 G2 *G2") << Options{AutoNumberSelected, 1, 10, ""} << Numbers{-1, -1, 11};
        QTest::newRow("empty list") << Rows{} << offset10 << Numbers{};
    }
    void autoNumber() {
        QFETCH(Rows, list);
        QFETCH(Options, options);
        QTEST(planAutoNumber(list, options), "numbers");
    }
    void groupsAndClearQuestion() {
        QCOMPARE(autoNumberGroups(rows("b B a b #T")), (QStringList{"B", "T", "a", "b"}));
        QCOMPARE(clearQuestionText(10, 3, 7),
                 QString("Do you want to delete the slot allocation for all processes ?\n"
                         "Or only those not assigned using templates ?\n\nThere are 10 processes \n"
                         "  3 have slots assigned by templates \n"
                         "  7 have slots not assigned by templates"));
    }
    void clipboard_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parsed");
        QTest::addColumn<bool>("pastable"); // decided by the first non-empty line
        QTest::newRow("plain text") << "\n\nhello world" << QStringList{} << false;
        QTest::newRow("empty lines, extra fields, no trimming")
            << "\n\nA\tG A\t 5 \tx\n\nB\tH\t6\n"
            << QStringList{"A|G A| 5 ", "B|H|6"} << true;
        QTest::newRow("one CR per line") << "P1\tG\t3\r\r\n" << QStringList{"P1|G|3\r"} << true;
        QTest::newRow("an empty group keeps its place, an empty slot skips the line")
            << "P1\t\t3\nP2\tG\t\nP3\t\t" << QStringList{"P1||3"} << true;
        QTest::newRow("first line without a slot")
            << "P2\tG\t\nP1\tG\t4" << QStringList{"P1|G|4"} << true;
        QTest::newRow("a further field is not the slot")
            << "P1\t\t5\tX" << QStringList{"P1||5"} << true;
        QTest::newRow("two fields") << "P1\t3\nP2\tG\t4" << QStringList{"P2|G|4"} << false;
        QTest::newRow("no name") << "\tG\t3\nP2\tG\t4" << QStringList{"P2|G|4"} << false;
    }
    void clipboard() {
        QFETCH(QString, text);
        QStringList parsed;
        for (const ClipboardRow& r : parseClipboardText(text))
            parsed << r.name + '|' + r.group + '|' + r.slot;
        QTEST(parsed, "parsed");
        QTEST(isClipboardTextPastable(text), "pastable");
    }
};

QTEST_GUILESS_MAIN(tst_slot_rules)
#include "tst_slot_rules.moc"
