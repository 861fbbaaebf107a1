#include "ui/shell/HelpWindow.h"

#include "ui/res/Resources.h"

#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kelvo-Hilfe"));
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pBrowser);
    resize(640, 560);
}

void CHelpWindow::ShowTopic(const QString& topic) {
    QUrl url(QStringLiteral("qrc") + Res::HelpPagePath());
    if (!topic.isEmpty())
        url.setFragment(topic);
    m_pBrowser->setSource(url);
    if (topic.isEmpty())
        m_pBrowser->verticalScrollBar()->setValue(0);
    else
        m_pBrowser->scrollToAnchor(topic);
    show();
    raise();
    activateWindow();
}
