#include "ui/shell/ContextHelp.h"

#include "base/CommandIds.h"
#include "ui/res/Resources.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

namespace HelpTopics {

QString OfCommand(int id) {
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE16)
        return QStringLiteral("letzte-datei");
    switch (id) {
    case ID_FILE_NEW:
        return QStringLiteral("karte-oeffnen");
    case ID_TABLE_OPEN:
        return QStringLiteral("tabelle-oeffnen");
    case ID_FILE_OPEN:
        return QStringLiteral("datei-oeffnen");
    case ID_FILE_OPEN_LIST:
    case ID_VIEW_AS_OF:
    case ID_VIEW_LIST_ISSUES:
        return QStringLiteral("listen");
    case ID_DATA_IMPORT:
        return QStringLiteral("plz-importieren");
    case ID_DATA_DOWNLOAD:
        return QStringLiteral("plz-herunterladen");
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
    case ID_FILE_PRINT_PREVIEW:
        return QStringLiteral("drucken");
    case ID_FILE_PRINT_SETUP:
        return QStringLiteral("druckeinrichtung");
    case ID_FILE_CLOSE:
        return QStringLiteral("schliessen");
    case ID_APP_EXIT:
        return QStringLiteral("beenden");
    case ID_EDIT_COPY:
        return QStringLiteral("kopieren");
    case ID_SELECT_ALL_ROWS:
        return QStringLiteral("alles-waehlen");
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
        return QStringLiteral("leisten");
    case ID_SEARCH:
        return QStringLiteral("suchen");
    case ID_RECORD_EDIT:
        return QStringLiteral("datensatz");
    case ID_SHOW_FILE_PLACES:
    case ID_SHOW_MEMOS:
    case ID_SHOW_PLACE_NAMES:
        return QStringLiteral("anzeigen");
    case ID_VIEW_BASE_MAP:
    case ID_VIEW_KEEP_ASPECT:
    case ID_VIEW_LEGEND:
    case ID_FILE_SAVE_MAP_IMAGE:
        return QStringLiteral("grundkarte");
    case ID_FILE_PRINT_POSTER:
        return QStringLiteral("poster");
    case ID_WINDOW_NEW:
        return QStringLiteral("neues-fenster");
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_ARRANGE:
        return QStringLiteral("anordnen");
    case ID_TERRITORY_PANEL:
    case ID_TERRITORY_COLORS:
    case ID_TERRITORY_ASSIGN:
    case ID_TERRITORY_OUTLINES:
    case ID_TERRITORY_SAVE_OUTLINES:
    case ID_TERRITORY_OUTLINE_SHAPE:
    case ID_TERRITORY_IMPORT_AREAS:
        return QStringLiteral("gebiete");
    case ID_HELP_FINDER:
    case ID_CONTEXT_HELP:
    case ID_HELP:
    case ID_APP_ABOUT:
        return QStringLiteral("hilfe");
    default:
        return QStringLiteral("befehle");
    }
}

QString OfDocument(const CDocument* doc) {
    const CMultiDocTemplate* docTemplate = doc ? doc->GetDocTemplate() : nullptr;
    const int kind = docTemplate ? docTemplate->GetResourceId() : 0;
    return kind == IDR_TABLETYPE ? QStringLiteral("tabelle")
           : kind == IDR_MAPTYPE ? QStringLiteral("karte")
                                 : QStringLiteral("fenster");
}

QString OfWidget(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (const auto* button = qobject_cast<const QToolButton*>(w);
            button && button->defaultAction())
            return OfCommand(button->defaultAction()->data().toInt());
        if (const auto* child = qobject_cast<const CChildFrame*>(w))
            return OfDocument(child->GetActiveDocument());
        if (qobject_cast<const QStatusBar*>(w))
            return QStringLiteral("statusleiste");
        if (qobject_cast<const QToolBar*>(w) || qobject_cast<const QMenuBar*>(w))
            return QStringLiteral("befehle");
    }
    return QStringLiteral("fenster");
}

} // namespace HelpTopics

CContextHelp::CContextHelp(CMainFrame* frame, std::function<void(const QString&)> showTopic)
    : QObject(frame), m_pFrame(frame), m_showTopic(std::move(showTopic)) {}

CContextHelp::~CContextHelp() {
    // Goes with the main frame: only the mode ends, the status bar is already gone.
    if (!m_bActive)
        return;
    qApp->removeEventFilter(this);
    if (QWhatsThis::inWhatsThisMode())
        QWhatsThis::leaveWhatsThisMode();
}

void CContextHelp::Enter() {
    if (m_bActive)
        return;
    m_bActive = true;
    QWhatsThis::enterWhatsThisMode();
    // Installed after the What's-This mode's own filter, so this one sees events first.
    qApp->installEventFilter(this);
    // The mode asked the widget under the pointer before this filter could answer for it.
    QApplication::changeOverrideCursor(Qt::WhatsThisCursor);
    m_pFrame->SetMessageText(Res::String(AFX_IDS_HELPMODEMESSAGE));
}

void CContextHelp::Leave() {
    if (!m_bActive)
        return;
    m_bActive = false;
    qApp->removeEventFilter(this);
    if (QWhatsThis::inWhatsThisMode())
        QWhatsThis::leaveWhatsThisMode();
    m_pFrame->SetMessageText(Res::String(AFX_IDS_IDLEMESSAGE));
}

QString CContextHelp::TopicAt(QWidget* widget, QPoint pos) {
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        const QAction* action = menu->actionAt(pos);
        if (!action || action->isSeparator() || action->menu())
            return QString();
        return HelpTopics::OfCommand(action->data().toInt());
    }
    return HelpTopics::OfWidget(widget);
}

void CContextHelp::Choose(const QString& topic) {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    Leave();
    m_showTopic(topic);
}

bool CContextHelp::eventFilter(QObject* watched, QEvent* event) {
    QWidget* widget = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    switch (event->type()) {
    case QEvent::QueryWhatsThis:
        // Every part of the window has a topic: the help pointer everywhere.
        event->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!widget)
            return false;
        // A click outside the program's windows ends the mode and goes on as usual.
        if (widget->window() != m_pFrame && !qobject_cast<QMenu*>(widget)) {
            Leave();
            return false;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A menu title opens its menu, as usual.
        if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
            QAction* title = bar->actionAt(mouse->position().toPoint());
            if (title && title->menu())
                bar->setActiveAction(title);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!widget || mouse->button() != Qt::LeftButton || qobject_cast<QMenuBar*>(widget))
            return widget != nullptr;
        const QString topic = TopicAt(widget, mouse->position().toPoint());
        if (!topic.isEmpty())
            Choose(topic);
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            Leave(); // an open menu closes as well
            return false;
        }
        auto* menu = qobject_cast<QMenu*>(widget);
        if (menu && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            const QAction* action = menu->activeAction();
            if (action && !action->isSeparator() && !action->menu())
                Choose(HelpTopics::OfCommand(action->data().toInt()));
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}
