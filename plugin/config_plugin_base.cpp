#include "plugin/config_plugin_base.h"

#include <QCloseEvent>

config_plugin_base::config_plugin_base(const QString& rootDir, const QString& pluginName,
                                       const QString& extraParam)
    : QWidget(nullptr), rootDir(rootDir), pluginName(pluginName), extraParam(extraParam) {
    setObjectName(QString::fromLatin1(pluginName.toLatin1()));
}

config_plugin_base::~config_plugin_base() = default;

QDockWindowList config_plugin_base::dockWindows() {
    return {};
}
QPopupMenuList config_plugin_base::popupMenus() {
    return {};
}
bool config_plugin_base::hostQuery() {
    return false;
}
bool config_plugin_base::isDirty() {
    return false;
}
void config_plugin_base::activate(bool) {}
void config_plugin_base::navigate(const QString&, const QString&) {}
void config_plugin_base::reply(const HostReply&) {}
void config_plugin_base::apply() {}

QString config_plugin_base::about() {
    return "This is the default \"About\" text for \"" + pluginName +
           "\" - the author should have defined some \"About\" information here";
}

void config_plugin_base::closeEvent(QCloseEvent* event) {
    event->accept();
}

config_plugin_desc_base::~config_plugin_desc_base() = default;
