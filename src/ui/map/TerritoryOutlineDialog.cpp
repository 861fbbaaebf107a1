#include "ui/map/TerritoryOutlineDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

const QString kConcaveKey = QStringLiteral("Gebietsumrisse/Konkav");
const QString kRatioKey = QStringLiteral("Gebietsumrisse/Enge");

} // namespace

CTerritoryOutlineDialog::CTerritoryOutlineDialog(const CTerritoryOutlineShape& shape,
                                                 QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TerritoryOutlineDialog"));
    setWindowTitle(QStringLiteral("Gebietsumrisse einstellen"));
    m_pConvex = new QRadioButton(QStringLiteral("&Konvexe Hülle um alle Orte"), this);
    m_pConcave = new QRadioButton(QStringLiteral("K&onkave Hülle, enger an den Orten"), this);
    m_pRatio = new QDoubleSpinBox(this);
    m_pRatio->setLocale(QLocale(QLocale::German, QLocale::Germany));
    m_pRatio->setRange(0.0, 1.0);
    m_pRatio->setSingleStep(0.05);
    m_pRatio->setDecimals(2);
    m_pRatio->setValue(shape.ratio);
    (shape.concave ? m_pConcave : m_pConvex)->setChecked(true);
    m_pRatio->setEnabled(shape.concave);
    connect(m_pConcave, &QRadioButton::toggled, m_pRatio, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Enge:"), m_pRatio);
    auto* hint = new QLabel(QStringLiteral("0 folgt den Orten am engsten, 1 ist die konvexe "
                                           "Hülle. Wo PLZ-Flächen importiert sind, sind sie "
                                           "der Umriss."),
                            this);
    hint->setWordWrap(true);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pConvex);
    layout->addWidget(m_pConcave);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
}

CTerritoryOutlineShape CTerritoryOutlineDialog::Shape() const {
    return {m_pConcave->isChecked(), m_pRatio->value()};
}

CTerritoryOutlineShape CTerritoryOutlineDialog::Remembered() {
    const QSettings s = settings();
    CTerritoryOutlineShape shape;
    shape.concave = s.value(kConcaveKey, shape.concave).toBool();
    shape.ratio = std::clamp(s.value(kRatioKey, shape.ratio).toDouble(), 0.0, 1.0);
    return shape;
}

void CTerritoryOutlineDialog::Remember(const CTerritoryOutlineShape& shape) {
    QSettings s = settings();
    s.setValue(kConcaveKey, shape.concave);
    s.setValue(kRatioKey, shape.ratio);
}
