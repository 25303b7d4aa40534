#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// One process of an alarm system's process definitions, in file order.
struct ProcessDefinition {
    QString name;
    QString group;
    int line = 0; // of the "[name]" header, counted from 1
};

// Parses the text of a process definitions file: "[name]" starts a process,
// "Group=..." gives its group; everything else is ignored.
QVector<ProcessDefinition> parseProcessDefinitions(const QByteArray& content);
