#include "ui/shell/StatusProgress.h"

#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"

#include <QApplication>
#include <QProgressBar>
#include <QStatusBar>

namespace {
constexpr int kMaxCaption = 50;
}

bool IsPaintingWidget() {
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets) {
        if (widget->testAttribute(Qt::WA_WState_InPaintEvent))
            return true;
    }
    return false;
}

QRect CStatusProgress::BarRect(const QString& caption, const QRect& pane) {
    const int left = caption.isEmpty() ? 2 : 6 * int(caption.size());
    const int top = 2;
    const int right = pane.x() + pane.width() - 5; // the pane's right edge is exclusive
    const int bottom = 16;
    return QRect(left, top, right - left, bottom - top);
}

void CStatusProgress::Start(const QString& caption, bool paintNow) {
    m_strCaption = caption.left(kMaxCaption);
    CMainFrame* frame = theApp.GetMainFrame();
    if (!frame)
        return;
    QStatusBar* bar = frame->statusBar();
    frame->SetMessageText(m_strCaption);
    if (paintNow && !IsPaintingWidget())
        bar->repaint();
    const QRect rect = BarRect(m_strCaption, frame->MessagePaneRect());

    Destroy();
    m_wndProgress = new QProgressBar(bar);
    m_wndProgress->setObjectName(QStringLiteral("StatusProgress"));
    m_wndProgress->setTextVisible(false);
    m_wndProgress->setRange(0, 100);
    m_wndProgress->setValue(0);
    m_wndProgress->setGeometry(rect);
    m_wndProgress->show();
    if (paintNow && !IsPaintingWidget())
        m_wndProgress->repaint();
    m_timerRepaint.start();
}

void CStatusProgress::SetPos(int pos) {
    if (!m_wndProgress || m_wndProgress->value() == pos)
        return;
    // QProgressBar paints itself at once for every value that moves the bar: held back here,
    // so that values set in quick succession cost one paint (a sort's last 90 values came at
    // once, each painted on its own).
    m_wndProgress->setUpdatesEnabled(false);
    m_wndProgress->setValue(pos);
    m_wndProgress->setUpdatesEnabled(true);
    if (m_timerRepaint.isValid() && m_timerRepaint.elapsed() < kRepaintMs) {
        m_wndProgress->update();
    } else if (IsPaintingWidget()) {
        m_wndProgress->update();
    } else {
        m_wndProgress->repaint();
        m_timerRepaint.restart();
    }
}

void CStatusProgress::Destroy() {
    if (!m_wndProgress)
        return;
    // Hidden at once, deleted when control returns to the event loop: Destroy may run inside
    // another widget's paint event.
    m_wndProgress->hide();
    m_wndProgress->deleteLater();
    m_wndProgress = nullptr;
}
