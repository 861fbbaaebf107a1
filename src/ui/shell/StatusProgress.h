#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QString>

class QProgressBar;

// A caption and a 0-100 progress bar in the message pane (pane 0) of the main frame's status
// bar, shown while a table loads or sorts or a map draws. One instance, g_StatusProgress.
//
// Callers turn the wait cursor on, call Start, set the position k * 100 / n after each row,
// then Destroy the bar and turn the wait cursor off (CStatusBarProgress does all of that).
class CStatusProgress {
public:
    // Shows the caption (cut to 50 characters) in pane 0 and a fresh bar after it, painted at
    // once, or with the event loop's next paint for an operation during which it runs.
    void Start(const QString& caption, bool paintNow = true);
    // Moves the bar. It is repainted at once when the position changes, at most every
    // kRepaintMs milliseconds (the eye sees no more, and a fast map drawing would spend a
    // third of its time on the bar), and never while a widget is being painted (a map
    // drawing inside its paint event); otherwise it is only scheduled for repainting.
    void SetPos(int pos);
    // Removes the bar. The caption stays in pane 0 until someone replaces it.
    void Destroy();

    // The bar's rectangle in status-bar coordinates: left 2 for an empty caption, otherwise
    // 6 pixels a character; top 2; right 5 pixels inside the pane's right edge; bottom 16.
    static QRect BarRect(const QString& caption, const QRect& pane);

    static constexpr int kRepaintMs = 40;

    QString m_strCaption;
    QPointer<QProgressBar> m_wndProgress;

private:
    QElapsedTimer m_timerRepaint; // since the bar was last repainted at once
};

extern CStatusProgress g_StatusProgress;

// True while any widget of the program is inside its paint event; nothing may then be
// repainted synchronously.
bool IsPaintingWidget();
