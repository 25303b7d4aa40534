#include "dialog_base.h"

#include "ui_dialogBase.h"

dialogBase::dialogBase(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags), ui(new Ui::dialogBase) {
    ui->setupUi(this); // also sets the texts (retranslateUi)
    if (name)
        setObjectName(QString::fromLatin1(name));
    topLabel = ui->topLabel;
    procList = ui->procList;
    infodriverNumber = ui->infodriverNumber;
    textLabel1 = ui->textLabel1;
    statusLabel = ui->statusLabel;
    upButton = ui->upButton;
    downButton = ui->downButton;
    manTemp = ui->manTemp;
    autoNum = ui->autoNum;
    clearSlotsButton = ui->clearSlotsButton;
    copy = ui->copy;
    paste = ui->paste;
    navToProc = ui->navToProc;
    resize(QSize(723, 705).expandedTo(minimumSizeHint()));
}

dialogBase::~dialogBase() {
    delete ui; // the widgets themselves belong to this widget
}

void dialogBase::languageChange() {
    ui->retranslateUi(this);
}
