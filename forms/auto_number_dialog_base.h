#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace Ui {
class autoNumberDialogBase;
}

// The designer form of the auto-number dialog (forms/autoNumberDialogBase.ui).
// Qt 3's button group "selectGroup" was a titled box that numbered
// its buttons; here the titled box is `selectGroupBox` and the exclusive
// QButtonGroup `selectGroup` carries the ids 0 (All), 1 (Selected), 2 (Select Group).
class autoNumberDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit autoNumberDialogBase(QWidget* parent = nullptr, const char* name = nullptr,
                                  bool modal = false, Qt::WindowFlags flags = {});
    ~autoNumberDialogBase() override;

    QGroupBox* selectGroupBox;
    QButtonGroup* selectGroup;
    QRadioButton* radioAll;
    QRadioButton* radioSelected;
    QRadioButton* radioGroup;
    QComboBox* comboGroup;
    QGroupBox* groupBox2;
    QLabel* textLabel1;
    QSpinBox* spinBase;
    QLabel* textLabel1_2;
    QSpinBox* spinOffset;
    QPushButton* buttonOk;
    QPushButton* buttonCancel;

protected slots:
    // Sets every text of the form (context "autoNumberDialogBase").
    virtual void languageChange();

private:
    Ui::autoNumberDialogBase* ui;
};
