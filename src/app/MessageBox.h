#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows a message with an OK button, titled "Kelvo", with a warning icon. Every message of
// the program goes through here, so tests can capture the texts instead of blocking.
void KelvoMessageBox(const QString& text, QWidget* parent = nullptr);
// The same with an information icon, for a report that is no warning.
void KelvoInfoBox(const QString& text, QWidget* parent = nullptr);

// Replaces the box by a function (tests); an empty function restores the box.
void SetMessageBoxHook(std::function<void(const QString&)> hook);
