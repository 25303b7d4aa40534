#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

class QTableView;
class QTreeView;

// Layouts of windows, list views and tables, kept in the settings store under
// "KX_ConfigEdit/Controls/" + a control path.
QString readControlSetting(const QString& path);
void writeControlSetting(const QString& value, const QString& path);

void readWindowGeometry(QPoint& pos, QSize& size, bool& maximized, const QString& path);
void writeWindowGeometry(const QPoint& pos, const QSize& size, const bool& maximized,
                         const QString& path);

void restoreListViewColumns(QTreeView* view, const QString& path);
void saveListViewColumns(QTreeView* view, const QString& path);

void restoreTableColumns(QTableView* table, const QString& path);
void saveTableColumns(QTableView* table, const QString& path);
