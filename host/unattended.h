#pragma once

#include <QString>

class HostWindow;

// Runs that nobody watches: tolv-host --screenshot, and signals that end a run.

// Reports every modal dialog on stderr as it is shown and dismisses it from
// within its own event loop (the plug-in's lock boxes excepted: ReadOnlyNotice
// answers those).
void dismissModalDialogs();

// Clicks the button or triggers the action of the window with this object name;
// false when there is none or it is disabled.
bool clickNamed(HostWindow& window, const QString& name);

// Once the editor has settled: optionally clicks a button first, then saves a
// picture to the file (of the first dialog the click opens, over the window,
// or else of the window) and ends the run.
void takeScreenshotWhenIdle(HostWindow& window, const QString& click, const QString& file);
