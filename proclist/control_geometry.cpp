#include "proclist/control_geometry.h"
#include "core/store_paths.h"

#include <QHeaderView>
#include <QSettings>
#include <QStringList>
#include <QTableView>
#include <QTreeView>
#include <QVariant>

namespace {

const QString& keyRoot = StorePaths::settingsKeyRoot;

// Layouts are shared by every instance of the plug-in and outlive it.
QSettings controlSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("KX"),
                     QStringLiteral("ConfigEdit"));
}

QStringList fieldsOf(const QString& value) {
    return value.split(',', Qt::SkipEmptyParts);
}

// A field that is not a decimal whole number reads as 0.
int number(const QString& field) {
    return field.trimmed().toInt();
}

int columnsOf(const QTreeView* view) {
    return view->header()->count();
}

int columnsOf(const QTableView* view) {
    return view->horizontalHeader()->count();
}

template <typename View> QString widthsOf(const View* view) {
    QString value = QString::number(view->width());
    for (int column = 0; column < columnsOf(view); ++column)
        value += ',' + QString::number(view->columnWidth(column));
    return value;
}

// The view's width from the first field, then one column width per field. With a
// header given, each restored column is switched to manual sizing.
template <typename View>
void restoreColumns(View* view, const QString& path, QHeaderView* manualHeader) {
    const QString value = readControlSetting(path);
    if (value.isNull())
        return;
    const QStringList fields = fieldsOf(value);
    if (fields.isEmpty())
        return;
    view->resize(number(fields[0]), view->height());
    for (int column = 0; column + 1 < fields.size() && column < columnsOf(view); ++column) {
        if (manualHeader)
            manualHeader->setSectionResizeMode(column, QHeaderView::Interactive);
        view->setColumnWidth(column, number(fields[column + 1]));
    }
}

} // namespace

QString readControlSetting(const QString& path) {
    const QVariant value = controlSettings().value(keyRoot + path);
    if (!value.isValid())
        return QString();
    // A value written unquoted by another program comes back split at its
    // commas; put it together again.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(',');
    return value.toString();
}

void writeControlSetting(const QString& value, const QString& path) {
    // A QString value is stored quoted, so its commas survive the round trip.
    controlSettings().setValue(keyRoot + path, value);
}

void readWindowGeometry(QPoint& pos, QSize& size, bool& maximized, const QString& path) {
    const QString value = readControlSetting(path);
    if (value.isNull())
        return;
    // Fields missing from a short value leave their part as it was.
    const QStringList fields = fieldsOf(value);
    if (fields.size() >= 2)
        pos = QPoint(number(fields[0]), number(fields[1]));
    if (fields.size() >= 4)
        size = QSize(number(fields[2]), number(fields[3]));
    if (fields.size() >= 5)
        maximized = fields[4] == QLatin1String("true");
}

void writeWindowGeometry(const QPoint& pos, const QSize& size, const bool& maximized,
                         const QString& path) {
    writeControlSetting(QStringLiteral("%1,%2,%3,%4,%5")
                            .arg(pos.x())
                            .arg(pos.y())
                            .arg(size.width())
                            .arg(size.height())
                            .arg(maximized ? QStringLiteral("true") : QStringLiteral("false")),
                        path);
}

void restoreListViewColumns(QTreeView* view, const QString& path) {
    if (view)
        restoreColumns(view, path, view->header()); // restored columns are sized by hand
}

void saveListViewColumns(QTreeView* view, const QString& path) {
    if (view)
        writeControlSetting(widthsOf(view), path);
}

void restoreTableColumns(QTableView* table, const QString& path) {
    if (table)
        restoreColumns(table, path, nullptr);
}

void saveTableColumns(QTableView* table, const QString& path) {
    if (table)
        writeControlSetting(widthsOf(table), path);
}
