#include "ui/map/ListSideWindow.h"

#include "ui/shell/ChildFrame.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVariant>

#include <algorithm>

namespace {

// Set on a map frame that was maximized when its list's first window came.
constexpr char kMadeRoom[] = "kelvoListMadeRoom";

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

// A maximized map would hide its list's windows behind it: it is shown in the whole area
// instead, less the room the window of `size` takes at its side; and so for each window
// that comes after.
void makeRoom(CChildFrame* mapFrame, QSize room, QSize size, ListSideWindow::Side side) {
    if (mapFrame->isMaximized()) {
        mapFrame->showNormal();
        mapFrame->setGeometry(QRect(QPoint(0, 0), room));
        mapFrame->setProperty(kMadeRoom, true);
    }
    if (!mapFrame->property(kMadeRoom).toBool())
        return;
    QRect map = mapFrame->geometry();
    if (side == ListSideWindow::Side::Right)
        map.setWidth(std::max(map.width() / 2, room.width() - size.width()));
    else
        map.setHeight(std::max(map.height() / 2, room.height() - size.height()));
    mapFrame->setGeometry(map);
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
    // The map's own icon, not the toolkit's default, in the window's title bar.
    window->setWindowIcon(mapFrame->windowIcon());
    area->addSubWindow(window);
    QSize size = window->sizeHint();
    if (side == Side::Below)
        size.setWidth(std::max(size.width(), mapFrame->width()));
    size = size.boundedTo(area->viewport()->size());
    makeRoom(mapFrame, area->viewport()->size(), size, side);
    // Beside the map the window takes what is left (it scrolls if need be) rather than lie
    // over the map; only where even its least size finds no room is it pushed back over it.
    const QRect map = mapFrame->geometry();
    const QSize room = area->viewport()->size();
    const QSize least = window->minimumSizeHint();
    const bool madeRoom = mapFrame->property(kMadeRoom).toBool();
    if (side == Side::Right) {
        const int left = room.width() - map.right() - 1;
        if (madeRoom || left >= least.width())
            size.setWidth(std::min(size.width(), left));
    } else {
        const int left = room.height() - map.bottom() - 1;
        if (madeRoom || left >= least.height())
            size.setHeight(std::min(size.height(), left));
    }
    window->resize(size);
    window->move(besidePosition(mapFrame->geometry(), size, area->viewport()->size(), side));
    Raise(window, mapFrame, side);
    return window;
}

void Raise(QMdiSubWindow* window, CChildFrame* mapFrame, Side side) {
    if (!window)
        return;
    if (mapFrame && mapFrame->isMaximized() && areaOf(mapFrame)) {
        const QSize room = areaOf(mapFrame)->viewport()->size();
        makeRoom(mapFrame, room, window->size(), side);
        window->move(besidePosition(mapFrame->geometry(), window->size(), room, side));
    }
    window->show();
    window->raise();
    if (QMdiArea* area = areaOf(mapFrame))
        area->setActiveSubWindow(mapFrame);
}

} // namespace ListSideWindow
