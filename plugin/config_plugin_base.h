#pragma once

#include "plugin/plugin_export.h"

#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

class QMenu;

// The host's answer to one command of the plug-in.
struct TOLV_EXPORT HostReply {
    enum Result : qint32 { Ok = 0, Fail = 1, ReadOnly = 2, Done = 3 };

    qint32 result = Ok;
    QString operation; // "download", "lock", "upload" or "dir"
    QString file;      // store-relative path
    QString text;      // error text, or the listing of a "dir"
};

// Dock windows and tool bars the host shows beside the editor: QDockWidget or QToolBar.
using QDockWindowList = QList<QWidget*>;
using QPopupMenuList = QList<QMenu*>;

// The editor widget that a descriptor creates and the host embeds.
class TOLV_EXPORT config_plugin_base : public QWidget {
    Q_OBJECT
public:
    config_plugin_base(const QString& rootDir, const QString& pluginName,
                       const QString& extraParam);
    ~config_plugin_base() override;

    virtual QDockWindowList dockWindows();
    virtual QPopupMenuList popupMenus();
    virtual bool hostQuery();
    virtual bool isDirty();
    virtual void activate(bool active);
    virtual void navigate(const QString& target, const QString& context);
    virtual void reply(const HostReply& reply);
    virtual void apply();
    virtual QString about();

protected:
    void closeEvent(QCloseEvent* event) override;

    QString rootDir;
    QString pluginName;
    QString extraParam;
};

// What the exported entry returns: the host's handle on one kind of plug-in.
class TOLV_EXPORT config_plugin_desc_base {
public:
    virtual ~config_plugin_desc_base();
    virtual QStringList menuPaths(qint32 a, qint32 b) = 0;
    virtual QPixmap icon(qint32 a) = 0;
    virtual config_plugin_base* createWidget(const QString& rootDir, const QString& pluginName,
                                             const QString& extraParam) = 0;
};

// Signature of the exported entry, for hosts that resolve it by name.
using load_tolv_config_plugin_desc_fn = config_plugin_desc_base* (*)();
