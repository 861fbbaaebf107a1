#include "ui/territory/TerritoryBalanceBox.h"

#include "base/GermanNumbers.h"
#include "render/places/TableListValues.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/WriteCheckWait.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryPlaces.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

enum Column { kName, kPlaces, kEntries, kSum, kPlacesAfter, kEntriesAfter, kSumAfter };
constexpr int kExplained = 5; // selected places named one by one
constexpr qint64 kNoMove = -1;

QString number(qint64 n) {
    return QLocale(QLocale::German).toString(n);
}

QString places(qint64 n) {
    return n == 1 ? QStringLiteral("1 Ort") : QStringLiteral("%1 Orte").arg(number(n));
}

} // namespace

CTerritoryBalanceBox::CTerritoryBalanceBox(QWidget* mainWindow, QWidget* parent)
    : QWidget(parent), m_pMainWindow(mainWindow) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pSelection = new QLabel(this);
    m_pSelection->setObjectName(QStringLiteral("Auswahl"));
    m_pSelection->setWordWrap(true);
    m_pSelection->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pSelection);

    auto* form = new QFormLayout;
    m_pColumn = new QComboBox(this);
    m_pColumn->setObjectName(QStringLiteral("Summenspalte"));
    form->addRow(QStringLiteral("&Summe der Spalte:"), m_pColumn);
    auto* move = new QHBoxLayout;
    m_pTarget = new QComboBox(this);
    m_pTarget->setObjectName(QStringLiteral("Ziel"));
    m_pAssign = new QPushButton(QStringLiteral("&Zuweisen"), this);
    m_pAssign->setObjectName(QStringLiteral("Zuweisen"));
    move->addWidget(m_pTarget, 1);
    move->addWidget(m_pAssign);
    auto* moveLabel = new QLabel(QStringLiteral("&Gewählte Orte nach:"), this);
    moveLabel->setBuddy(m_pTarget);
    form->addRow(moveLabel, move);
    layout->addLayout(form);

    m_pTable = new QTreeWidget(this);
    m_pTable->setObjectName(QStringLiteral("Ausgleich"));
    m_pTable->setRootIsDecorated(false);
    m_pTable->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_pTable);
    m_pSpread = new QLabel(this);
    layout->addWidget(m_pSpread);

    connect(m_pColumn, &QComboBox::currentIndexChanged, this, [this] { OnColumnChosen(); });
    connect(m_pTarget, &QComboBox::currentIndexChanged, this, [this] { ShowFigures(); });
    connect(m_pAssign, &QPushButton::clicked, this, [this] { OnAssign(); });
    if (auto* mdi = mainWindow->findChild<QMdiArea*>()) {
        connect(mdi, &QMdiArea::subWindowActivated, this, [this] { Reread(true); });
    }
}

void CTerritoryBalanceBox::Reread(bool entries) {
    if (!m_pCount)
        return;
    // A closed panel reads nothing: the selection of a map is a scan of all its rows. It is
    // read when the panel shows again.
    if (!isVisible()) {
        m_bStale = true;
        return;
    }
    if (entries || std::exchange(m_bStale, false))
        ReadEntries();
    ReadSelection();
    ShowSelection();
    ShowFigures();
}

void CTerritoryBalanceBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Queued: the panel opened by its command counts and reads all anew right after.
    if (m_bStale)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_bStale)
                    Reread(true);
            },
            Qt::QueuedConnection);
}

void CTerritoryBalanceBox::Update(const CTerritoryCount& count) {
    m_pCount = &count;
    const qint64 target =
        m_pTarget->currentData().isValid() ? m_pTarget->currentData().toLongLong() : kNoMove;
    {
        const QSignalBlocker block(m_pTarget);
        m_pTarget->clear();
        m_pTarget->addItem(QStringLiteral("(nicht verschieben)"), kNoMove);
        for (const CTerritory& t : count.Data().territories)
            m_pTarget->addItem(t.name, t.id);
        m_pTarget->addItem(QStringLiteral("(kein Gebiet)"), qint64(0));
        m_pTarget->setCurrentIndex(std::max(0, m_pTarget->findData(target)));
    }
    m_bStale = false;
    ReadEntries();
    ReadSelection();
    ShowSelection();
    ShowFigures();
}

void CTerritoryBalanceBox::ReadEntries() {
    m_entries = CTerritoryEntries();
    const CKelvoDoc* doc = g_pLastMapView ? g_pLastMapView->GetDocument() : nullptr;
    const CTableList* list = doc ? doc->List() : nullptr;
    const QString path = list ? doc->GetPathName() : QString();
    // The number columns of the list; the chosen one is kept while the list stays.
    {
        const QString chosen = path == m_strListPath ? m_pColumn->currentText() : QString();
        const QSignalBlocker block(m_pColumn);
        m_pColumn->clear();
        m_pColumn->addItem(QStringLiteral("(keine)"), -1);
        if (list) {
            for (int c : TableListValues::NumericColumns(*list)) {
                const QString name = list->header.value(c).trimmed();
                m_pColumn->addItem(name.isEmpty() ? QStringLiteral("Spalte %1").arg(c + 1) : name,
                                   c);
            }
        }
        m_pColumn->setCurrentIndex(std::max(0, m_pColumn->findText(chosen)));
        m_pColumn->setEnabled(m_pColumn->count() > 1);
        if (path != m_strListPath || m_pColumn->currentData().toInt() != m_nColumn) {
            m_strListPath = path;
            m_nColumn = -1;
            m_values.clear();
        }
    }
    const std::shared_ptr<const CGeoPlaceRows>& rows = m_pCount->Rows();
    if (!doc || !rows)
        return;
    for (const CPlaceEntry& e : doc->m_aPlaces) {
        m_entries.rows.push_back(rows->Find(e.m_strStaat.toUtf8(), e.m_strPLZ.toUtf8()));
        m_entries.values.push_back(m_values.value(e.m_nLine));
    }
}

void CTerritoryBalanceBox::OnColumnChosen() {
    const int column = m_pColumn->currentData().toInt();
    m_nColumn = -1;
    m_values.clear();
    const CKelvoDoc* doc = g_pLastMapView ? g_pLastMapView->GetDocument() : nullptr;
    if (column >= 0 && doc && doc->List()) {
        QString error;
        if (TableListValues::Read(doc->GetPathName(), *doc->List(), column, &m_values, &error))
            m_nColumn = column;
        else
            KelvoMessageBox(error, this);
    }
    if (m_pCount)
        ReadEntries();
    ShowFigures();
}

void CTerritoryBalanceBox::ReadSelection() {
    m_selected.clear();
    m_bLassoCounting = false;
    const std::shared_ptr<const CGeoPlaceRows>& rows = m_pCount->Rows();
    auto* mdi = m_pMainWindow->findChild<QMdiArea*>();
    QMdiSubWindow* sub = mdi ? mdi->currentSubWindow() : nullptr;
    auto* table = sub ? sub->findChild<CListView_Table*>() : nullptr;
    if (table && table->selectionModel() != m_pWatched) {
        if (m_pWatched)
            disconnect(m_pWatched, nullptr, this, nullptr);
        m_pWatched = table->selectionModel();
        connect(m_pWatched, &QItemSelectionModel::selectionChanged, this,
                [this] { Reread(false); });
    }
    if (!rows || !sub)
        return;
    if (table) {
        m_selected = TerritoryPlaces::RowsOf(
            *rows, TerritoryPlaces::OfRows(table->GetModel(), table->SelectedRows()));
    } else if (auto* map = sub->findChild<CKelvoView*>()) {
        // The places in its lasso, or without one those of its extent: what "Gebiet
        // zuweisen..." in that window would assign.
        // The lasso's places are counted on a worker thread, over these rows too when the
        // map counted them over others; the map says when they are there.
        if (map->LassoArea().IsEmpty()) {
            m_selected = TerritoryPlaces::RowsInExtent(map->Canvas(), *rows);
        } else if (const QList<quint32>* inside = map->LassoRows(rows.get())) {
            m_selected = *inside;
        } else {
            m_bLassoCounting = true;
            if (!map->LassoCounting())
                map->CountLasso(rows);
        }
    }
}

void CTerritoryBalanceBox::SelectionChanged() {
    Reread(false);
}

void CTerritoryBalanceBox::ShowSelection() {
    if (m_bLassoCounting) {
        m_pSelection->setText(QStringLiteral("Die Orte im Lasso werden gezählt …"));
        return;
    }
    if (m_selected.isEmpty()) {
        m_pSelection->setText(QStringLiteral("Keine Orte gewählt."));
        return;
    }
    const CGeoPlaceRows& rows = *m_pCount->Rows();
    const CTerritoryAssigner& assigner = m_pCount->Assigner();
    const CTerritoryData& data = m_pCount->Data();
    auto nameOf = [&](qint64 id) {
        const CTerritory* t = data.Find(id);
        return t ? t->name : QStringLiteral("(kein Gebiet)");
    };
    QStringList lines{QStringLiteral("Gewählt: %1").arg(places(m_selected.size()))};
    for (quint32 k : m_selected.mid(0, kExplained)) {
        const QByteArrayView staat = rows.Countries()[rows.Country(k)];
        const QByteArrayView plz = rows.TextOf(k, CGeoPlaceRows::Plz);
        const CTerritoryAssigner::Placement& p = m_pCount->Placement(k);
        QString line = QStringLiteral("%1 %2 %3: %4, %5")
                           .arg(QString::fromUtf8(staat), QString::fromUtf8(plz),
                                QString::fromUtf8(rows.TextOf(k, CGeoPlaceRows::Ort)),
                                nameOf(p.territory), assigner.Reason(p));
        const int other = assigner.OverlappedRule(p, staat, plz);
        if (other >= 0) {
            const CTerritoryRule& r = assigner.Rules()[other];
            line += (p.exception ? QStringLiteral(" (statt Regel %1 von \"%2\")")
                                 : QStringLiteral(" (genauer als Regel %1 von \"%2\")"))
                        .arg(r.Text(), nameOf(r.territory));
        }
        lines << line;
    }
    if (m_selected.size() > kExplained) {
        const qint64 more = m_selected.size() - kExplained;
        lines << (more == 1 ? QStringLiteral("… und 1 weiterer Ort")
                            : QStringLiteral("… und %1 weitere Orte").arg(number(more)));
    }
    m_pSelection->setText(lines.join(QLatin1Char('\n')));
}

void CTerritoryBalanceBox::ShowFigures() {
    if (!m_pCount)
        return;
    m_figures = TerritoryBalance::Figures(*m_pCount, m_entries);
    const qint64 target =
        m_pTarget->currentData().isValid() ? m_pTarget->currentData().toLongLong() : kNoMove;
    const bool moving = target != kNoMove && !m_selected.isEmpty();
    const CTerritoryFigureMap after =
        moving ? TerritoryBalance::Moved(m_figures, *m_pCount, m_entries, m_selected, target)
               : m_figures;
    const bool summing = m_nColumn >= 0;
    const QString sum = m_pColumn->currentText();
    m_pTable->setHeaderLabels({QStringLiteral("Gebiet"), QStringLiteral("Orte"),
                               QStringLiteral("Einträge"), sum, QStringLiteral("Orte danach"),
                               QStringLiteral("Einträge danach"),
                               QStringLiteral("%1 danach").arg(sum)});
    m_pTable->setColumnHidden(kSum, !summing);
    for (int c : {kPlacesAfter, kEntriesAfter})
        m_pTable->setColumnHidden(c, !moving);
    m_pTable->setColumnHidden(kSumAfter, !moving || !summing);
    QList<QPair<QString, qint64>> lines;
    for (const CTerritory& t : m_pCount->Data().territories)
        lines << qMakePair(t.name, t.id);
    lines << qMakePair(QStringLiteral("(kein Gebiet)"), qint64(0));
    // The lines kept while there are as many (a new selection, another target): with
    // thousands of territories only the figures that changed are written.
    if (m_pTable->topLevelItemCount() != lines.size())
        m_pTable->clear();
    for (int i = 0; i < int(lines.size()); ++i) {
        const auto& [name, id] = lines[i];
        QTreeWidgetItem* item = m_pTable->topLevelItem(i);
        if (!item)
            item = new QTreeWidgetItem(m_pTable);
        const CTerritoryFigures& b = m_figures.value(id);
        const CTerritoryFigures& a = after.value(id);
        item->setText(kName, name);
        item->setText(kPlaces, number(b.places));
        item->setText(kEntries, number(b.entries));
        item->setText(kSum, GermanNumbers::Fixed(b.sum, 2));
        item->setText(kPlacesAfter, number(a.places));
        item->setText(kEntriesAfter, number(a.entries));
        item->setText(kSumAfter, GermanNumbers::Fixed(a.sum, 2));
        for (int c = kPlaces; c <= kSumAfter; ++c)
            item->setTextAlignment(c, Qt::AlignRight);
    }
    m_pAssign->setEnabled(moving);
    const QList<CTerritory>& territories = m_pCount->Data().territories;
    m_pSpread->setText(
        moving && territories.size() >= 2
            ? QStringLiteral("Größtes minus kleinstes Gebiet nach dem Verschieben: %1")
                  .arg(places(TerritoryBalance::Spread(after, territories)))
            : QString());
}

void CTerritoryBalanceBox::OnAssign() {
    const qint64 target = m_pTarget->currentData().toLongLong();
    if (!m_pCount || !m_pCount->Rows() || m_selected.isEmpty() || target == kNoMove)
        return;
    QList<CTerritoryException> assigned =
        TerritoryPlaces::OfPlaceRows(*m_pCount->Rows(), m_selected);
    for (CTerritoryException& e : assigned)
        e.territory = target;
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    if (!store.Assign(assigned))
        KelvoMessageBox(store.Error(m_pCount->Data()), this);
    {
        const QSignalBlocker block(m_pTarget);
        m_pTarget->setCurrentIndex(0);
    }
    emit Assigned();
}
