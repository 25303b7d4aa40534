#include "manage_temp_base.h"

#include "ui_manage_tempBase.h"

manage_tempBase::manage_tempBase(QWidget* parent, const char* name, bool modal,
                                 Qt::WindowFlags flags)
    : QDialog(parent, flags), ui(new Ui::manage_tempBase) {
    ui->setupUi(this); // also sets the texts (retranslateUi)
    if (name)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    textLabel1 = ui->textLabel1;
    comboTemplates = ui->comboTemplates;
    buttonNew = ui->buttonNew;
    buttonOk = ui->buttonOk;
    buttonCancel = ui->buttonCancel;
    tabWidget = ui->tabWidget;
    tab = ui->tab;
    textLabel1_2 = ui->textLabel1_2;
    editPrefix = ui->editPrefix;
    textLabel1_2_2_2 = ui->textLabel1_2_2_2;
    spinBase = ui->spinBase;
    textLabel1_2_2 = ui->textLabel1_2_2;
    spinOffset = ui->spinOffset;
    listSlots = ui->listSlots;
    buttonAutoNumberSlots = ui->buttonAutoNumberSlots;
    buttonClearSlots = ui->buttonClearSlots;
    tab_2 = ui->tab_2;
    tableInstance = ui->tableInstance;
    buttonSelectAll = ui->buttonSelectAll;
    buttonUnselectAll = ui->buttonUnselectAll;
    buttonSelectSelected = ui->buttonSelectSelected;
    buttonUnselectSelected = ui->buttonUnselectSelected;
    resize(QSize(443, 571).expandedTo(minimumSizeHint()));
}

manage_tempBase::~manage_tempBase() {
    delete ui; // the widgets themselves belong to this dialog
}

void manage_tempBase::languageChange() {
    ui->retranslateUi(this);
}
