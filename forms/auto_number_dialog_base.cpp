#include "auto_number_dialog_base.h"

#include "ui_autoNumberDialogBase.h"

#include <QButtonGroup>
#include <QGridLayout>

autoNumberDialogBase::autoNumberDialogBase(QWidget* parent, const char* name, bool modal,
                                           Qt::WindowFlags flags)
    : QDialog(parent, flags), ui(new Ui::autoNumberDialogBase) {
    ui->setupUi(this); // also sets the texts (retranslateUi)
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    selectGroupBox = ui->selectGroupBox;
    radioAll = ui->radioAll;
    radioSelected = ui->radioSelected;
    radioGroup = ui->radioGroup;
    comboGroup = ui->comboGroup;
    groupBox2 = ui->groupBox2;
    textLabel1 = ui->textLabel1;
    spinBase = ui->spinBase;
    textLabel1_2 = ui->textLabel1_2;
    spinOffset = ui->spinOffset;
    buttonOk = ui->buttonOk;
    buttonCancel = ui->buttonCancel;

    // uic numbers the buttons of a group automatically (negative ids in Qt 6);
    // the choice is read by id, so the ids are given here.
    selectGroup = new QButtonGroup(this);
    selectGroup->setObjectName(QStringLiteral("selectGroup"));
    selectGroup->setExclusive(true);
    selectGroup->addButton(radioAll, 0);
    selectGroup->addButton(radioSelected, 1);
    selectGroup->addButton(radioGroup, 2);

    ui->selectGroupLayout->setAlignment(Qt::AlignTop);
    ui->groupBox2Layout->setAlignment(Qt::AlignTop);
    setSizeGripEnabled(false);
    setFixedSize(QSize(248, 240).expandedTo(minimumSizeHint()));
}

autoNumberDialogBase::~autoNumberDialogBase() {
    delete ui;
}

void autoNumberDialogBase::languageChange() {
    ui->retranslateUi(this);
}
