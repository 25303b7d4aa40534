#pragma once

// Shared helpers of the test suites: a private settings folder, and scripted
// answers for the plug-in's modal dialogs.

#include "platform/modal_ui.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>

// Points the settings store at a temporary folder for the life of the object.
class ScopedSettings {
public:
    ScopedSettings() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir.path());
    }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

// What a modal dialog showed.
struct SeenDialog {
    QString caption;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the plug-in's modal dialogs in order. Each answer gets the real
// dialog; by default message boxes are answered with their first button.
class ModalScript {
public:
    using Answer = std::function<int(QDialog&)>;

    ModalScript() {
        setModalHandler([this](QDialog& dialog) { return handle(dialog); });
    }
    ~ModalScript() { setModalHandler({}); }

    // Clicks the message box button with this text.
    void clickButton(const QString& text) {
        answers.push_back([text](QDialog& dialog) {
            for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
                if (button->text() == text) {
                    button->click();
                    return dialog.result();
                }
            return -1;
        });
    }
    void answer(Answer a) { answers.push_back(std::move(a)); }

    QList<SeenDialog> seen;

private:
    int handle(QDialog& dialog) {
        SeenDialog record;
        record.caption = dialog.windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            record.text = box->text();
            record.icon = box->icon();
            for (QAbstractButton* button : box->buttons())
                record.buttons.append(button->text());
        }
        seen.append(record);
        if (answers.empty()) {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog); box && !box->buttons().isEmpty())
                box->buttons().first()->click();
            return dialog.result();
        }
        Answer next = std::move(answers.front());
        answers.pop_front();
        return next(dialog);
    }

    std::deque<Answer> answers;
};
