#pragma once

#include "render/territory/TerritoryBalance.h"
#include "store/territory/Territory.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class CTerritoryCount;
class QComboBox;
class QItemSelectionModel;
class QLabel;
class QMdiArea;
class QPushButton;
class QTreeWidget;

// The balancing part of the "Gebiete" panel. For the places selected in the window the user
// works in (the selected rows of a table window, the places of a map window) it says which
// territory each is in and by which rule, naming the less specific rule it overrides. It
// shows the figures of every territory side by side — places, entries of the list of the map
// that last had the focus, and the sum of a number column of that list the user picks — and,
// once the user picks a territory to move the selected places to, the figures after the
// move, before anything is assigned; "Zuweisen" then assigns them.
class CTerritoryBalanceBox : public QWidget {
    Q_OBJECT
public:
    CTerritoryBalanceBox(QWidget* mainWindow, QWidget* parent);

    // After the panel counted again: the entries, the sums and the selection are read anew.
    void Update(const CTerritoryCount& count);
    // A map window's lasso was drawn or taken away, or its places counted: the selection is
    // read anew.
    void SelectionChanged();
    // The figures of each territory as counted (0: in none).
    const CTerritoryFigureMap& Figures() const { return m_figures; }

    QTreeWidget* Table() const { return m_pTable; }
    QComboBox* ColumnChoice() const { return m_pColumn; }
    QComboBox* TargetChoice() const { return m_pTarget; }
    QLabel* SelectionText() const { return m_pSelection; }
    QLabel* SpreadText() const { return m_pSpread; }

signals:
    // The selected places were assigned: the panel counts again.
    void Assigned();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The selection (and with `entries` the list's entries) read anew and shown.
    void Reread(bool entries);
    void ReadEntries();
    void ReadSelection();
    void ShowSelection();
    void ShowFigures();
    void OnColumnChosen();
    void OnAssign();

    QWidget* m_pMainWindow;
    const CTerritoryCount* m_pCount = nullptr;
    QLabel* m_pSelection = nullptr;
    QComboBox* m_pColumn = nullptr;
    QComboBox* m_pTarget = nullptr;
    QPushButton* m_pAssign = nullptr;
    QTreeWidget* m_pTable = nullptr;
    QLabel* m_pSpread = nullptr;

    CTerritoryEntries m_entries;
    CTerritoryFigureMap m_figures;
    QList<quint32> m_selected;     // rows of the count's rows
    bool m_bLassoCounting = false; // the map counts the places in its lasso for them
    // The list whose column is summed, and the column's numbers by sheet row.
    QString m_strListPath;
    int m_nColumn = -1;
    QHash<int, double> m_values;
    QPointer<QItemSelectionModel> m_pWatched;
    bool m_bStale = false; // a window or selection changed while the panel was closed
};
