#include "platform/system_chooser.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

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
        const QString name = line.trimmed();
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItems(names);
    // Keep the user's choice across a refreshed listing; otherwise nothing is
    // chosen until the user picks a system.
    combo->setCurrentIndex(names.indexOf(current));
}
