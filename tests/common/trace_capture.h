#pragma once

// Collects the debug trace lines written while the object lives.

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

class TraceCapture {
public:
    TraceCapture() {
        current() = this;
        previous = qInstallMessageHandler(&TraceCapture::handler);
    }
    ~TraceCapture() {
        qInstallMessageHandler(previous);
        current() = nullptr;
    }
    bool contains(const QString& line) const { return lines.contains(line); }
    int indexOf(const QString& line, int from = 0) const { return lines.indexOf(line, from); }

    QStringList lines;

private:
    static TraceCapture*& current() {
        static TraceCapture* capture = nullptr;
        return capture;
    }
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtDebugMsg && current())
            current()->lines.append(message);
    }
    QtMessageHandler previous = nullptr;
};
