#include "platform/modal_ui.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>

namespace {
ModalHandler& modalHandler() {
    static ModalHandler handler;
    return handler;
}
} // namespace

int runModal(QDialog& dialog) {
    if (modalHandler())
        return modalHandler()(dialog);
    return dialog.exec();
}

void setModalHandler(ModalHandler handler) {
    modalHandler() = std::move(handler);
}

QWidget* dialogParent(QWidget* widget) {
    return widget ? widget->window() : nullptr;
}

int askMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                  const QString& text, const QStringList& buttons, int defaultButton,
                  int escapeButton) {
    // On the heap: whoever deletes the window meanwhile deletes the box with it.
    QPointer<QMessageBox> box =
        new QMessageBox(icon, caption, text, QMessageBox::NoButton, dialogParent(parent));
    box->setTextFormat(Qt::PlainText); // texts hold names from files: never markup
    QList<QPushButton*> added;
    for (const QString& label : buttons)
        added.append(box->addButton(label, QMessageBox::AcceptRole)); // one role keeps the order
    if (defaultButton >= 0 && defaultButton < added.size())
        box->setDefaultButton(added[defaultButton]);
    if (escapeButton >= 0 && escapeButton < added.size())
        box->setEscapeButton(added[escapeButton]);
    runModal(*box);
    if (!box)
        return escapeButton;
    const int chosen = added.indexOf(static_cast<QPushButton*>(box->clickedButton()));
    delete box;
    return chosen >= 0 ? chosen : escapeButton;
}

void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                    const QString& text) {
    askMessageBox(parent, icon, caption, text, {QStringLiteral("OK")});
}
