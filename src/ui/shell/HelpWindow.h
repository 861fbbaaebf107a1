#pragma once

#include <QWidget>

class QTextBrowser;

// The help window: the program's German help page in a browser, opened by "Hilfethemen",
// F1 and Shift+F1. One window, reused; it belongs to the main frame.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent);

    // Shows the window at a topic (an anchor of the page; empty: the top).
    void ShowTopic(const QString& topic);
    QTextBrowser* Browser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
};
