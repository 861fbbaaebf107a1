#pragma once

#include "render/draw/DrawTypes.h"

#include <QPoint>
#include <QRect>

// The rubber band a map view's zoom is dragged with. It starts as the pressed point; while
// the button is held its right-bottom corner follows the pointer, and it is never normalised
// (dragged leftwards or upwards its width or height is negative). Once the pointer has moved,
// the band is kept at least kMinSize pixels wide and high: a smaller width or height takes
// that size in its own direction (rightwards or downwards when it is zero). A band that never
// moved, and a cancelled one, end as the pressed point again.
class CBandTracker {
public:
    static constexpr int kMinSize = 8;

    // Starts tracking at the pressed point.
    void Begin(QPoint point);
    // The pointer moved (or the button was released there): the right-bottom corner follows.
    // Returns true when the band changed.
    bool Move(QPoint point);
    // The button was released at `point`; tracking ends.
    void End(QPoint point);
    // Escape or the right button: tracking ends and the band is the pressed point again.
    void Cancel();

    bool IsTracking() const { return m_bTracking; }
    // True once a move changed the band; only then is it drawn.
    bool HasMoved() const { return m_bMoved; }

    // The band as left, top (the pressed point), right and bottom (the corner that followed).
    const CRect& Band() const { return m_rect; }
    QPoint Start() const { return QPoint(m_rect.left, m_rect.top); }
    int Width() const { return m_rect.Width(); }
    int Height() const { return m_rect.Height(); }
    // The pixels the band's outline covers, normalised: from the smaller to the larger
    // coordinate, the larger one excluded.
    QRect Bounds() const;

private:
    static int Enforce(int from, int to);

    CRect m_rect;
    bool m_bTracking = false;
    bool m_bMoved = false;
};
