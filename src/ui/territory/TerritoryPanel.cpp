#include "ui/territory/TerritoryPanel.h"

#include "render/map/MapDrawJob.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"
#include "ui/territory/TerritoryBalanceBox.h"
#include "ui/territory/TerritoryShow.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPointer<CTerritoryPanel> g_pPanel;
CTerritoryPanel::AskHook g_askHook;

enum Column { kName, kResponsible, kPlaces, kEntries, kMemo, kPlaceMemos };

// How many memos of places a line's tooltip and the details show.
constexpr qsizetype kMemoTip = 20, kMemoDetails = 5;

QString number(qint64 n) {
    return QLocale(QLocale::German).toString(n);
}

QIcon swatch(const QString& color) {
    QPixmap pixmap(12, 12);
    pixmap.fill(TerritoryNames::IsColor(color) ? QColor(color) : QColor(190, 190, 190));
    return QIcon(pixmap);
}

} // namespace

void CTerritoryPanel::RepaintMaps(QWidget* mainWindow) {
    for (CKelvoView* view : mainWindow->findChildren<CKelvoView*>()) {
        if (view->Canvas().m_bTerritoryColors)
            view->RepaintNow();
    }
}

bool CTerritoryPanel::HasAskHook() {
    return bool(g_askHook);
}

void CTerritoryPanel::SetAskHook(AskHook hook) {
    g_askHook = std::move(hook);
}

std::optional<QString> CTerritoryPanel::Ask(QWidget* parent, const QString& label,
                                            const QStringList& choices, const QString& value,
                                            bool lines) {
    if (g_askHook)
        return g_askHook(label, choices, value);
    bool ok = false;
    const QString title = QStringLiteral("Gebiete");
    const QString answer =
        !choices.isEmpty()
            ? QInputDialog::getItem(parent, title, label, choices,
                                    std::max(0, int(choices.indexOf(value))), false, &ok)
        : lines ? QInputDialog::getMultiLineText(parent, title, label, value, &ok)
                : QInputDialog::getText(parent, title, label, QLineEdit::Normal, value, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

CTerritoryPanel* CTerritoryPanel::Find() {
    return g_pPanel;
}

CTerritoryPanel* CTerritoryPanel::Show(QWidget* mainWindow) {
    if (!g_pPanel) {
        g_pPanel = new CTerritoryPanel(mainWindow);
        if (auto* main = qobject_cast<QMainWindow*>(mainWindow))
            main->addDockWidget(Qt::RightDockWidgetArea, g_pPanel);
    }
    g_pPanel->show();
    g_pPanel->raise();
    g_pPanel->Refresh();
    return g_pPanel;
}

CTerritoryPanel::CTerritoryPanel(QWidget* mainWindow)
    : QDockWidget(QStringLiteral("Gebiete"), mainWindow) {
    setObjectName(QStringLiteral("Gebiete"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    m_pList = new QTreeWidget(body);
    m_pList->setRootIsDecorated(false);
    m_pList->setHeaderLabels({QStringLiteral("Gebiet"), QStringLiteral("Verantwortlich"),
                              QStringLiteral("Orte"), QStringLiteral("Einträge"),
                              QStringLiteral("Memo"), QStringLiteral("Memos der Orte")});
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_pList);
    auto* buttons = new QHBoxLayout;
    const QList<QPair<QString, void (CTerritoryPanel::*)()>> actions{
        {QStringLiteral("&Neu..."), &CTerritoryPanel::OnNew},
        {QStringLiteral("&Umbenennen..."), &CTerritoryPanel::OnRename},
        {QStringLiteral("&Farbe..."), &CTerritoryPanel::OnColor},
        {QStringLiteral("&Bearbeiten..."), &CTerritoryPanel::OnEdit},
        {QStringLiteral("&Regeln..."), &CTerritoryPanel::OnRules},
        {QStringLiteral("&Löschen..."), &CTerritoryPanel::OnDelete},
        {QStringLiteral("E&xportieren..."), &CTerritoryPanel::OnExport},
        {QStringLiteral("&Importieren..."), &CTerritoryPanel::OnImport}};
    // The file buttons in a second row.
    auto* fileButtons = new QHBoxLayout;
    for (const auto& [text, slot] : actions) {
        auto* button = new QPushButton(text, body);
        button->setObjectName(QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        connect(button, &QPushButton::clicked, this, slot);
        const bool file = slot == &CTerritoryPanel::OnExport || slot == &CTerritoryPanel::OnImport;
        (file ? fileButtons : buttons)->addWidget(button);
    }
    fileButtons->addStretch();
    layout->addLayout(buttons);
    layout->addLayout(fileButtons);
    m_pDetails = new QLabel(body);
    m_pDetails->setWordWrap(true);
    m_pSpread = new QLabel(body);
    layout->addWidget(m_pDetails);
    layout->addWidget(m_pSpread);
    m_pBalance = new CTerritoryBalanceBox(mainWindow, body);
    layout->addWidget(m_pBalance);
    connect(m_pBalance, &CTerritoryBalanceBox::Assigned, this, [this] { Changed(); });
    setWidget(body);
    connect(m_pList, &QTreeWidget::currentItemChanged, this, [this] { ShowDetails(); });
    // A click rings the territory's places on the map and lists them in a table window.
    // Another user may have changed the territories since the list was read: it is read
    // again first, and a territory deleted meanwhile is said to be gone.
    connect(m_pList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const qint64 id = item->data(kName, Qt::UserRole).toLongLong();
        const QString name = item->text(kName);
        RefreshIfChanged(); // may delete the item
        if (id != 0 && !m_data.Find(id)) {
            KelvoMessageBox(QStringLiteral("Das Gebiet \"%1\" gibt es nicht mehr: ein anderer "
                                           "Benutzer hat es gelöscht.")
                                .arg(name),
                            this);
            return;
        }
        TerritoryShow::Show(this, m_data, id);
    });
    if (auto* mdi = mainWindow->findChild<QMdiArea*>())
        connect(mdi, &QMdiArea::subWindowActivated, this, [this] { RefreshIfChanged(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            RefreshIfChanged();
    });
}

void CTerritoryPanel::RefreshIfChanged() {
    if (!isVisible() || !g_GeoDatabase.IsOpen())
        return;
    const qint64 changes = CTerritoryStore(g_GeoDatabase).ChangeCount();
    // GEO changed too (a memo written, a country imported): the counts and memos of places.
    const bool rowsChanged =
        m_count.Rows() && !(m_count.Rows()->Stamp() == g_GeoDatabase.DataStamp());
    if (changes >= 0 && changes == m_nChanges && !rowsChanged)
        return;
    Changed();
}

void CTerritoryPanel::MapFocused() {
    if (g_pPanel && g_pPanel->isVisible())
        g_pPanel->Refresh();
}

void CTerritoryPanel::MapSelectionChanged() {
    if (g_pPanel && g_pPanel->isVisible())
        g_pPanel->m_pBalance->SelectionChanged();
}

void CTerritoryPanel::Refresh() {
    const qint64 current = Current() ? Current()->id : -1;
    CTerritoryStore store(g_GeoDatabase);
    m_data = CTerritoryData();
    m_nChanges = store.ChangeCount();
    // What could not be read is said in place of the details, after they are filled in.
    QString problem;
    if (g_GeoDatabase.IsOpen() && !store.LoadAt(m_nChanges, &m_data))
        problem = store.Error();
    QString error;
    std::shared_ptr<const CGeoPlaceRows> rows;
    if (g_GeoDatabase.IsOpen()) {
        rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Cached(true);
        // After a read on the worker that failed or came too late, this thread reads.
        if (!rows && !Counting() && !m_bReadHere)
            StartReading();
        m_bReadHere = false;
    } else {
        StopReading();
    }
    if (!rows && !Counting() && g_GeoDatabase.IsOpen())
        rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    // Rows read only in part would count too few places: no counts then, and the reason.
    if (!error.isEmpty() && problem.isEmpty())
        problem = error;
    if (rows && error.isEmpty())
        m_count.Update(rows, m_data);
    else if (!Counting())
        m_count = CTerritoryCount();
    // The balancing part counts the entries of the list of the map that last had the focus.
    m_pBalance->Update(m_count);
    m_memos.Update(m_count);
    const CTerritoryFigureMap& figures = m_pBalance->Figures();
    // While the rows are read the number columns say so instead of an old or empty count.
    const bool counting = Counting();
    auto figure = [&](qint64 n) { return counting ? QStringLiteral("…") : number(n); };
    m_pList->clear();
    QTreeWidgetItem* select = nullptr;
    for (const CTerritory& t : m_data.territories) {
        auto* item = new QTreeWidgetItem(m_pList);
        item->setIcon(kName, swatch(t.color));
        item->setText(kName, t.name);
        item->setText(kResponsible, t.responsible);
        item->setText(kPlaces, figure(figures.value(t.id).places));
        item->setText(kEntries, figure(figures.value(t.id).entries));
        item->setText(kMemo, t.memo.toString().simplified());
        SetPlaceMemos(item, t.id);
        item->setTextAlignment(kPlaces, Qt::AlignRight);
        item->setTextAlignment(kEntries, Qt::AlignRight);
        item->setData(kName, Qt::UserRole, t.id);
        if (t.id == current)
            select = item;
    }
    auto* none = new QTreeWidgetItem(m_pList);
    none->setIcon(kName, swatch(QString()));
    none->setText(kName, QStringLiteral("(kein Gebiet)"));
    none->setText(kPlaces, figure(figures.value(0).places));
    none->setText(kEntries, figure(figures.value(0).entries));
    none->setTextAlignment(kPlaces, Qt::AlignRight);
    none->setTextAlignment(kEntries, Qt::AlignRight);
    none->setData(kName, Qt::UserRole, qint64(0));
    SetPlaceMemos(none, 0);
    if (select)
        m_pList->setCurrentItem(select);
    const qint64 spread = TerritoryBalance::Spread(figures, m_data.territories);
    m_pSpread->setText(counting ? QStringLiteral("Die Orte werden gezählt …")
                       : m_data.territories.size() < 2
                           ? QString()
                           : QStringLiteral("Größtes minus kleinstes Gebiet: %1 %2")
                                 .arg(number(spread), spread == 1 ? "Ort" : "Orte"));
    ShowDetails();
    if (!problem.isEmpty())
        m_pDetails->setText(problem);
}

const CTerritory* CTerritoryPanel::Current() const {
    const QTreeWidgetItem* item = m_pList ? m_pList->currentItem() : nullptr;
    return item ? m_data.Find(item->data(kName, Qt::UserRole).toLongLong()) : nullptr;
}

void CTerritoryPanel::SetPlaceMemos(QTreeWidgetItem* item, qint64 territory) const {
    const qsizetype memos = m_memos.Count(territory);
    item->setText(kPlaceMemos, memos > 0 ? number(memos) : QString());
    item->setTextAlignment(kPlaceMemos, Qt::AlignRight);
    item->setToolTip(kPlaceMemos, m_memos.Lines(territory, kMemoTip).join(u'\n'));
}

void CTerritoryPanel::ShowDetails() {
    const QTreeWidgetItem* item = m_pList->currentItem();
    const QStringList memos =
        item ? m_memos.Lines(item->data(kName, Qt::UserRole).toLongLong(), kMemoDetails)
             : QStringList();
    const QString placeMemos =
        memos.isEmpty() ? QString() : QStringLiteral("\nMemos der Orte:\n") + memos.join(u'\n');
    const CTerritory* t = Current();
    if (!t) {
        m_pDetails->setText(placeMemos.mid(1));
        return;
    }
    QStringList rules;
    for (const CTerritoryRule& r : m_data.rules) {
        if (r.territory == t->id)
            rules << r.Text();
    }
    qsizetype singles = 0;
    for (const CTerritoryException& e : m_data.exceptions)
        singles += e.territory == t->id;
    QString text = rules.isEmpty() ? QStringLiteral("Keine Regeln.")
                                   : QStringLiteral("Regeln: %1.").arg(rules.join(u", "));
    if (singles > 0)
        text += singles == 1 ? QStringLiteral(" 1 Ort einzeln zugewiesen.")
                             : QStringLiteral(" %1 Orte einzeln zugewiesen.").arg(number(singles));
    m_pDetails->setText(text + placeMemos);
}

void CTerritoryPanel::Changed() {
    Refresh();
    RepaintMaps(parentWidget());
}

CTerritoryPanel::~CTerritoryPanel() {
    StopReading();
}

void CTerritoryPanel::StartReading() {
    CMapDrawJob::CInput input = CMapDrawJob::CInput::RowsOnly(
        CMapCanvas(g_GeoDatabase, CMapSettings()), g_GeoDatabase.FilePath());
    // The places are counted on the job's thread too, by the territories as read now.
    auto counted = std::make_shared<Counted>();
    input.afterRead = [counted, data = m_data](const std::shared_ptr<const CGeoPlaceRows>& rows) {
        counted->count.Update(rows, data);
        counted->memos.Update(counted->count);
    };
    m_pCounted = counted;
    m_stampRead = g_GeoDatabase.DataStamp();
    const quint64 generation = ++m_nReadGeneration;
    QPointer<CTerritoryPanel> self(this);
    m_pReadJob = CMapDrawJob::Start(std::move(input), {}, [self, generation] {
        QMetaObject::invokeMethod(
            qApp,
            [self, generation] {
                if (self)
                    self->ReadDone(generation);
            },
            Qt::QueuedConnection);
    });
}

void CTerritoryPanel::StopReading() {
    ++m_nReadGeneration;
    if (m_pReadJob)
        m_pReadJob->Cancel();
    m_pReadJob.reset();
}

void CTerritoryPanel::ReadDone(quint64 generation) {
    if (generation != m_nReadGeneration || !m_pReadJob)
        return;
    const std::shared_ptr<CMapDrawJob> job = m_pReadJob;
    StopReading();
    // Taken only while nothing was stored meanwhile (Adopt compares the stamps); otherwise,
    // or when the read failed, Refresh reads on this thread and says what went wrong.
    if (g_GeoDatabase.IsOpen() && job->RowsRead() && job->ReadError().isEmpty() &&
        job->RowsRead()->HasTexts()) {
        CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(g_GeoDatabase);
        cache.Adopt(job->RowsRead(), m_stampRead);
        // The count made on the worker is taken; Refresh then places again only what the
        // territories changed since.
        if (cache.Cached(true) == job->RowsRead() && m_pCounted->count.Rows() == job->RowsRead()) {
            m_count = std::move(m_pCounted->count);
            m_memos = std::move(m_pCounted->memos);
        }
    }
    m_pCounted.reset();
    m_bReadHere = true;
    if (isVisible())
        Refresh();
    m_bReadHere = false;
}
