#pragma once

#include <QObject>
#include <QString>

#include <functional>

class CDocument;
class CMainFrame;
class QMenu;
class QWidget;

// The help page's topic (an anchor) for a command, for a document's kind of window, and for
// a part of the main window.
namespace HelpTopics {
QString OfCommand(int id);
QString OfDocument(const CDocument* doc); // "fenster" without a document
QString OfWidget(const QWidget* widget);
} // namespace HelpTopics

// Context help (Shift+F1): the pointer becomes the help pointer (Qt's What's-This mode) and
// the status bar asks the user to choose an object. The next click on a menu command, a
// tool-bar button, a table or map window or another part of the main window opens the help
// page at that object's topic instead of acting; Enter on a menu command does the same.
// Menus open as usual; Esc leaves the mode.
class CContextHelp : public QObject {
public:
    // `showTopic` opens the help page at a topic.
    CContextHelp(CMainFrame* frame, std::function<void(const QString&)> showTopic);
    ~CContextHelp() override;

    void Enter();
    void Leave();
    bool IsActive() const { return m_bActive; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The topic a click at `pos` on the widget asks for; an empty text opens nothing (a menu
    // title, which opens its menu instead).
    QString TopicAt(QWidget* widget, QPoint pos);
    void Choose(const QString& topic);

    CMainFrame* m_pFrame;
    std::function<void(const QString&)> m_showTopic;
    bool m_bActive = false;
};
