#pragma once

#include <QString>

// Feedback of a long operation (filling or sorting a table, drawing a map): a caption with
// a 0-100 bar in the status bar and the wait cursor. Code without widgets reports through
// this interface; the program shows it in the main frame, the batch tool passes nothing.
class CProgress {
public:
    virtual ~CProgress() = default;
    // Wait cursor on; caption and a fresh bar at 0.
    virtual void Start(const QString& caption) = 0;
    // Bar position, 0 to 100.
    virtual void SetPos(int percent) = 0;
    // Wait cursor off; the bar is removed. The caption stays until someone replaces it.
    virtual void Finish() = 0;
};
