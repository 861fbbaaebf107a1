#pragma once

#include <QObject>

class QLabel;
class QStatusBar;

// Panes 1 to 3 of the status bar: "UF" (caps lock), "NUM" (num lock) and "RF" (scroll lock),
// each shown while its lock key is on, empty otherwise.
//
// Qt reports no lock-key state. On X11 each key event carries the modifier state of the X
// server, in which caps lock and num lock are the Lock and Mod2 bits: the panes follow those,
// from the first key pressed in the program on. Scroll lock is no modifier there, and other
// platforms report nothing, so those panes stay empty.
class CStatusIndicators : public QObject {
    Q_OBJECT
public:
    explicit CStatusIndicators(QStatusBar* statusBar);
    ~CStatusIndicators() override;

    // Left edge of the first indicator pane in status-bar coordinates.
    int Left() const;
    QLabel* Pane(int index) const { return m_aPanes[index]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_aPanes[3] = {};
    bool m_bCaps = false;
    bool m_bNum = false;
};
