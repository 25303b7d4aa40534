#pragma once

#include <QObject>
#include <QStringList>

#include <map>

class HostWindow;
class QLabel;
class StoreHost;

// What this session may not change, shown where the engineer looks. The status
// bar names the paths whose locks were refused and why. The plug-in tells of
// each refused lock in a box of its own, five at the start on a store that
// another owner works on; those boxes are answered for the user and summed up
// in one box once the editor has settled.
class ReadOnlyNotice : public QObject {
    Q_OBJECT
public:
    ReadOnlyNotice(HostWindow& window, StoreHost& host);
    ~ReadOnlyNotice() override;

    // While held (the start of a session: the system, the module), the boxes are
    // gathered without a summary; released, one summary follows for all of them.
    void holdSummary(bool held);

    // The plug-in's box for a refused lock.
    static bool isLockBox(const QObject* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lockAnswered(const QString& path, const QString& refusal);
    void scheduleSummary();
    void showGathered();

    HostWindow& window;
    QLabel* label = nullptr;
    std::map<QString, QString> refused; // store path -> why its lock was refused
    QStringList gathered;               // first lines of the boxes answered since the last summary
    bool summaryPending = false;
    bool held = false;
};
