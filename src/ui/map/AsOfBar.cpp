#include "ui/map/AsOfBar.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kStepMilliseconds = 700;

} // namespace

CAsOfBar::CAsOfBar(const QString& title, const QList<QDate>& days,
                   std::function<void(const QDate&)> changed, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_aDays(days), m_changed(std::move(changed)) {
    setWindowTitle(QStringLiteral("Stichtag - %1").arg(title));
    std::sort(m_aDays.begin(), m_aDays.end());
    const QDate today = QDate::currentDate();
    // From the day before the first entry to the last one, today included.
    m_dtFirst = std::min(today, m_aDays.isEmpty() ? today : m_aDays.first().addDays(-1));
    const QDate last = std::max(today, m_aDays.isEmpty() ? today : m_aDays.last());
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("&Stichtag:"), this));
    m_pSlider = new QSlider(Qt::Horizontal, this);
    m_pSlider->setRange(0, int(m_dtFirst.daysTo(last)));
    m_pSlider->setMinimumWidth(260);
    layout->addWidget(m_pSlider, 1);
    m_pDate = new QDateEdit(this);
    m_pDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_pDate->setCalendarPopup(true);
    layout->addWidget(m_pDate);
    m_pPlay = new QPushButton(QStringLiteral("Abspielen"), this);
    m_pPlay->setCheckable(true);
    layout->addWidget(m_pPlay);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kStepMilliseconds);
    static_cast<QLabel*>(layout->itemAt(0)->widget())->setBuddy(m_pSlider);

    SetDay(today);
    connect(m_pSlider, &QSlider::valueChanged, this,
            [this](int value) { SetDay(m_dtFirst.addDays(value)); });
    connect(m_pDate, &QDateEdit::dateChanged, this, [this](const QDate& day) { SetDay(day); });
    connect(m_pPlay, &QPushButton::toggled, this, &CAsOfBar::TogglePlay);
    connect(m_pTimer, &QTimer::timeout, this, [this] {
        if (!Step())
            m_pPlay->setChecked(false);
    });
}

void CAsOfBar::SetDay(const QDate& day) {
    if (!day.isValid() || day == m_dtDay)
        return;
    m_dtDay = day;
    m_pSlider->blockSignals(true);
    // Days beyond the slider's range stay in the date box; the slider stops at its end.
    m_pSlider->setValue(int(std::clamp<qint64>(m_dtFirst.daysTo(day), 0, m_pSlider->maximum())));
    m_pSlider->blockSignals(false);
    m_pDate->blockSignals(true);
    m_pDate->setDate(day);
    m_pDate->blockSignals(false);
    if (m_changed)
        m_changed(day);
}

bool CAsOfBar::Step() {
    const auto next = std::upper_bound(m_aDays.begin(), m_aDays.end(), m_dtDay);
    if (next == m_aDays.end())
        return false;
    SetDay(*next);
    return true;
}

void CAsOfBar::TogglePlay() {
    if (!m_pPlay->isChecked()) {
        m_pTimer->stop();
        return;
    }
    // Playing starts before the first day when the last has been reached.
    if (!m_aDays.isEmpty() && m_dtDay >= m_aDays.last())
        SetDay(m_dtFirst);
    m_pTimer->start();
}
