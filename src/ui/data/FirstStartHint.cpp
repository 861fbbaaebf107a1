#include "ui/data/FirstStartHint.h"

#include "base/CommandIds.h"
#include "ui/shell/MainFrame.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QVBoxLayout>

CFirstStartHint::CFirstStartHint(CMainFrame& frame) : QFrame(frame.MdiArea()->viewport()) {
    setObjectName(QStringLiteral("FirstStartHint"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFixedWidth(480);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    auto* title = new QLabel(QStringLiteral("Noch keine Postleitzahlen"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title->setFont(bold);
    layout->addWidget(title);
    auto* text = new QLabel(QStringLiteral(
        "Die Datenbank enthält noch keine Orte. Laden Sie die Postleitzahlen der gewünschten "
        "Staaten von GeoNames herunter, oder importieren Sie GeoNames-Dateien (.txt oder .zip), "
        "die Sie schon haben."));
    text->setWordWrap(true);
    layout->addWidget(text);

    auto* buttons = new QHBoxLayout;
    const QList<QPair<int, QString>> commands{
        {ID_DATA_DOWNLOAD, QStringLiteral("Postleitzahlen herunterladen...")},
        {ID_DATA_IMPORT, QStringLiteral("Postleitzahlen importieren...")}};
    for (const auto& [id, label] : commands) {
        auto* button = new QPushButton(label);
        // Not the focus when the window opens, where Enter would start it unasked.
        button->setFocusPolicy(Qt::ClickFocus);
        button->setObjectName(id == ID_DATA_IMPORT ? QStringLiteral("Import")
                                                   : QStringLiteral("Download"));
        connect(button, &QPushButton::clicked, &frame, [&frame, id = id] {
            frame.RouteCommand(id);
            frame.UpdateCommandUI();
        });
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    auto* credit = new QLabel(QStringLiteral(
        "Die Postleitzahlen stammen von GeoNames (www.geonames.org) und stehen unter der Lizenz "
        "Creative Commons Namensnennung 4.0 (CC BY 4.0)."));
    credit->setObjectName(QStringLiteral("Attribution"));
    credit->setWordWrap(true);
    QFont small = credit->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    credit->setFont(small);
    layout->addWidget(credit);

    parentWidget()->installEventFilter(this);
    adjustSize();
    Centre();
    lower(); // document windows stay in front
    show();
}

bool CFirstStartHint::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        Centre();
    return QFrame::eventFilter(watched, event);
}

void CFirstStartHint::Centre() {
    const QSize area = parentWidget()->size();
    move(qMax(0, (area.width() - width()) / 2), qMax(0, (area.height() - height()) / 2));
}
