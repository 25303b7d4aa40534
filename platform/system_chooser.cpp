#include "platform/system_chooser.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The editor builds store paths from the chosen name, so a name must stay one
// folder below the alarms directory.
bool isSystemName(const QString& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\\');
}

} // namespace

CSystemChooser::CSystemChooser(QWidget* parent, const char* name) : QWidget(parent) {
    if (name)
        setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(tr("Alarm system"), this);
    combo = new QComboBox(this);
    combo->setObjectName("systemCombo");
    label->setBuddy(combo);
    layout->addWidget(label);
    layout->addWidget(combo);
    connect(combo, &QComboBox::textActivated, this, &CSystemChooser::sysChanged);
}

QString CSystemChooser::getSystemName() const {
    return combo->currentText();
}

void CSystemChooser::setSystemNames(const QString& listing) {
    const QString current = combo->currentText();
    QStringList names;
    for (const QString& line : listing.split('\n')) {
        const QString name = line.trimmed(); // also drops the CR of CR LF lines
        if (isSystemName(name) && !names.contains(name))
            names.append(name);
    }
    QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(names);
    // Keep the user's choice across a refreshed listing, without a signal; when
    // it has gone, nothing is chosen until the user picks a system.
    combo->setCurrentIndex(names.indexOf(current));
}
