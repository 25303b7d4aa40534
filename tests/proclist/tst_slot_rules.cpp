// The rules of the process list without widgets (Parts 2.1, 3.1, 3.2).
#include "proclist/slot_rules.h"

#include <QtTest>

#include <climits>

class tst_slot_rules : public QObject {
    Q_OBJECT
private slots:
    void slotNumber_data();
    void slotNumber();
    void leadingSlotNumber_data();
    void leadingSlotNumber();
    void validSlotText();

    void checkExample();
    void checkRangeAndEmpty();
    void checkTemplateCollision();
    void warningTexts();

    void autoNumber_data();
    void autoNumber();
    void autoNumberGroupsSorted();

    void clearQuestion();

    void clipboardFormat();
    void clipboardParse();
    void clipboardCrLf();
    void pastable_data();
    void pastable();
};

void tst_slot_rules::slotNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("plus sign") << "+7" << 7;
    QTest::newRow("minus sign") << "-3" << -3;
    QTest::newRow("blanks around") << "  42 \t" << 42;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("trailing letters") << "12abc" << 0;
    QTest::newRow("inner blank") << "1 2" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("carriage return") << "5\r" << 0; // the spreadsheet fault: out of range
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("huge") << "99999999999999999999" << INT_MAX;
    QTest::newRow("huge negative") << "-99999999999999999999" << INT_MIN;
}

void tst_slot_rules::slotNumber() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(::slotNumber(text), number);
}

void tst_slot_rules::leadingSlotNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::newRow("plain") << "10" << 10;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("trailing letters") << "12abc" << 12;
    QTest::newRow("leading white space") << " \t-4x" << -4;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("carriage return") << "5\r" << 5;
    QTest::newRow("huge") << "4294967296" << INT_MAX;
}

void tst_slot_rules::leadingSlotNumber() {
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(::leadingSlotNumber(text), number);
}

void tst_slot_rules::validSlotText() {
    QVERIFY(isValidSlotText("1", 4096));
    QVERIFY(isValidSlotText(" 4096 ", 4096));
    QVERIFY(!isValidSlotText("4097", 4096));
    QVERIFY(!isValidSlotText("0", 4096));
    QVERIFY(!isValidSlotText("", 4096));
    QVERIFY(!isValidSlotText("3x", 4096));
}

void tst_slot_rules::checkExample() {
    // Three free rows with 5, 5 and 9000 and maxSlot 4096.
    const SlotCheckResult result = checkSlots({"5", "5", "9000"}, 4096);
    QCOMPARE(result.valid, (QVector<bool>{false, false, false}));
    QVERIFY(result.duplicates);
    QVERIFY(result.outOfRange);
    QCOMPARE(
        slotWarningText(result.duplicates, result.outOfRange, 4096),
        QString(
            "<h1>Warning</h1>\nThere are duplicates.<p>There are entries out of range (1-4096)."));
}

void tst_slot_rules::checkRangeAndEmpty() {
    const SlotCheckResult result = checkSlots({"0", "-2", "abc", "", "1", "4096", "4097"}, 4096);
    QCOMPARE(result.valid, (QVector<bool>{false, false, false, true, true, true, false}));
    QVERIFY(!result.duplicates);
    QVERIFY(result.outOfRange);

    const SlotCheckResult clean = checkSlots({"", "", "3", "4"}, 4096);
    QCOMPARE(clean.valid, (QVector<bool>{true, true, true, true}));
    QVERIFY(!clean.duplicates && !clean.outOfRange);
    QCOMPARE(slotWarningText(false, false, 4096), QString());
}

void tst_slot_rules::checkTemplateCollision() {
    // "7" and " 7" are the same slot; a smaller maxSlot moves the range.
    const SlotCheckResult result = checkSlots({"7", " 7", "9"}, 8);
    QCOMPARE(result.valid, (QVector<bool>{false, false, false}));
    QVERIFY(result.duplicates);
    QVERIFY(result.outOfRange);
}

void tst_slot_rules::warningTexts() {
    QCOMPARE(slotWarningText(true, false, 10), QString("<h1>Warning</h1>\nThere are duplicates."));
    QCOMPARE(slotWarningText(false, true, 10),
             QString("<h1>Warning</h1><p>There are entries out of range (1-10)."));
}

using Rows = QVector<AutoNumberRow>;

namespace {
// Free rows of the given groups, none selected.
Rows freeRows(const QStringList& groups) {
    Rows rows;
    for (const QString& group : groups)
        rows.append({true, false, group});
    return rows;
}
} // namespace

void tst_slot_rules::autoNumber_data() {
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("base");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QVector<int>>("numbers");

    const Rows grouped = freeRows({"G1", "G1", "G1", "G2", "G2", "G3"});
    QTest::newRow("offset 10") << grouped << int(AutoNumberAll) << 1 << 10 << ""
                               << QVector<int>{1, 2, 3, 11, 12, 21};
    QTest::newRow("offset 3") << grouped << int(AutoNumberAll) << 1 << 3 << ""
                              << QVector<int>{1, 2, 3, 4, 5, 7};
    QTest::newRow("offset 0") << grouped << int(AutoNumberAll) << 5 << 0 << ""
                              << QVector<int>{5, 6, 7, 8, 9, 10};
    QTest::newRow("select group G2") << grouped << int(AutoNumberGroup) << 1 << 10 << "G2"
                                     << QVector<int>{-1, -1, -1, 11, 12, -1};
    QTest::newRow("group offset from base 100") << grouped << int(AutoNumberAll) << 100 << 10 << ""
                                                << QVector<int>{100, 101, 102, 110, 111, 120};
    QTest::newRow("group larger than offset")
        << freeRows({"A", "A", "A", "A", "B"}) << int(AutoNumberAll) << 1 << 3 << ""
        << QVector<int>{1, 2, 3, 4, 7};

    Rows selected = freeRows({"G", "G", "G", "G", "G"});
    selected[1].selected = true;
    selected[3].selected = true;
    QTest::newRow("selected rows 2 and 4")
        << selected << int(AutoNumberSelected) << 1 << 0 << "" << QVector<int>{-1, 1, -1, 2, -1};

    // Template rows get no number, use none and start no group.
    Rows withTemplates = freeRows({"G1", "T", "G1", "G2"});
    withTemplates[1].selectable = false;
    QTest::newRow("template rows skipped")
        << withTemplates << int(AutoNumberAll) << 1 << 10 << "" << QVector<int>{1, -1, 2, 11};
    // The previous group starts as the first row's group, even a template row's.
    Rows templateFirst = freeRows({"T", "G1"});
    templateFirst[0].selectable = false;
    QTest::newRow("template first row")
        << templateFirst << int(AutoNumberAll) << 1 << 10 << "" << QVector<int>{-1, 11};
    // Rows that are not numbered still take part in the group changes.
    Rows partly = freeRows({"G1", "G2", "G2"});
    partly[2].selected = true;
    QTest::newRow("unnumbered rows change groups")
        << partly << int(AutoNumberSelected) << 1 << 10 << "" << QVector<int>{-1, -1, 11};
    QTest::newRow("empty list") << Rows{} << int(AutoNumberAll) << 1 << 10 << "" << QVector<int>{};
}

void tst_slot_rules::autoNumber() {
    QFETCH(Rows, rows);
    QFETCH(int, choice);
    QFETCH(int, base);
    QFETCH(int, offset);
    QFETCH(QString, group);
    QFETCH(QVector<int>, numbers);
    AutoNumberOptions options;
    options.choice = choice;
    options.base = base;
    options.offset = offset;
    options.group = group;
    QCOMPARE(planAutoNumber(rows, options), numbers);
}

void tst_slot_rules::autoNumberGroupsSorted() {
    Rows rows = freeRows({"b", "B", "a", "", "b", "T"});
    rows[5].selectable = false; // template rows count too
    QCOMPARE(autoNumberGroups(rows), (QStringList{"", "B", "T", "a", "b"}));
}

void tst_slot_rules::clearQuestion() {
    QCOMPARE(clearQuestionText(10, 3, 7),
             QString("Do you want to delete the slot allocation for all processes ?\n"
                     "Or only those not assigned using templates ?\n\n"
                     "There are 10 processes \n"
                     "  3 have slots assigned by templates \n"
                     "  7 have slots not assigned by templates"));
}

void tst_slot_rules::clipboardFormat() {
    QCOMPARE(formatClipboardText({{"P1", "G", "3"}, {"P2", "G", ""}}),
             QString("P1\tG\t3\nP2\tG\t"));
    QCOMPARE(formatClipboardText({}), QString());
}

void tst_slot_rules::clipboardParse() {
    // Round trip: the line without a slot has two fields and is not usable.
    const QVector<ClipboardRow> rows = parseClipboardText("P1\tG\t3\nP2\tG\t");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].name, QString("P1"));
    QCOMPARE(rows[0].group, QString("G"));
    QCOMPARE(rows[0].slot, QString("3"));

    // Empty lines and empty fields are dropped, extra fields ignored, nothing trimmed.
    const QVector<ClipboardRow> cells = parseClipboardText("\n\nA\t\tG A\t 5 \textra\n\nB\tH\t6\n");
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cells[0].name, QString("A"));
    QCOMPARE(cells[0].group, QString("G A"));
    QCOMPARE(cells[0].slot, QString(" 5 "));
    QCOMPARE(cells[1].slot, QString("6"));
}

void tst_slot_rules::clipboardCrLf() {
    // A spreadsheet's CR LF line ends: the CR does not stay in the slot field.
    const QVector<ClipboardRow> rows = parseClipboardText("P1\tG\t3\r\nP2\tG\t4\r\nP3\tG\t5\r");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].slot, QString("3"));
    QCOMPARE(rows[1].slot, QString("4"));
    QCOMPARE(rows[2].slot, QString("5"));
    // Only one CR is dropped per line.
    QCOMPARE(parseClipboardText("P1\tG\t3\r\r\n").first().slot, QString("3\r"));
    // A line that was only a CR is an empty line.
    QCOMPARE(clipboardLines("\r\nP1\tG\t3\r\n").size(), 1);
    QVERIFY(isClipboardTextPastable("\r\nP1\tG\t3\r\n"));
}

void tst_slot_rules::pastable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pastable");
    QTest::newRow("three fields") << "P1\tG\t3" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("only line feeds") << "\n\n" << false;
    QTest::newRow("two-field first line") << "P1\tG\nP2\tG\t4" << false;
    QTest::newRow("empty field in first line") << "P1\t\t4\nP2\tG\t4" << false;
    QTest::newRow("empty lines first") << "\n\nP1\tG\t3" << true;
    QTest::newRow("plain text") << "hello world" << false;
}

void tst_slot_rules::pastable() {
    QFETCH(QString, text);
    QFETCH(bool, pastable);
    QCOMPARE(isClipboardTextPastable(text), pastable);
}

QTEST_GUILESS_MAIN(tst_slot_rules)
#include "tst_slot_rules.moc"
