#include "app/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

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
