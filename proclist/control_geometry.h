#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QTableWidget;
class QTreeWidget;

// Layouts of windows, list views and tables, kept in the settings store under
// "KX_ConfigEdit/Controls/" + a control path.
QString readControlSetting(const QString& path);
void writeControlSetting(const QString& value, const QString& path);

void readWindowGeometry(QPoint& pos, QSize& size, bool& maximized, const QString& path);
void writeWindowGeometry(const QPoint& pos, const QSize& size, const bool& maximized,
                         const QString& path);

void restoreListViewColumns(QTreeWidget* view, const QString& path);
void saveListViewColumns(QTreeWidget* view, const QString& path);

void restoreTableColumns(QTableWidget* table, const QString& path);
void saveTableColumns(QTableWidget* table, const QString& path);
