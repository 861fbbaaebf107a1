#include "ui/shell/View.h"

#include "ui/shell/Document.h"

#include <QWidget>

CView::~CView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

QWidget* CView::GetWidget() {
    return dynamic_cast<QWidget*>(this);
}
