#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QEventLoop;
class QTimer;
class QWidget;

// Waits for work running on another thread while the program stays usable: events are
// handled meanwhile (keys, clicks, repaints, other windows), the cursor is the busy cursor
// that still takes input, and Esc pressed in the main window cancels the wait (the wait
// begun last, when several run).
class CUsableWait : public QObject {
public:
    // How often the work is asked whether it is done.
    static constexpr int kPollMs = 20;

    // Asks `poll` every kPollMs (first once the events already waiting are handled) until it
    // returns true. True when it did;
    // false when the wait was cancelled: by Cancel(), by Esc, by the program ending, or by a
    // close of `closing` (the close is then refused; the owner closes it later).
    bool Run(const std::function<bool()>& poll, QWidget* closing = nullptr);
    void Cancel();
    bool IsRunning() const { return m_pLoop != nullptr; }
    // From any thread: the waits running now ask their work at once (work that has something
    // to show says so, instead of waiting for the next poll).
    static void Wake();
    // Whether the last Run was cancelled by a close of `closing`.
    bool CloseRefused() const { return m_bCloseRefused; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QEventLoop* m_pLoop = nullptr;
    QTimer* m_pPoll = nullptr;
    QPointer<QWidget> m_pClosing;
    bool m_bCancelled = false;
    bool m_bCloseRefused = false;
};
