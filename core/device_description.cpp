#include "core/device_description.h"

#include "core/device_template.h"
#include "core/slot_rules.h"
#include "core/text_codec.h"
#include "core/xml_text.h"

#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QStringDecoder>

QByteArray deviceDescriptionBytes(const QString& typeId, const QVector<DevDescParam>& params) {
    QString text = QStringLiteral("<?xml version=\"1.0\"?>\r\n"
                                  "<!DOCTYPE device_description SYSTEM "
                                  "\"device_description.dtd\">\r\n"
                                  "<device_description name=\"") +
                   xmlAttributeText(typeId) + QStringLiteral("\">\r\n");
    for (const DevDescParam& param : params) {
        text += QStringLiteral("\t<param name=\"") + xmlAttributeText(param.name) +
                QStringLiteral("\" slot=\"") + xmlAttributeText(param.slot) +
                QStringLiteral("\" class=\"enum\" style=\"popup_list\" access=\"readwrite\" "
                               "template=\"alarmButton\">\r\n\t</param>\r\n");
    }
    text += QStringLiteral("</device_description>");
    return text.toUtf8();
}

QVector<DevDescParam> templateDescriptionParams(const devTemplate& entry, int maxSlot) {
    QVector<DevDescParam> params;
    for (auto it = entry.params.cbegin(); it != entry.params.cend(); ++it)
        if (it.value() >= 1 && it.value() <= maxSlot)
            params.append({it.key(), QString::number(it.value())});
    return params;
}

DevDescReadResult readDeviceDescription(const QByteArray& content, const QString& typeId) {
    DevDescReadResult result;
    QDomDocument document;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(content);
    Q_UNUSED(decoded);
    const bool parsed = utf8.hasError() ? bool(document.setContent(fromEightBit(content)))
                                        : bool(document.setContent(content));
    if (!parsed) {
        result.failure = DevDescReadResult::NotXml;
        return result;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("device_description")) {
        result.failure = DevDescReadResult::WrongTag;
        result.detail = root.tagName();
        return result;
    }
    if (root.attribute("name") != typeId) {
        result.failure = DevDescReadResult::WrongName;
        result.detail = root.attribute("name");
        return result;
    }
    for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement param = node.toElement();
        if (param.isNull() || param.tagName() != QLatin1String("param"))
            continue;
        const QString name = param.attribute("name");
        const int slot = slotNumber(param.attribute("slot"));
        if (slot != 0 && !name.isEmpty())
            result.params[name] = slot;
    }
    return result;
}

DevDescReadResult loadDeviceDescription(const QString& path, const QString& typeId) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DevDescReadResult result;
        result.failure = DevDescReadResult::CannotOpen;
        result.detail = file.errorString();
        return result;
    }
    return readDeviceDescription(file.readAll(), typeId);
}
