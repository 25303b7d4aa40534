#pragma once

#include "plugin/plugin_export.h"

#include <QMessageBox>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

// Every modal interaction of the plug-in runs through runModal(). In the product
// it is exec(); tests install a handler that receives the fully built dialog,
// inspects it and answers it without a nested event loop.
using ModalHandler = std::function<int(QDialog&)>;

int runModal(QDialog& dialog);
// Exported: the tests of the loaded plug-in answer its dialogs through it.
TOLV_EXPORT void setModalHandler(ModalHandler handler); // an empty handler restores exec()

// The parent for a dialog opened from a widget: the widget's window, so that the
// dialog stays answerable when the widget is disabled while it is open.
QWidget* dialogParent(QWidget* widget);

// A message box with the given buttons in order, parented to dialogParent(parent); returns the
// index of the button chosen, or escapeButton when the box was closed without one.
int askMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                  const QString& text, const QStringList& buttons, int defaultButton = 0,
                  int escapeButton = 0);

// A message box with a single OK button.
void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                    const QString& text);
