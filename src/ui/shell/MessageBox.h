#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Shows a message with an OK button, titled "Kelvo", with a warning icon. Every message of
// the program goes through here, so tests can capture the texts instead of blocking.
void KelvoMessageBox(const QString& text, QWidget* parent = nullptr);
// The same with an information icon, for a report that is no warning.
void KelvoInfoBox(const QString& text, QWidget* parent = nullptr);

// Replaces the box by a function (tests); an empty function restores the box.
void SetMessageBoxHook(std::function<void(const QString&)> hook);

// Asks a question: the text, then one button per answer (the first is the default, Escape
// gives the last). Returns the index of the answer. Goes through a hook in tests, too.
int KelvoQuestionBox(const QString& text, const QStringList& answers, QWidget* parent = nullptr);

// Replaces the question box by a function that returns the answer's index (tests); an
// empty function restores the box.
void SetQuestionBoxHook(std::function<int(const QString& text, const QStringList& answers)> hook);
