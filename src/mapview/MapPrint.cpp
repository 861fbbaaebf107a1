#include "mapview/MapPrint.h"

#include "draw/DeviceContext.h"
#include "mapview/MapCanvas.h"

QString PrintMap(QPainter& painter, CMapCanvas& canvas, QSize outerSize, QSize screenDpi,
                 QSize printerDpi, CProgress* progress) {
    CDeviceContext dc(painter);
    dc.SetWindowExt(screenDpi.width(), screenDpi.height());
    dc.SetViewportExt(printerDpi.width(), printerDpi.height());
    return canvas.OnDraw(dc, outerSize, progress);
}
