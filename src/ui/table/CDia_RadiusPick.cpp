#include "ui/table/CDia_RadiusPick.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

CDia_RadiusPick::CDia_RadiusPick(const QString& text, const QList<CRadiusCentre>& places,
                                 QWidget* parent)
    : QDialog(parent), m_aPlaces(places) {
    setObjectName(QStringLiteral("Dia_RadiusPick"));
    setWindowTitle(QStringLiteral("Mittelpunkt wählen"));

    QString intro = QStringLiteral("%1 Orte passen zu \"%2\". Welcher ist der Mittelpunkt?")
                        .arg(places.size())
                        .arg(text.trimmed());
    if (places.size() > kShown)
        intro += QStringLiteral("\nGezeigt werden die ersten %1; für andere den Namen genauer "
                                "angeben.")
                     .arg(kShown);
    auto* label = new QLabel(intro, this);

    m_listPlaces = new QTreeWidget(this);
    m_listPlaces->setObjectName(QStringLiteral("Places"));
    m_listPlaces->setRootIsDecorated(false);
    m_listPlaces->setUniformRowHeights(true);
    m_listPlaces->setHeaderLabels({QStringLiteral("Staat"), QStringLiteral("PLZ"),
                                   QStringLiteral("Ort"), QStringLiteral("Ortsteil")});
    for (int i = 0; i < places.size() && i < kShown; ++i) {
        const CRadiusCentre& p = places.at(i);
        auto* item =
            new QTreeWidgetItem(m_listPlaces, {p.strStaat, p.strPLZ, p.strOrt, p.strOrtsteil});
        item->setData(0, Qt::UserRole, i);
        item->setToolTip(2, p.strOrt);
    }
    // Long names of authorities and firms would push Ortsteil out of sight: Ort is cut with
    // an ellipsis beyond a width (the whole name shows as the tool tip).
    QHeaderView* header = m_listPlaces->header();
    header->resizeSections(QHeaderView::ResizeToContents);
    constexpr int kOrtWidth = 300;
    if (header->sectionSize(2) > kOrtWidth)
        header->resizeSection(2, kOrtWidth);
    m_listPlaces->setCurrentItem(m_listPlaces->topLevelItem(0));
    m_listPlaces->setMinimumSize(540, 240);
    connect(m_listPlaces, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_listPlaces);
    layout->addWidget(buttons);
    m_listPlaces->setFocus();
}

const CRadiusCentre& CDia_RadiusPick::Chosen() const {
    const QTreeWidgetItem* item = m_listPlaces->currentItem();
    return m_aPlaces.at(item ? item->data(0, Qt::UserRole).toInt() : 0);
}
