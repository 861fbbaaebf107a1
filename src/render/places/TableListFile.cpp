#include "render/places/TableListFile.h"

#include "base/Cp1252.h"
#include "base/SystemErrorText.h"
#include "render/places/TableListTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>

#include <algorithm>
#include <climits>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <mutex>

namespace {

void registerDrivers() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Every cell as text and no header guessed by the driver: the list's own reader
        // finds the header row, which need not be the first.
        CPLSetConfigOption("OGR_XLSX_HEADERS", "DISABLE");
        CPLSetConfigOption("OGR_XLSX_FIELD_TYPES", "STRING");
        CPLSetConfigOption("OGR_ODS_HEADERS", "DISABLE");
        CPLSetConfigOption("OGR_ODS_FIELD_TYPES", "STRING");
        GDALAllRegister();
    });
}

// GDAL's messages stay inside; the first failure is kept in `failure`. A driver that meets
// damage half-way through a sheet (XML that breaks off, a limit of its own) says so only
// this way and hands out the rows it got so far.
struct QuietErrors {
    explicit QuietErrors(QString* failure) {
        CPLPushErrorHandlerEx(&QuietErrors::Record, failure);
        CPLErrorReset();
    }
    ~QuietErrors() { CPLPopErrorHandler(); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

    static void CPL_STDCALL Record(CPLErr type, CPLErrorNum, const char* message) {
        auto* failure = static_cast<QString*>(CPLGetErrorHandlerUserData());
        if (type >= CE_Failure && failure && failure->isEmpty())
            *failure = message && *message ? QString::fromUtf8(message) : QStringLiteral("?");
    }
};

QString decodeCell(const char* bytes) {
    const QByteArrayView view(bytes);
    // Most cells are plain ASCII, the same in either encoding.
    if (std::all_of(view.begin(), view.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(view);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    return utf8.hasError() ? Cp1252::Decode(view) : text;
}

bool isTextTable(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"csv" || suffix == u"tsv" || suffix == u"txt" || suffix == u"tab";
}

// Whether a file with the ending of a text table starts as text does: no zip archive, no
// compound document, no NUL byte in its first 4 KB.
bool looksLikeText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4096);
    return !head.startsWith("PK\x03\x04") && !head.startsWith("\xD0\xCF\x11\xE0") &&
           !head.contains('\0');
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

struct CTableListFile::Dataset {
    GDALDatasetH h = nullptr;
    ~Dataset() {
        if (!h)
            return;
        GDALClose(h);
#ifdef __GLIBC__
        // A spreadsheet's sheet was millions of small blocks; the allocator keeps their pages
        // unless asked, and the map's place list would then come on top of them.
        malloc_trim(0);
#endif
    }
};

CTableListFile::CTableListFile() = default;
CTableListFile::~CTableListFile() = default;

bool CTableListFile::Open(const QString& path) {
    registerDrivers();
    m_pData.reset();
    m_textName.clear();
    m_strError.clear();
    m_strPath = path;
    if (!QFileInfo(path).isFile()) {
        m_strError = QStringLiteral("Die Datei \"%1\" gibt es nicht.").arg(path);
        return false;
    }
    m_strFailure.clear();
    const QuietErrors quiet(&m_strFailure);
    const bool text = isTextTable(path);
    if (text && TableListTextFile::IsUtf16(path)) {
        m_strError = QStringLiteral("Die Datei \"%1\" ist als UTF-16 (Unicode-Text) gespeichert. "
                                    "Kelvo liest Textdateien in UTF-8 oder Windows-1252; bitte "
                                    "so speichern.")
                         .arg(path);
        return false;
    }
    m_bNul = text && TableListTextFile::HasNul(path);
    const QByteArray name =
        m_bNul ? TableListTextFile::GdalName(path)
               : (text ? QByteArrayLiteral("CSV:") : QByteArray()) + QFile::encodeName(path);
    const char* const spreadsheets[] = {"XLSX", "ODS", nullptr};
    const char* const texts[] = {"CSV", nullptr};
    const char* const csvOptions[] = {"HEADERS=NO", "AUTODETECT_TYPE=NO", "EMPTY_STRING_AS_NULL=NO",
                                      nullptr};
    GDALDatasetH h = GDALOpenEx(name.constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY,
                                text ? texts : spreadsheets, text ? csvOptions : nullptr, nullptr);
    if (!h || GDALDatasetGetLayerCount(h) == 0) {
        if (h)
            GDALClose(h);
        // GDAL's driver takes no text whose first line has a single cell (a list of postal
        // codes alone); its line reader does.
        if (text && looksLikeText(path)) {
            m_textName = TableListTextFile::FileName(path, m_bNul);
            m_cSeparator = TableListTextFile::Separator(m_textName);
            return true;
        }
        m_strError = whyNotOpened(path);
        return false;
    }
    m_pData = std::make_unique<Dataset>();
    m_pData->h = h;
    // GDAL's driver decides the separator by the first line alone and keeps only as many
    // cells of a row as that line has: its rows are read with its line reader instead.
    m_textName = text ? TableListTextFile::FileName(path, m_bNul) : QByteArray();
    if (text)
        m_cSeparator = TableListTextFile::Separator(m_textName);
    return true;
}

void CTableListFile::Close() {
    m_pData.reset();
    m_textName.clear();
}

QStringList CTableListFile::SheetNames() const {
    QStringList names;
    // A text file GDAL's driver did not take has one sheet, named as the driver names it.
    if (!m_pData && !m_textName.isEmpty())
        names << QFileInfo(m_strPath).completeBaseName();
    if (!m_pData)
        return names;
    for (int i = 0; i < GDALDatasetGetLayerCount(m_pData->h); ++i)
        names << QString::fromUtf8(OGR_L_GetName(GDALDatasetGetLayer(m_pData->h, i)));
    return names;
}

bool CTableListFile::ReadRows(const QString& sheet, const std::function<bool(const Row&)>& take) {
    m_strError.clear();
    if (!m_pData && m_textName.isEmpty()) {
        m_strError = QStringLiteral("Keine Tabelle geöffnet.");
        return false;
    }
    const QuietErrors quiet(&m_strFailure);
    const bool textRows = !m_textName.isEmpty();
    OGRLayerH layer = nullptr;
    if (!textRows)
        layer = sheet.isEmpty() ? GDALDatasetGetLayer(m_pData->h, 0)
                                : GDALDatasetGetLayerByName(m_pData->h, sheet.toUtf8().constData());
    if (textRows ? !sheet.isEmpty() && !SheetNames().contains(sheet) : !layer) {
        m_strError = QStringLiteral("Die Datei \"%1\" hat kein Blatt \"%2\" (es gibt: %3).")
                         .arg(m_strPath, sheet, SheetNames().join(QStringLiteral(", ")));
        return false;
    }
    if (textRows)
        return ReadTextRows(take);
    OGR_L_ResetReading(layer);
    const int fields = OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(layer));
    Row row;
    int lastLine = 0;
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
        // Spreadsheet rows are numbered as the sheet numbers them; a text file's features
        // are its lines.
        const GIntBig fid = OGR_F_GetFID(feature);
        row.nLine = fid > lastLine && fid < INT_MAX ? int(fid) : lastLine + 1;
        lastLine = row.nLine;
        row.cells.clear();
        row.bCellTooLong = false;
        row.bNulRead = false;
        int used = fields;
        while (used > 0 && !OGR_F_IsFieldSetAndNotNull(feature, used - 1))
            --used;
        row.cells.reserve(used);
        for (int i = 0; i < used; ++i)
            AddCell(row, OGR_F_IsFieldSetAndNotNull(feature, i) ? OGR_F_GetFieldAsString(feature, i)
                                                                : "");
        OGR_F_Destroy(feature);
        if (!take(row))
            break;
    }
    return CheckFailure();
}

bool CTableListFile::ReadTextRows(const std::function<bool(const Row&)>& take) {
    Row row;
    if (!TableListTextFile::ReadRecords(m_textName, m_cSeparator, [&](const char* const* cells) {
            // Records are numbered from 1 without the blank lines, as GDAL's driver does.
            ++row.nLine;
            row.cells.clear();
            row.bCellTooLong = false;
            row.bNulRead = false;
            for (const char* const* cell = cells; *cell; ++cell)
                AddCell(row, *cell);
            return take(row);
        })) {
        m_strError = QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(m_strPath);
        return false;
    }
    return CheckFailure();
}

void CTableListFile::AddCell(Row& row, const char* bytes) const {
    QString cell = decodeCell(bytes);
    if (cell.size() > kMaxCellChars) {
        cell.truncate(kMaxCellChars);
        row.bCellTooLong = true;
    }
    if (m_bNul && cell.contains(QChar(TableListTextFile::kNulStandIn)))
        row.bNulRead = true;
    row.cells << cell;
}

bool CTableListFile::CheckFailure() {
    // Whatever the driver read before a failure is no whole sheet: none of it is taken.
    if (!m_strFailure.isEmpty()) {
        m_strError = QStringLiteral("Die Datei \"%1\" kann nicht vollständig gelesen werden "
                                    "(%2). Kelvo übernimmt keine Zeile daraus.")
                         .arg(m_strPath, m_strFailure);
        return false;
    }
    return true;
}
