#pragma once

#include "plugin/plugin_export.h"

#include <QObject>
#include <QString>

class QDomDocument;
class Document;

// Creates and writes the installation's shared XML documents.
class TOLV_EXPORT IDomDoc {
public:
    virtual ~IDomDoc() = default;
    virtual void createDocument(const QString& docType, const QString& systemId,
                                QDomDocument& doc) = 0;
    virtual void writeDocument(const QDomDocument& doc, const QString& name) = 0;
};

// Typed documents that other plug-ins may read; null where none is held.
class TOLV_EXPORT IGetDocuments {
public:
    virtual ~IGetDocuments() = default;
    virtual Document* getDocument0() = 0;
    virtual Document* getDocument1() = 0;
    virtual Document* getDocument2() = 0;
    virtual Document* getDocument3() = 0;
    virtual Document* getDocument4() = 0;
    virtual Document* getSystemDocument() = 0;
};

// Asks the host to carry out a command word on a store path.
class TOLV_EXPORT ISendCommand {
public:
    virtual ~ISendCommand() = default;
    virtual void sendCommand(const QString& command, const QString& file) = 0;
};

Q_DECLARE_INTERFACE(IDomDoc, "IDomDoc")
Q_DECLARE_INTERFACE(IGetDocuments, "IGetDocuments")
Q_DECLARE_INTERFACE(ISendCommand, "ISendCommand")
