#pragma once

#include "host/store_host.h"

#include <QString>
#include <QStringList>

#include <vector>

// tolv-host's command line: our options, parsed and checked before the toolkit
// starts, so that help, version and mistakes never need a display.
struct HostOptions {
    QString store;
    QString work;   // empty: a fresh temporary folder
    QString plugin; // empty: defaultPluginPath()
    QString pluginName;
    QString owner;
    StoreHost::ReplyMode replyMode = StoreHost::ReplyMode::Immediate;
    QString system;
    bool navigate = false;
    QString navigateContext;
    QString click; // object name of a button or action to use once the editor has settled
    QString screenshot;
    bool verbose = false;

    enum class Outcome { Run, Print, PrintWithToolkitOptions, Fail };
    // Parses our arguments (as taken by takeHostArguments) and checks them
    // against the store. Print: *message goes to stdout, exit 0; Fail: to
    // stderr, exit 1; PrintWithToolkitOptions: help including the toolkit's options,
    // which only a running application can list (printHelpAll).
    Outcome parse(const QStringList& ours, QString* message);
};

// Splits the command line into our options (returned) and the toolkit's (left
// in qtArguments, with argv[0] first). Qt would take some of ours for its own
// (--plugin is its -plugin), so they are taken out before it sees them.
QStringList takeHostArguments(int argc, char** argv, std::vector<char*>* qtArguments);

// The plug-in beside the program, else where it is installed, else the one of its
// build; needs the application.
QString defaultPluginPath();

// The help with the toolkit's options; needs the application. Exits.
[[noreturn]] void printHelpAll();
