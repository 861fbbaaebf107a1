#include "render/places/HiddenSheets.h"

#include "data/ZipReader.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <functional>

namespace {

// An ODS file's content holds every cell too: one larger than this is not looked through.
constexpr qint64 kMaxPartBytes = qint64(256) << 20;

// Streams the part `name` of the archive through `reader`; `element` is told each start
// element and returns false once it has seen enough.
void readPart(const QString& path, const QString& name, QXmlStreamReader& reader,
              const std::function<bool()>& element) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    CZipReader zip(file);
    zip.SetMaxFileBytes(kMaxPartBytes);
    QString entry;
    while (zip.NextFile(&entry)) {
        if (entry != name)
            continue;
        QByteArray block(64 * 1024, '\0');
        for (qint64 n; (n = zip.Read(block.data(), block.size())) > 0;) {
            reader.addData(block.left(n));
            while (!reader.atEnd()) {
                if (reader.readNext() == QXmlStreamReader::StartElement && !element())
                    return;
            }
            if (reader.error() != QXmlStreamReader::NoError &&
                reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                return;
        }
        return;
    }
}

QSet<QString> hiddenOfXlsx(const QString& path) {
    QSet<QString> hidden;
    QXmlStreamReader reader;
    bool inSheets = false;
    readPart(path, QStringLiteral("xl/workbook.xml"), reader, [&] {
        if (reader.name() == u"sheets")
            inSheets = true;
        else if (inSheets && reader.name() == u"sheet") {
            const QStringView state = reader.attributes().value(QStringLiteral("state"));
            if (state == u"hidden" || state == u"veryHidden")
                hidden.insert(reader.attributes().value(QStringLiteral("name")).toString());
        }
        return true;
    });
    return hidden;
}

QSet<QString> hiddenOfOds(const QString& path) {
    constexpr QStringView kTable = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
    constexpr QStringView kStyle = u"urn:oasis:names:tc:opendocument:xmlns:style:1.0";
    QSet<QString> hiddenStyles, hidden;
    QString style; // the table style being read
    QXmlStreamReader reader;
    readPart(path, QStringLiteral("content.xml"), reader, [&] {
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.namespaceUri() == kStyle && reader.name() == u"style") {
            style = attributes.value(kStyle.toString(), QStringLiteral("name")).toString();
        } else if (reader.namespaceUri() == kStyle && reader.name() == u"table-properties") {
            if (attributes.value(kTable.toString(), QStringLiteral("display")) == u"false")
                hiddenStyles.insert(style);
        } else if (reader.namespaceUri() == kTable && reader.name() == u"table") {
            if (hiddenStyles.contains(
                    attributes.value(kTable.toString(), QStringLiteral("style-name")).toString()))
                hidden.insert(
                    attributes.value(kTable.toString(), QStringLiteral("name")).toString());
            // Its rows and cells say nothing of the sheets.
            reader.skipCurrentElement();
        }
        return true;
    });
    return hidden;
}

} // namespace

namespace HiddenSheets {

QSet<QString> Of(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx")
        return hiddenOfXlsx(path);
    if (suffix == u"ods")
        return hiddenOfOds(path);
    return {};
}

QString Label(const QString& sheet, const QSet<QString>& hidden) {
    return hidden.contains(sheet) ? QStringLiteral("%1 (ausgeblendet)").arg(sheet) : sheet;
}

} // namespace HiddenSheets
