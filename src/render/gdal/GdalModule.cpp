// The entry point of libkelvo-gdal.so.
#include "render/gdal/GdalModule.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

namespace {

class CModuleFormats final : public CGdalFormats {
public:
    std::unique_ptr<CGdalTable> OpenTable(const QString& path, bool text, bool nul) override {
        return GdalModule::OpenTable(path, text, nul);
    }
    bool WriteSheet(const QString& path, const QByteArray& sheet, const QStringList& columns,
                    const QList<QStringList>& rows, QString* message) override {
        return GdalModule::WriteSheet(path, sheet, columns, rows, message);
    }
    bool AreaColumns(const QString& path, int rows, QStringList* names, QList<QStringList>* cells,
                     QString* error) override {
        return GdalModule::AreaColumns(path, rows, names, cells, error);
    }
    bool ReadAreas(const QString& path, const CGdalAreaRequest& request, QList<CPostalArea>* areas,
                   int* repaired, int* skipped, QString* error) override {
        return GdalModule::ReadAreas(path, request, areas, repaired, skipped, error);
    }
    QList<QPointF> Hull(const std::vector<QPointF>& points, bool concave, double ratio) override {
        return GdalModule::Hull(points, concave, ratio);
    }
    std::shared_ptr<const CGdalArea> Union(const QList<QByteArray>& wkbs) override {
        return GdalModule::Union(wkbs);
    }
};

void CPL_STDCALL recordFailure(CPLErr type, CPLErrorNum, const char* message) {
    auto* failure = static_cast<QString*>(CPLGetErrorHandlerUserData());
    if (type >= CE_Failure && failure && failure->isEmpty())
        *failure = message && *message ? QString::fromUtf8(message) : QStringLiteral("?");
}

} // namespace

namespace GdalModule {

void RegisterDrivers() {
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

QuietErrors::QuietErrors(QString* failure) {
    CPLPushErrorHandlerEx(&recordFailure, failure);
    CPLErrorReset();
}

QuietErrors::~QuietErrors() {
    CPLPopErrorHandler();
}

} // namespace GdalModule

extern "C" Q_DECL_EXPORT CGdalFormats* KelvoGdalFormats(int version) {
    static CModuleFormats formats;
    return version == CGdalFormats::kVersion ? &formats : nullptr;
}
