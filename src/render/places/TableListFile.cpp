#include "render/places/TableListFile.h"

#include "base/Cp1252.h"
#include "base/SystemErrorText.h"
#include "render/gdal/GdalFormats.h"
#include "render/places/TableListTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <climits>

namespace {

QString decodeCell(const char* bytes) {
    const QByteArrayView view(bytes);
    // Most cells are plain ASCII, the same in either encoding.
    if (std::all_of(view.begin(), view.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(view);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    return utf8.hasError() ? Cp1252::Decode(view) : text;
}

// GDAL's ODS driver stops at 10 MB of cells (each counted with at least 16 bytes), a limit
// no configuration option raises, and says so in these words.
constexpr char kOdsMemoryLimit[] = "Too much accumulated memory for row/cell repetition";

bool isTextTable(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"csv" || suffix == u"tsv" || suffix == u"txt" || suffix == u"tab";
}

// What the first bytes say about a file GDAL could not open.
QString whyNotOpened(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden: %2.")
            .arg(path,
                 SystemErrorText::OfFile(path, SystemErrorText::Access::Read, file.errorString()));
    const QByteArray head = file.read(8);
    // An encrypted Office file is a compound document, as the old .xls format is too.
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return QStringLiteral("Die Datei \"%1\" ist mit einem Kennwort geschützt oder im alten "
                              "Excel-Format (.xls). Bitte ohne Kennwort als .xlsx, .ods oder "
                              ".csv speichern.")
            .arg(path);
    if (isTextTable(path)) {
        // A workbook saved or renamed with the ending of a text file.
        if (head.startsWith("PK\x03\x04"))
            return QStringLiteral("Die Datei \"%1\" ist keine Textdatei, sondern ein ZIP-Archiv, "
                                  "wohl eine Arbeitsmappe (.xlsx, .ods) mit falscher Endung. "
                                  "Bitte mit ihrer eigenen Endung öffnen.")
                .arg(path);
        // Pictures, documents and programs hold NUL bytes at their start; text does not.
        if ((head + file.peek(4096)).contains('\0'))
            return QStringLiteral("Die Datei \"%1\" ist keine Textdatei und keine Tabelle, die "
                                  "Kelvo lesen kann (erwartet: .xlsx, .ods, .csv oder .tsv).")
                .arg(path);
    }
    return QStringLiteral("Die Datei \"%1\" ist keine Tabelle, die Kelvo lesen kann (erwartet: "
                          ".xlsx, .ods, .csv oder .tsv).")
        .arg(path);
}

} // namespace

CTableListFile::CTableListFile() = default;
CTableListFile::~CTableListFile() = default;

bool CTableListFile::Open(const QString& path) {
    m_pData.reset();
    m_strError.clear();
    m_strPath = path;
    if (!QFileInfo(path).isFile()) {
        m_strError = QStringLiteral("Die Datei \"%1\" gibt es nicht.").arg(path);
        return false;
    }
    const bool text = isTextTable(path);
    if (text && TableListTextFile::IsUtf16(path)) {
        m_strError = QStringLiteral("Die Datei \"%1\" ist als UTF-16 (Unicode-Text) gespeichert. "
                                    "Kelvo liest Textdateien in UTF-8 oder Windows-1252; bitte "
                                    "so speichern.")
                         .arg(path);
        return false;
    }
    CGdalFormats* formats = GdalFormats::Get(&m_strError);
    if (!formats)
        return false;
    m_bText = text;
    m_bNul = text && TableListTextFile::HasNul(path);
    m_pData = formats->OpenTable(path, text, m_bNul);
    if (!m_pData) {
        m_strError = whyNotOpened(path);
        return false;
    }
    return true;
}

void CTableListFile::Close() {
    m_pData.reset();
}

QStringList CTableListFile::SheetNames() const {
    return m_pData ? m_pData->SheetNames() : QStringList();
}

char CTableListFile::Separator() const {
    return m_pData ? m_pData->Separator() : '\0';
}

void CTableListFile::SetSeparator(char separator) {
    if (m_pData)
        m_pData->SetSeparator(separator);
}

bool CTableListFile::ReadRows(const QString& sheet, const std::function<bool(const Row&)>& take) {
    m_strError.clear();
    if (!m_pData) {
        m_strError = QStringLiteral("Keine Tabelle geöffnet.");
        return false;
    }
    Row row;
    int lastLine = 0;
    const bool found =
        m_pData->ReadRows(sheet, [&](qint64 fid, const std::vector<const char*>& cells) {
            // Spreadsheet rows are numbered as the sheet numbers them; a text file's features
            // are its lines.
            row.nLine = fid > lastLine && fid < INT_MAX ? int(fid) : lastLine + 1;
            lastLine = row.nLine;
            row.cells.clear();
            row.bCellTooLong = false;
            row.bNulRead = false;
            qsizetype used = qsizetype(cells.size());
            while (used > 0 && !cells[size_t(used - 1)])
                --used;
            row.cells.reserve(used);
            for (qsizetype i = 0; i < used; ++i) {
                QString cell;
                if (const char* bytes = cells[size_t(i)])
                    cell = decodeCell(bytes);
                if (cell.size() > kMaxCellChars) {
                    cell.truncate(kMaxCellChars);
                    row.bCellTooLong = true;
                }
                if (m_bNul && cell.contains(QChar(TableListTextFile::kNulStandIn)))
                    row.bNulRead = true;
                row.cells << cell;
            }
            return take(row);
        });
    if (!found) {
        m_strError = QStringLiteral("Die Datei \"%1\" hat kein Blatt \"%2\" (es gibt: %3).")
                         .arg(m_strPath, sheet, SheetNames().join(QStringLiteral(", ")));
        return false;
    }
    // Whatever the driver read before a failure is no whole sheet: none of it is taken.
    const QString failure = m_pData->Failure();
    if (failure.startsWith(QLatin1String(kOdsMemoryLimit))) {
        m_strError = QStringLiteral("Die Datei \"%1\" ist zu groß für den ODS-Leser von GDAL: "
                                    "er liest höchstens 10 MB an Zellen, jede Zelle mit "
                                    "mindestens 16 Byte gezählt (bei fünf Spalten rund "
                                    "110.000 Zeilen). Kelvo übernimmt keine Zeile daraus. Bitte "
                                    "die Liste als .xlsx oder .csv speichern.")
                         .arg(m_strPath);
        return false;
    }
    if (!failure.isEmpty()) {
        m_strError = QStringLiteral("Die Datei \"%1\" kann nicht vollständig gelesen werden "
                                    "(%2). Kelvo übernimmt keine Zeile daraus.")
                         .arg(m_strPath, failure);
        return false;
    }
    return true;
}
