#pragma once

// Checks a configuration store as it lies on disk, through the readers of core/:
// every output module of this plug-in in each alarm system, the modules of a
// system (and of an infodriver) together, the process definitions, the system
// ini and the two shared files.

#include "tools/check/findings.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct CheckOptions {
    QString storeDir;    // the store's root, as the user gave it
    QStringList systems; // the alarm systems to check; empty: all
    QString pluginName = QStringLiteral("alm_tolv_output"); // the ConfigTool of our modules
};

struct CheckResult {
    QString fatal;             // not empty: the store could not be read at all, and why
    QVector<Finding> findings; // sorted
    int systems = 0;
    int modules = 0; // modules of this plug-in that were checked
};

CheckResult checkStore(const CheckOptions& options);
