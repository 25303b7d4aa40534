#include "tools/check/shared_checks.h"

#include "core/text_codec.h"
#include "tools/check/findings.h"

#include <QXmlStreamReader>

void checkWellFormed(const QString& storePath, const QByteArray& bytes, Findings& findings) {
    // Decoded with the mapping the shared files are written in, whatever the
    // declaration names.
    QXmlStreamReader reader(fromEightBit(bytes));
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        findings.error(storePath, int(reader.lineNumber()), "xml",
                       "not well-formed XML: " + reader.errorString());
}
