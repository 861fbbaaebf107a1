// The user's tables as GDAL reads them, and the one sheet a territory assignment is written to.
#include "render/gdal/GdalModule.h"

#include <QFile>
#include <QFileInfo>

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_api.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

class CTable final : public CGdalTable {
public:
    // `textFile`: for a text table, the name its records are read by; empty for a spreadsheet.
    // `h` null: a text table GDAL's driver did not take, its one sheet named `textSheet`.
    CTable(GDALDatasetH h, QString failure, QByteArray textFile, QString textSheet = {})
        : m_h(h), m_strFailure(std::move(failure)), m_textFile(std::move(textFile)),
          m_strTextSheet(std::move(textSheet)) {
        if (!m_textFile.isEmpty())
            m_cSeparator = GdalModule::TextSeparator(m_textFile);
    }
    ~CTable() override {
        if (m_h)
            GDALClose(m_h);
#ifdef __GLIBC__
        // A spreadsheet's sheet was millions of small blocks; the allocator keeps their pages
        // unless asked, and the map's place list would then come on top of them.
        malloc_trim(0);
#endif
    }
    CTable(const CTable&) = delete;
    CTable& operator=(const CTable&) = delete;

    QStringList SheetNames() const override {
        QStringList names;
        // A text file GDAL's driver did not take has one sheet, named as the driver names it.
        if (!m_h)
            return {m_strTextSheet};
        for (int i = 0; i < GDALDatasetGetLayerCount(m_h); ++i)
            names << QString::fromUtf8(OGR_L_GetName(GDALDatasetGetLayer(m_h, i)));
        return names;
    }

    bool ReadRows(const QString& sheet, const RowTaker& take) override {
        const GdalModule::QuietErrors quiet(&m_strFailure);
        if (!m_h) {
            if (!sheet.isEmpty() && sheet != m_strTextSheet)
                return false;
            return ReadTextRows(take);
        }
        OGRLayerH layer = Layer(sheet);
        if (!layer)
            return false;
        if (!m_textFile.isEmpty())
            return ReadTextRows(take);
        OGR_L_ResetReading(layer);
        const int fields = OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(layer));
        std::vector<const char*> cells;
        while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
            cells.assign(size_t(fields), nullptr);
            for (int i = 0; i < fields; ++i) {
                if (OGR_F_IsFieldSetAndNotNull(feature, i))
                    cells[size_t(i)] = OGR_F_GetFieldAsString(feature, i);
            }
            const bool more = take(OGR_F_GetFID(feature), cells);
            OGR_F_Destroy(feature);
            if (!more)
                break;
        }
        return true;
    }

    char Separator() const override {
        return m_textFile.isEmpty() ? '\0' : m_cSeparator;
    }
    void SetSeparator(char separator) override {
        if (!m_textFile.isEmpty())
            m_cSeparator = separator;
    }

    QString Failure() const override {
        return m_strFailure;
    }

private:
    // GDAL's driver decides the separator by the first line alone and keeps only as many
    // cells of a row as that line has: a text table's rows are read with its line reader,
    // numbered from 1 without the blank lines, as the driver numbers them.
    bool ReadTextRows(const RowTaker& take) {
        qint64 record = 0;
        std::vector<const char*> row;
        const bool opened =
            GdalModule::ReadTextRecords(m_textFile, m_cSeparator, [&](const char* const* cells) {
                row.clear();
                for (const char* const* cell = cells; *cell; ++cell)
                    row.push_back(*cell);
                return take(++record, row);
            });
        if (!opened && m_strFailure.isEmpty())
            m_strFailure = QStringLiteral("sie kann nicht mehr geöffnet werden");
        return true;
    }

    OGRLayerH Layer(const QString& sheet) const {
        return sheet.isEmpty() ? GDALDatasetGetLayer(m_h, 0)
                               : GDALDatasetGetLayerByName(m_h, sheet.toUtf8().constData());
    }

    GDALDatasetH m_h;
    QString m_strFailure;
    QByteArray m_textFile;
    QString m_strTextSheet;
    char m_cSeparator = ';';
};

} // namespace

namespace GdalModule {

std::unique_ptr<CGdalTable> OpenTable(const QString& path, bool text, bool nul) {
    RegisterDrivers();
    QString failure;
    const QuietErrors quiet(&failure);
    const QByteArray file = nul ? NulFreeFile(path) : QFile::encodeName(path);
    const QByteArray name = (text ? QByteArrayLiteral("CSV:") : QByteArray()) + file;
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
        if (text && LooksLikeText(path))
            return std::make_unique<CTable>(nullptr, QString(), file,
                                            QFileInfo(path).completeBaseName());
        return nullptr;
    }
    return std::make_unique<CTable>(h, failure, text ? file : QByteArray());
}

bool WriteSheet(const QString& path, const QByteArray& sheet, const QStringList& columns,
                const QList<QStringList>& rows, QString* message) {
    RegisterDrivers();
    GDALDriverH driver = GDALGetDriverByName("XLSX");
    GDALDatasetH ds = driver ? GDALCreate(driver, QFile::encodeName(path).constData(), 0, 0, 0,
                                          GDT_Unknown, nullptr)
                             : nullptr;
    bool ok = ds != nullptr;
    OGRLayerH layer =
        ok ? GDALDatasetCreateLayer(ds, sheet.constData(), nullptr, wkbNone, nullptr) : nullptr;
    ok = layer != nullptr;
    for (const QString& column : columns) {
        if (!ok)
            break;
        OGRFieldDefnH field = OGR_Fld_Create(column.toUtf8().constData(), OFTString);
        ok = OGR_L_CreateField(layer, field, TRUE) == OGRERR_NONE;
        OGR_Fld_Destroy(field);
    }
    for (const QStringList& cells : rows) {
        if (!ok)
            break;
        OGRFeatureH feature = OGR_F_Create(OGR_L_GetLayerDefn(layer));
        for (int i = 0; i < cells.size(); ++i)
            OGR_F_SetFieldString(feature, i, cells[i].toUtf8().constData());
        ok = OGR_L_CreateFeature(layer, feature) == OGRERR_NONE;
        OGR_F_Destroy(feature);
    }
    if (ds) {
        // The sheet is written out when it is closed.
        CPLErrorReset();
        GDALClose(ds);
        ok = ok && CPLGetLastErrorType() != CE_Failure;
    }
    if (!ok) {
        const char* text = CPLGetLastErrorMsg();
        *message = text && *text ? QString::fromUtf8(text) : QString();
    }
    return ok;
}

} // namespace GdalModule
