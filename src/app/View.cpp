#include "app/View.h"

#include "app/Document.h"

#include <QWidget>

CView::~CView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

QWidget* CView::GetWidget() {
    return dynamic_cast<QWidget*>(this);
}
