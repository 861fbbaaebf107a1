#include "render/map/MapImage.h"

#include "render/draw/DeviceContext.h"
#include "render/map/MapCanvas.h"

#include <QFile>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace MapImage {

QImage Render(CMapCanvas& canvas, QSize outerSize, int factor, QString* error) {
    if (outerSize.isEmpty() || factor < 1) {
        *error = QStringLiteral("Die Karte hat keine Fläche.");
        return QImage();
    }
    QImage image(outerSize * factor, QImage::Format_RGB32);
    if (image.isNull()) {
        *error = QStringLiteral("Für ein Bild dieser Größe reicht der Speicher nicht.");
        return QImage();
    }
    image.fill(Qt::white);
    QPainter painter(&image);
    CDeviceContext dc(painter);
    dc.SetViewportExt(factor, factor);
    *error = canvas.OnDraw(dc, outerSize);
    return error->isEmpty() ? image : QImage();
}

bool WritePng(CMapCanvas& canvas, QSize outerSize, int factor, const QString& path,
              QString* error) {
    const QImage image = Render(canvas, outerSize, factor, error);
    if (image.isNull())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        *error = QStringLiteral("Das Bild \"%1\" kann nicht geschrieben werden.").arg(path);
        return false;
    }
    return true;
}

bool WriteSvg(CMapCanvas& canvas, QSize outerSize, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Das Bild \"%1\" kann nicht geschrieben werden: %2")
                     .arg(path, file.errorString());
        return false;
    }
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(outerSize);
    svg.setViewBox(QRect(QPoint(0, 0), outerSize));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Kelvo-Karte"));
    {
        QPainter painter;
        if (!painter.begin(&svg)) {
            *error = QStringLiteral("Das Bild \"%1\" kann nicht geschrieben werden.").arg(path);
            return false;
        }
        painter.fillRect(QRect(QPoint(0, 0), outerSize), Qt::white);
        CDeviceContext dc(painter);
        *error = canvas.OnDraw(dc, outerSize);
    }
    if (!error->isEmpty())
        return false; // the save file is discarded
    if (!file.commit()) {
        *error = QStringLiteral("Das Bild \"%1\" kann nicht geschrieben werden: %2")
                     .arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace MapImage
