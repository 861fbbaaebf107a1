#include "ui/shell/StatusIndicators.h"

#include "base/CommandIds.h"
#include "ui/res/Resources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace {

constexpr int kIndicatorIds[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
// Modifier bits of an X11 key event's state.
constexpr quint32 kX11LockMask = 0x02;
constexpr quint32 kX11Mod2Mask = 0x10;

} // namespace

CStatusIndicators::CStatusIndicators(QStatusBar* statusBar) : QObject(statusBar) {
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(statusBar);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        // Each pane is as wide as its text, whether the text shows or not.
        const QString text = Res::String(kIndicatorIds[i]);
        pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(text) + 12);
        statusBar->addPermanentWidget(pane);
        m_aPanes[i] = pane;
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        qApp->installEventFilter(this);
}

CStatusIndicators::~CStatusIndicators() {
    qApp->removeEventFilter(this);
}

int CStatusIndicators::Left() const {
    return m_aPanes[0]->geometry().left();
}

bool CStatusIndicators::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const quint32 state = key->nativeModifiers();
        // The state is the one before the key: a lock key's own press toggles its lock.
        bool caps = state & kX11LockMask;
        bool num = state & kX11Mod2Mask;
        if (key->key() == Qt::Key_CapsLock)
            caps = !caps;
        if (key->key() == Qt::Key_NumLock)
            num = !num;
        if (caps != m_bCaps || num != m_bNum) {
            m_bCaps = caps;
            m_bNum = num;
            m_aPanes[0]->setText(caps ? Res::String(ID_INDICATOR_CAPS) : QString());
            m_aPanes[1]->setText(num ? Res::String(ID_INDICATOR_NUM) : QString());
        }
    }
    return QObject::eventFilter(watched, event);
}
