#include "proclist/auto_number_dialog.h"

autoNumberDialog::autoNumberDialog(QWidget* parent, const char* name, bool modal,
                                   Qt::WindowFlags flags)
    : autoNumberDialogBase(parent, name, modal, flags) {}

autoNumberDialog::~autoNumberDialog() = default;
