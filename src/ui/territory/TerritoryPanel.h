#pragma once

#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryPlaceMemos.h"
#include "store/GeoDatabase.h"
#include "store/territory/Territory.h"

#include <QDockWidget>

#include <functional>
#include <optional>

class CKelvoView;
class CMapDrawJob;
class CTerritoryBalanceBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The "Gebiete" panel beside the windows: each territory with its colour, name, responsible
// person, number of places, number of entries of the place list of the map that last had the
// focus, its memo and the number of memos of its places (listed in the line's tooltip and,
// for the chosen line, in the details); the places in no territory as the last line; below, the
// rules of the chosen territory and the spread between the largest and the smallest, and the
// balancing part (CTerritoryBalanceBox) for the selected places. Its buttons make, rename, colour
// and delete territories, write their responsible person and memo, give them typed rules
// ("DE 80-87, DE 90*") and export or import the assignment as CSV or XLSX. Every change is
// written at once (one transaction); the open maps repaint.
class CTerritoryPanel : public QDockWidget {
    Q_OBJECT
public:
    // The main window's panel, made and shown on first use.
    static CTerritoryPanel* Show(QWidget* mainWindow);
    // The panel when it exists (null otherwise).
    static CTerritoryPanel* Find();

    // Reads the territories and counts again (after an assignment, on F5, on focus).
    void Refresh();
    // Refresh, and the coloured maps repainted, when the territories' change count moved
    // (another user changed them) or GEO changed since the places were counted: checked
    // when a window or the program is activated, when a map window gets the focus and before
    // a territory's places are shown.
    void RefreshIfChanged();
    // Another map window got the focus: the entries and number columns of its list are
    // counted (when the panel is shown).
    static void MapFocused();
    // A map window's lasso was drawn or taken away, or its places counted: the balancing
    // part reads the selected places anew (when the panel is shown).
    static void MapSelectionChanged();

    ~CTerritoryPanel() override;

    // The place rows are still being read on a worker thread: the number columns say so
    // ("…") and are filled in when the rows are there.
    bool Counting() const { return bool(m_pReadJob); }

    QTreeWidget* List() const { return m_pList; }
    const CTerritoryData& Data() const { return m_data; }
    // The places counted for a territory (0: in none), as the list shows them.
    qint64 Places(qint64 territory) const { return m_count.Places().value(territory); }
    CTerritoryBalanceBox* Balance() const { return m_pBalance; }

    // Asks for a territory and puts the places into it (or into none), then refreshes.
    // False when the user cancelled or the store refused (a message said why).
    static bool Assign(QWidget* parent, const QList<CTerritoryException>& places);

    // The panel's questions (a name, rules, a territory to choose from `choices`), answered
    // by a function instead of a dialog (tests); an empty function restores the dialogs.
    // No answer (nullopt) is a cancel.
    using AskHook = std::function<std::optional<QString>(
        const QString& label, const QStringList& choices, const QString& value)>;
    static void SetAskHook(AskHook hook);
    static bool HasAskHook();
    // Repaints the map windows that colour by territory.
    static void RepaintMaps(QWidget* mainWindow);
    // `lines`: a text of several lines (a memo) instead of one.
    static std::optional<QString> Ask(QWidget* parent, const QString& label,
                                      const QStringList& choices, const QString& value = {},
                                      bool lines = false);

private:
    explicit CTerritoryPanel(QWidget* mainWindow);
    const CTerritory* Current() const;
    void OnNew();
    void OnRename();
    void OnColor();
    void OnEdit();
    void OnRules();
    void OnDelete();
    void OnExport(); // the assignment as CSV or XLSX
    void OnImport();
    void ShowDetails();
    void SetPlaceMemos(QTreeWidgetItem* item, qint64 territory) const;
    void Changed(); // after a write: refresh the panel and repaint the maps
    // Reads the rows with their texts through a connection of its own; ReadDone takes them
    // into the rows cache and refreshes.
    void StartReading();
    void ReadDone(quint64 generation);
    void StopReading();

    QTreeWidget* m_pList = nullptr;
    QLabel* m_pDetails = nullptr;
    QLabel* m_pSpread = nullptr;
    CTerritoryData m_data;
    CTerritoryBalanceBox* m_pBalance = nullptr;
    // Kept from one refresh to the next: after places were assigned one by one only theirs
    // are counted again.
    CTerritoryCount m_count;
    CTerritoryPlaceMemos m_memos; // of m_count's rows
    qint64 m_nChanges = -1;       // the change count read with m_data
    std::shared_ptr<CMapDrawJob> m_pReadJob;
    struct Counted {
        CTerritoryCount count;
        CTerritoryPlaceMemos memos;
    };
    std::shared_ptr<Counted> m_pCounted;  // made on the job's thread
    CGeoDatabase::CDataStamp m_stampRead; // taken when the read began
    quint64 m_nReadGeneration = 0;
    bool m_bReadHere = false; // the next Refresh reads the rows itself
};
