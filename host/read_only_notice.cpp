#include "host/read_only_notice.h"

#include "host/host_window.h"
#include "host/store_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

ReadOnlyNotice::ReadOnlyNotice(HostWindow& hostWindow, StoreHost& host)
    : QObject(&hostWindow), window(hostWindow) {
    label = new QLabel(&window);
    label->setObjectName("readOnlyLabel");
    label->hide();
    window.statusBar()->addWidget(label, 1);
    connect(&host, &StoreHost::lockAnswered, this, &ReadOnlyNotice::lockAnswered);
    qApp->installEventFilter(this);
}

ReadOnlyNotice::~ReadOnlyNotice() {
    qApp->removeEventFilter(this);
}

bool ReadOnlyNotice::isLockBox(const QObject* object) {
    const auto* box = qobject_cast<const QMessageBox*>(object);
    return box && box->windowTitle() == QLatin1String("Lock") &&
           box->text().startsWith(QLatin1String("Lock: "));
}

void ReadOnlyNotice::lockAnswered(const QString& path, const QString& refusal) {
    if (refusal.isEmpty())
        refused.erase(path);
    else
        refused[path] = refusal;
    // One entry per reason, the reason first: the paths may not fit.
    std::map<QString, QStringList> byReason;
    for (const auto& [lockedPath, reason] : refused)
        byReason[reason].append(lockedPath);
    QStringList parts;
    for (const auto& [reason, paths] : byReason)
        parts.append(QStringLiteral("%1: %2").arg(reason, paths.join(QLatin1String(", "))));
    label->setText(tr("Read only, %1").arg(parts.join(QLatin1String("; "))));
    label->setToolTip(label->text());
    label->setVisible(!refused.empty());
}

bool ReadOnlyNotice::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !isLockBox(watched))
        return false;
    auto* box = static_cast<QMessageBox*>(watched);
    box->setWindowOpacity(0); // answered at once: not worth a flash on the screen
    gathered.append(box->text().section('\n', 0, 0));
    QTimer::singleShot(0, box, [box] {
        if (QAbstractButton* ok = box->escapeButton())
            ok->click();
        else
            box->reject();
    });
    scheduleSummary();
    return false;
}

void ReadOnlyNotice::holdSummary(bool hold) {
    held = hold;
    scheduleSummary();
}

void ReadOnlyNotice::scheduleSummary() {
    if (held || summaryPending || gathered.isEmpty())
        return;
    summaryPending = true;
    window.whenIdle([this] { showGathered(); });
}

void ReadOnlyNotice::showGathered() {
    summaryPending = false;
    if (held || gathered.isEmpty())
        return;
    const QString text = tr("These locks were refused, so what they cover opens read only:\n\n%1")
                             .arg(gathered.join('\n'));
    gathered.clear();
    QMessageBox box(QMessageBox::Information, tr("Read only"), text, QMessageBox::Ok, &window);
    box.exec();
}
