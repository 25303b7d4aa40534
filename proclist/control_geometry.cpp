#include "proclist/control_geometry.h"

QString readControlSetting(const QString&) { return QString(); }
void writeControlSetting(const QString&, const QString&) {}
void readWindowGeometry(QPoint&, QSize&, bool&, const QString&) {}
void writeWindowGeometry(const QPoint&, const QSize&, const bool&, const QString&) {}
void restoreListViewColumns(QTreeWidget*, const QString&) {}
void saveListViewColumns(QTreeWidget*, const QString&) {}
void restoreTableColumns(QTableWidget*, const QString&) {}
void saveTableColumns(QTableWidget*, const QString&) {}
