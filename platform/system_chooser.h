#pragma once

#include "plugin/plugin_export.h"

#include <QString>
#include <QWidget>

class QComboBox;

// Alarm system selector: offers the system names of the host's listing and
// reports the one the user picks.
class TOLV_EXPORT CSystemChooser : public QWidget {
    Q_OBJECT
public:
    explicit CSystemChooser(QWidget* parent = nullptr, const char* name = nullptr);

    QString getSystemName() const;               // empty when none is chosen
    void setSystemNames(const QString& listing); // one system name per line

signals:
    void sysChanged(const QString& systemName);

private:
    QComboBox* combo;
};
