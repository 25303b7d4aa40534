#pragma once

// The two tables of the template manager as flat row stores: the candidate
// parameters with their slot texts, and the candidate instances with their
// check marks. A bulk change is one reset or one change signal, so that a list
// of a hundred thousand processes stays interactive.

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <vector>

class ParameterTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColParameter = 0, ColSlot = 1 };
    struct Row {
        QString parameter;
        QString slot;
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row, sorted by the column and order given (column < 0: as given).
    void setRows(std::vector<Row> rows, int column, Qt::SortOrder order);
    // The rows in display order.
    const std::vector<Row>& rows() const { return list; }
    // Sets the slot text of each marked display row; one change signal.
    void setSlots(const std::vector<bool>& marked, const std::function<QString()>& next);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A stable sort of the rows by the column's text, ties kept in place.
    void sort(int column, Qt::SortOrder order) override;

private:
    std::vector<Row> list;
};

class InstanceTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColInstance = 0, ColEnabled = 1 };
    struct Row {
        QString instance;
        bool checked = false;
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return list; }
    // Checks or unchecks every marked row; one change signal.
    void setChecked(const std::vector<bool>& marked, bool checked);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Row> list;
};
