#pragma once

// The process list in the tests: rows through the editor's row API, selection
// and in-place edits through its view, found by name.

#include "proclist/dialog.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStringList>
#include <QTreeView>

// The row named name (a default row when there is none).
inline ProcessRow processNamed(const dialog& editor, const QString& name) {
    return editor.processRow(editor.rowOf(name));
}

// Every row in display order.
inline QVector<ProcessRow> allProcesses(const dialog& editor) {
    QVector<ProcessRow> rows;
    for (int row = 0; row < editor.rowCount(); ++row)
        rows.append(editor.processRow(row));
    return rows;
}

inline QString slotOf(const dialog& editor, const QString& name) {
    return processNamed(editor, name).slot;
}

// Changes the row named name as the other parts of the editor do.
template <typename Change> void editProcess(dialog& editor, const QString& name, Change change) {
    const int target = editor.rowOf(name);
    editor.editRows([&](int row, ProcessRow& values) {
        if (row == target)
            change(values);
    });
}

inline void setSlot(dialog& editor, const QString& name, const QString& slot) {
    editProcess(editor, name, [&](ProcessRow& row) { row.slot = slot; });
}

// Claims the row for a template, as applying templates does.
inline void makeTemplateRow(dialog& editor, const QString& name) {
    editProcess(editor, name, [](ProcessRow& row) {
        row.devType = "pump";
        row.free = false;
    });
}

// One column of the list in display order, joined by commas.
inline QString processColumn(const dialog& editor, int column) {
    const QAbstractItemModel* model = editor.procList->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts.join(',');
}

inline QModelIndex cellOf(const dialog& editor, const QString& name, int column = ColProcess) {
    return editor.procList->model()->index(editor.rowOf(name), column);
}

// Makes the first name the current row and selects the named rows (through the
// selection model, as a click would, so not-selectable rows stay out).
inline void selectProcesses(dialog& editor, const QStringList& names) {
    QItemSelectionModel* selection = editor.procList->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        if (name == names.first())
            selection->setCurrentIndex(cellOf(editor, name), QItemSelectionModel::NoUpdate);
        if (editor.processRow(editor.rowOf(name)).free)
            selection->select(cellOf(editor, name),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

// The names of the selected rows in display order, joined by commas.
inline QString selectedProcesses(const dialog& editor) {
    QStringList names;
    const QModelIndexList rows = editor.procList->selectionModel()->selectedRows();
    QList<int> numbers;
    for (const QModelIndex& index : rows)
        numbers.append(index.row());
    std::sort(numbers.begin(), numbers.end());
    for (int row : numbers)
        names.append(editor.processRow(row).name);
    return names.join(',');
}

// Opens the in-place edit of the row's slot; the editor of the cell, or null.
inline QLineEdit* openSlotEdit(dialog& editor, const QString& name) {
    editor.procList->edit(cellOf(editor, name, ColSlot));
    return editor.procList->viewport()->findChild<QLineEdit*>();
}
