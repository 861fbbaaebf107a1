#pragma once

#include "app/View.h"

#include <QWidget>

// The view of a map window. For now a plain white area: the map itself is drawn here later.
class CKelvoView : public QWidget, public CView {
    Q_OBJECT
public:
    explicit CKelvoView(QWidget* parent = nullptr);

    // A full repaint at once (the window is invalidated and updated immediately).
    void RepaintNow();
};
