#pragma once

#include "render/places/TableListAge.h"

#include <QDate>
#include <QList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

// "Stichtag": the day a dated list is shown as it stands on, as a slider over the days of
// the list with a date box, and a play button that steps through the days on which an entry
// appears. Starts at today, where the list shows as a place file read today shows it.
// "Nach Alter färben" (off at first) colours the entries dated before the day by their age,
// after the rules "Regeln..." edits; both are kept in the settings for every list.
class CAsOfBar : public QWidget {
    Q_OBJECT
public:
    // `days`: the distinct dates of the list's entries; `changed` is told each new day.
    CAsOfBar(const QString& title, const QList<QDate>& days,
             std::function<void(const QDate&)> changed, QWidget* parent = nullptr);

    QDate Day() const { return m_dtDay; }
    void SetDay(const QDate& day);

    QSlider* Slider() const { return m_pSlider; }
    QDateEdit* DateBox() const { return m_pDate; }
    QPushButton* PlayButton() const { return m_pPlay; }
    QCheckBox* ByAgeBox() const { return m_pByAge; }
    QPushButton* RulesButton() const { return m_pRules; }
    QLabel* Legend() const { return m_pLegend; }

    // The age rules of the settings while "Nach Alter färben" is on; none while it is off.
    static QList<CAgeRule> AgeRules();
    // One step of the play button: the next day on which an entry appears; false after the
    // last one.
    bool Step();

private:
    void TogglePlay();
    void OnByAge(bool on);
    void OnRules();
    void UpdateLegend();

    QList<QDate> m_aDays; // sorted
    QDate m_dtFirst;      // the slider's first day
    QDate m_dtDay;
    std::function<void(const QDate&)> m_changed;
    QSlider* m_pSlider = nullptr;
    QDateEdit* m_pDate = nullptr;
    QPushButton* m_pPlay = nullptr;
    QTimer* m_pTimer = nullptr;
    QCheckBox* m_pByAge = nullptr;
    QPushButton* m_pRules = nullptr;
    QLabel* m_pLegend = nullptr; // the colours of the rules while on
};
