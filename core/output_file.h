#pragma once

#include <QDateTime>
#include <QString>

// The record of one output module file.
class cOutputFile {
public:
    cOutputFile() = default;
    cOutputFile(const QString& name, const QString& configTool, const QString& fileName)
        : name(name), configTool(configTool), fileName(fileName) {}
    virtual ~cOutputFile() = default;

    bool modified = false;
    QString name;
    QString configTool;
    QString fileName; // store-relative path
    QDateTime lastModified;
};
