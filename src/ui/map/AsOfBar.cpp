#include "ui/map/AsOfBar.h"

#include "ui/shell/MessageBox.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kStepMilliseconds = 700;

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}
const QString kByAgeKey = QStringLiteral("Stichtag/NachAlter");
const QString kRulesKey = QStringLiteral("Stichtag/Altersregeln");
const QString kDefaultRules = QStringLiteral("30=255,215,0; 90=255,0,0");

QList<CAgeRule> storedRules() {
    QList<CAgeRule> rules;
    QString error;
    if (!TableListAge::Parse(settings().value(kRulesKey, kDefaultRules).toString(), &rules, &error))
        TableListAge::Parse(kDefaultRules, &rules, &error);
    return rules;
}

} // namespace

QList<CAgeRule> CAsOfBar::AgeRules() {
    return settings().value(kByAgeKey, false).toBool() ? storedRules() : QList<CAgeRule>();
}

CAsOfBar::CAsOfBar(const QString& title, const QList<QDate>& days,
                   std::function<void(const QDate&)> changed, QWidget* parent)
    : QWidget(parent), m_aDays(days), m_changed(std::move(changed)) {
    setWindowTitle(QStringLiteral("Stichtag - %1").arg(title));
    std::sort(m_aDays.begin(), m_aDays.end());
    const QDate today = QDate::currentDate();
    // From the day before the first entry to the last one, today included.
    m_dtFirst = std::min(today, m_aDays.isEmpty() ? today : m_aDays.first().addDays(-1));
    const QDate last = std::max(today, m_aDays.isEmpty() ? today : m_aDays.last());
    auto* rows = new QVBoxLayout(this);
    auto* layout = new QHBoxLayout;
    rows->addLayout(layout);
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
    auto* ageRow = new QHBoxLayout;
    rows->addLayout(ageRow);
    m_pByAge = new QCheckBox(QStringLiteral("Nach &Alter färben"), this);
    m_pByAge->setChecked(settings().value(kByAgeKey, false).toBool());
    ageRow->addWidget(m_pByAge);
    m_pRules = new QPushButton(QStringLiteral("&Regeln..."), this);
    ageRow->addWidget(m_pRules);
    m_pLegend = new QLabel(this);
    ageRow->addWidget(m_pLegend, 1);
    UpdateLegend();

    SetDay(today);
    connect(m_pSlider, &QSlider::valueChanged, this,
            [this](int value) { SetDay(m_dtFirst.addDays(value)); });
    connect(m_pDate, &QDateEdit::dateChanged, this, [this](const QDate& day) { SetDay(day); });
    connect(m_pPlay, &QPushButton::toggled, this, &CAsOfBar::TogglePlay);
    connect(m_pByAge, &QCheckBox::toggled, this, &CAsOfBar::OnByAge);
    connect(m_pRules, &QPushButton::clicked, this, &CAsOfBar::OnRules);
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

void CAsOfBar::OnByAge(bool on) {
    settings().setValue(kByAgeKey, on);
    UpdateLegend();
    if (m_changed)
        m_changed(m_dtDay);
}

void CAsOfBar::OnRules() {
    QString text = TableListAge::Format(storedRules());
    for (;;) {
        bool ok = false;
        text = QInputDialog::getText(this, QStringLiteral("Farben nach Alter"),
                                     QStringLiteral("Tage=Farbe (R,G,B), durch \";\" getrennt; "
                                                    "ein Eintrag nimmt die Farbe der längsten "
                                                    "Frist, die er überschritten hat:"),
                                     QLineEdit::Normal, text, &ok);
        if (!ok)
            return;
        QList<CAgeRule> rules;
        QString error;
        if (TableListAge::Parse(text, &rules, &error)) {
            settings().setValue(kRulesKey, TableListAge::Format(rules));
            break;
        }
        KelvoMessageBox(error);
    }
    UpdateLegend();
    if (m_changed && m_pByAge->isChecked())
        m_changed(m_dtDay);
}

void CAsOfBar::UpdateLegend() {
    QStringList parts;
    if (m_pByAge->isChecked()) {
        for (const CAgeRule& rule : storedRules())
            parts << QStringLiteral("<span style=\"color:#%1\">&#9632;</span> %2")
                         .arg(QString::asprintf("%02x%02x%02x", GetRValue(rule.crMarker),
                                                GetGValue(rule.crMarker), GetBValue(rule.crMarker)),
                              TableListAge::RuleText(rule).toHtmlEscaped());
    }
    m_pLegend->setText(parts.join(QStringLiteral("&nbsp;&nbsp;")));
}
