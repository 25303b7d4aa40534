#pragma once

// The device description file of one device type: a small XML document that
// lists the type's parameters with their slots. Written as UTF-8 text with CR LF
// line ends and escaped attribute values; read as XML.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

class devTemplate;

struct DevDescParam {
    QString name;
    QString slot; // written as it stands
};

// The whole file: the declaration, the document type, the device_description
// element named typeId with two lines per parameter, and the closing line
// without a line end.
QByteArray deviceDescriptionBytes(const QString& typeId, const QVector<DevDescParam>& params);

// The parameters of a template that its file lists: map order, slots 1..maxSlot
// in decimal.
QVector<DevDescParam> templateDescriptionParams(const devTemplate& entry, int maxSlot);

struct DevDescReadResult {
    enum Failure { None, CannotOpen, NotXml, WrongTag, WrongName };
    Failure failure = None;
    // CannotOpen: the error text; WrongTag: the tag found; WrongName: the name found.
    QString detail;
    QMap<QString, int> params;

    bool ok() const { return failure == None; }
};

// Reads the parameters of a file that must describe the type typeId. A "param"
// child counts when its name is not empty and its slot (decimal, 0 when absent
// or not a number) is not 0; a later one of the same name wins. A file that is
// not valid UTF-8 is read as 8-bit text, as older writers stored names.
DevDescReadResult readDeviceDescription(const QByteArray& content, const QString& typeId);
DevDescReadResult loadDeviceDescription(const QString& path, const QString& typeId);
