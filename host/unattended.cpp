#include "host/unattended.h"

#include "host/host_window.h"
#include "host/read_only_notice.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

// Where the next dialog's picture goes, over which window; empty when none is wanted.
QString dialogPictureFile;
QPointer<QWidget> dialogBackdrop;
std::optional<bool> dialogPictureSaved; // set once a dialog was drawn

// The dialog drawn over the middle of the window, as the user would see it.
bool savePictureWithDialog(QWidget* window, QDialog* dialog, const QString& file) {
    QPixmap picture = window->grab();
    const QPixmap front = dialog->grab();
    const int titleHeight = dialog->fontMetrics().height() + 8; // no window manager draws one
    QRect frame(QPoint(0, 0), front.size() + QSize(0, titleHeight));
    frame.moveCenter(picture.rect().center());
    QPainter painter(&picture);
    painter.fillRect(frame, dialog->palette().color(QPalette::Mid));
    painter.setPen(dialog->palette().color(QPalette::BrightText));
    painter.drawText(frame.adjusted(8, 0, 0, titleHeight - frame.height()), Qt::AlignVCenter,
                     dialog->windowTitle());
    painter.drawPixmap(frame.topLeft() + QPoint(0, titleHeight), front);
    painter.setPen(dialog->palette().color(QPalette::Dark));
    painter.drawRect(frame.adjusted(-1, -1, 0, 0));
    painter.end();
    return picture.save(file, "PNG");
}

class ModalDismisser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() != QEvent::Show || !dialog || !dialog->isModal() ||
            ReadOnlyNotice::isLockBox(dialog))
            return false;
        QTimer::singleShot(0, dialog, [dialog] {
            if (!dialogPictureFile.isEmpty()) {
                dialogPictureSaved = dialogBackdrop && savePictureWithDialog(dialogBackdrop, dialog,
                                                                             dialogPictureFile);
                dialogPictureFile.clear();
            }
            QString text;
            if (auto* box = qobject_cast<QMessageBox*>(dialog))
                text = box->text();
            std::fprintf(stderr, "tolv-host: dismissed \"%s\": %s\n",
                         qPrintable(dialog->windowTitle()), qPrintable(text));
            dialog->reject();
        });
        return false;
    }
};

void finish(HostWindow& window, bool saved, const QString& file) {
    if (!saved)
        std::fprintf(stderr, "tolv-host: cannot write %s\n", qPrintable(file));
    window.close();
    QCoreApplication::exit(saved ? 0 : 1);
}

} // namespace

void dismissModalDialogs() {
    static ModalDismisser* dismisser = nullptr;
    if (dismisser)
        return;
    dismisser = new ModalDismisser(qApp);
    qApp->installEventFilter(dismisser);
}

bool clickNamed(HostWindow& window, const QString& name) {
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>(name)) {
        if (button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    for (QAction* action : window.findChildren<QAction*>(name)) {
        if (action->isEnabled()) {
            action->trigger();
            return true;
        }
    }
    return false;
}

void takeScreenshotWhenIdle(HostWindow& window, const QString& click, const QString& file) {
    window.whenIdle([&window, click, file] {
        if (!click.isEmpty()) {
            dialogPictureFile = file;
            dialogBackdrop = &window;
            const bool clicked = clickNamed(window, click);
            dialogPictureFile.clear();
            if (!clicked) {
                std::fprintf(stderr, "tolv-host: --click %s: no such button or action enabled\n",
                             qPrintable(click));
                window.close();
                QCoreApplication::exit(1);
                return;
            }
            if (dialogPictureSaved)
                return finish(window, *dialogPictureSaved, file);
        }
        // A click that opened no dialog: the window as the click left it.
        window.whenIdle([&window, file] { finish(window, window.grab().save(file, "PNG"), file); });
    });
}
