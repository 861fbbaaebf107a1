#include "render/map/BandTracker.h"

#include <algorithm>
#include <cstdlib>

void CBandTracker::Begin(QPoint point) {
    m_rect = CRect{point.x(), point.y(), point.x(), point.y()};
    m_bTracking = true;
    m_bMoved = false;
}

int CBandTracker::Enforce(int from, int to) {
    const long long size = static_cast<long long>(to) - from;
    if (std::llabs(size) >= kMinSize)
        return to;
    return size < 0 ? from - kMinSize : from + kMinSize;
}

bool CBandTracker::Move(QPoint point) {
    if (!m_bTracking)
        return false;
    const CRect old = m_rect;
    m_rect.right = Enforce(m_rect.left, point.x());
    m_rect.bottom = Enforce(m_rect.top, point.y());
    if (m_rect == old)
        return false;
    m_bMoved = true;
    return true;
}

void CBandTracker::End(QPoint point) {
    if (!m_bTracking)
        return;
    const bool moved = m_bMoved;
    Move(point);
    m_bMoved = moved;
    // A band that never moved before the release stays the pressed point.
    if (!m_bMoved) {
        m_rect.right = m_rect.left;
        m_rect.bottom = m_rect.top;
    }
    m_bTracking = false;
}

void CBandTracker::Cancel() {
    m_rect.right = m_rect.left;
    m_rect.bottom = m_rect.top;
    m_bTracking = false;
    m_bMoved = false;
}

QRect CBandTracker::Bounds() const {
    const int l = std::min(m_rect.left, m_rect.right), r = std::max(m_rect.left, m_rect.right);
    const int t = std::min(m_rect.top, m_rect.bottom), b = std::max(m_rect.top, m_rect.bottom);
    return QRect(l, t, r - l, b - t);
}
