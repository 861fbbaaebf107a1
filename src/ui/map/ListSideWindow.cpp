#include "ui/map/ListSideWindow.h"

#include "ui/shell/ChildFrame.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace {

QMdiArea* areaOf(CChildFrame* frame) {
    return frame ? frame->mdiArea() : nullptr;
}

// The frame's neighbour position for a window of `size`, kept inside the area.
QPoint besidePosition(const QRect& frame, QSize size, QSize area, ListSideWindow::Side side) {
    QPoint pos = side == ListSideWindow::Side::Right ? QPoint(frame.right() + 1, frame.top())
                                                     : QPoint(frame.left(), frame.bottom() + 1);
    pos.setX(std::max(0, std::min(pos.x(), area.width() - size.width())));
    pos.setY(std::max(0, std::min(pos.y(), area.height() - size.height())));
    return pos;
}

} // namespace

namespace ListSideWindow {

QMdiSubWindow* Show(QWidget* content, CChildFrame* mapFrame, Side side) {
    QMdiArea* area = areaOf(mapFrame);
    if (!area) {
        delete content;
        return nullptr;
    }
    auto* window = new QMdiSubWindow;
    window->setWidget(content);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(content->windowTitle());
    area->addSubWindow(window);
    QSize size = window->sizeHint();
    if (side == Side::Below)
        size.setWidth(std::max(size.width(), mapFrame->width()));
    size = size.boundedTo(area->viewport()->size());
    window->resize(size);
    window->move(besidePosition(mapFrame->geometry(), size, area->viewport()->size(), side));
    Raise(window, mapFrame);
    return window;
}

void Raise(QMdiSubWindow* window, CChildFrame* mapFrame) {
    if (!window)
        return;
    window->show();
    window->raise();
    if (QMdiArea* area = areaOf(mapFrame))
        area->setActiveSubWindow(mapFrame);
}

} // namespace ListSideWindow
