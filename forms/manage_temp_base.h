#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTreeView;
class QWidget;

namespace Ui {
class manage_tempBase;
}

// The designer form of the template manager (forms/manage_tempBase.ui).
// It owns the generated form and exposes its widgets under their object names.
class manage_tempBase : public QDialog {
    Q_OBJECT
public:
    explicit manage_tempBase(QWidget* parent = nullptr, const char* name = nullptr,
                             bool modal = false, Qt::WindowFlags flags = {});
    ~manage_tempBase() override;

    QLabel* textLabel1;
    QComboBox* comboTemplates;
    QPushButton* buttonNew;
    QPushButton* buttonOk;
    QPushButton* buttonCancel;
    QTabWidget* tabWidget;
    QWidget* tab;
    QLabel* textLabel1_2;
    QLineEdit* editPrefix;
    QLabel* textLabel1_2_2_2;
    QSpinBox* spinBase;
    QLabel* textLabel1_2_2;
    QSpinBox* spinOffset;
    QTreeView* listSlots;
    QPushButton* buttonAutoNumberSlots;
    QPushButton* buttonClearSlots;
    QWidget* tab_2;
    QTableView* tableInstance;
    QPushButton* buttonSelectAll;
    QPushButton* buttonUnselectAll;
    QPushButton* buttonSelectSelected;
    QPushButton* buttonUnselectSelected;

protected slots:
    // Sets every text of the form (context "manage_tempBase").
    virtual void languageChange();

private:
    Ui::manage_tempBase* ui;
};
