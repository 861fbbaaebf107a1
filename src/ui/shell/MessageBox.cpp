#include "ui/shell/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
std::function<void(const QString&)>& hook() {
    static std::function<void(const QString&)> h;
    return h;
}

void showBox(QMessageBox::Icon icon, const QString& text, QWidget* parent) {
    if (hook()) {
        hook()(text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Kelvo"), text, QMessageBox::Ok,
                    parent ? parent : QApplication::activeWindow());
    box.exec();
}

std::function<int(const QString&, const QStringList&)>& questionHook() {
    static std::function<int(const QString&, const QStringList&)> h;
    return h;
}
} // namespace

void SetMessageBoxHook(std::function<void(const QString&)> h) {
    hook() = std::move(h);
}

void KelvoMessageBox(const QString& text, QWidget* parent) {
    showBox(QMessageBox::Warning, text, parent);
}

void KelvoInfoBox(const QString& text, QWidget* parent) {
    showBox(QMessageBox::Information, text, parent);
}

void SetQuestionBoxHook(std::function<int(const QString&, const QStringList&)> h) {
    questionHook() = std::move(h);
}

int KelvoQuestionBox(const QString& text, const QStringList& answers, QWidget* parent) {
    if (questionHook())
        return questionHook()(text, answers);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvo"), text, QMessageBox::NoButton,
                    parent ? parent : QApplication::activeWindow());
    // The text may quote what the user wrote: selectable, so it can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers)
        buttons << box.addButton(answer, QMessageBox::AcceptRole);
    if (!buttons.isEmpty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.first()));
        box.setEscapeButton(buttons.last());
    }
    box.exec();
    const int chosen = int(buttons.indexOf(box.clickedButton()));
    return chosen < 0 ? int(answers.size()) - 1 : chosen;
}
