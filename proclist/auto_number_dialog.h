#pragma once

#include "forms/auto_number_dialog_base.h"

// The auto-number options dialog; it adds nothing to its form.
class autoNumberDialog : public autoNumberDialogBase {
    Q_OBJECT
public:
    explicit autoNumberDialog(QWidget* parent = nullptr, const char* name = nullptr,
                              bool modal = false, Qt::WindowFlags flags = {});
    ~autoNumberDialog() override;
};
