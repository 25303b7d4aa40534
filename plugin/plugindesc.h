#pragma once

#include "plugin/config_plugin_base.h"

// Descriptor of the TOLV output plug-in: its menu path, icon and editor.
class plugindesc : public config_plugin_desc_base {
public:
    QStringList menuPaths(qint32 a, qint32 b) override;
    QPixmap icon(qint32 a) override;
    config_plugin_base* createWidget(const QString& rootDir, const QString& pluginName,
                                     const QString& extraParam) override;
};

extern "C" TOLV_EXPORT config_plugin_desc_base* load_tolv_config_plugin_desc();
