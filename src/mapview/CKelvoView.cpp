#include "mapview/CKelvoView.h"

CKelvoView::CKelvoView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KelvoView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
}

void CKelvoView::RepaintNow() { repaint(); }
