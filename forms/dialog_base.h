#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QSpinBox;
class QTreeView;

namespace Ui {
class dialogBase;
}

// The designer form of the process list editor (forms/dialogBase.ui).
// It owns the generated form and exposes its widgets under their object names.
class dialogBase : public QWidget {
    Q_OBJECT
public:
    explicit dialogBase(QWidget* parent = nullptr, const char* name = nullptr,
                        Qt::WindowFlags flags = {});
    ~dialogBase() override;

    QLabel* topLabel;
    QTreeView* procList;
    QSpinBox* infodriverNumber;
    QLabel* textLabel1;
    QLabel* statusLabel;
    QPushButton* upButton;
    QPushButton* downButton;
    QPushButton* manTemp;
    QPushButton* autoNum;
    QPushButton* clearSlotsButton;
    QPushButton* copy;
    QPushButton* paste;
    QPushButton* navToProc;

protected slots:
    // Sets every text of the form (context "dialogBase").
    virtual void languageChange();

private:
    Ui::dialogBase* ui;
};
