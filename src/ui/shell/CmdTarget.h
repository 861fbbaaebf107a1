#pragma once

#include <QString>

// The state a command's menu items, tool-bar buttons and shortcuts take, gathered by asking
// the command targets in routing order. A command that no target claims is disabled.
class CCmdUI {
public:
    explicit CCmdUI(int id) : m_nID(id) {}

    void Enable(bool bOn = true) { m_bEnabled = bOn; }
    void SetCheck(bool bChecked = true) {
        m_bCheckable = true;
        m_bChecked = bChecked;
    }

    // A tool tip for the item (why it is disabled); empty: none.
    void SetToolTip(const QString& text) { m_strToolTip = text; }

    int m_nID;
    QString m_strToolTip;
    bool m_bEnabled = true;
    bool m_bCheckable = false;
    bool m_bChecked = false;
};

// Something a command can be routed to: the active view, its document, the main frame and
// the application, asked in that order. A target claims a command by returning true.
//
// OnUpdateCommand answers for every command the target handles: it returns true and may
// disable or check the item (it starts enabled, unchecked). OnCommand carries the command out.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual bool OnCommand(int /*id*/) { return false; }
    virtual bool OnUpdateCommand(int /*id*/, CCmdUI& /*ui*/) { return false; }
};
