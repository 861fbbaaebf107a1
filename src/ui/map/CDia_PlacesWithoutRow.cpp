#include "ui/map/CDia_PlacesWithoutRow.h"

#include "render/map/PlacesWithoutRow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CDia_PlacesWithoutRow::CDia_PlacesWithoutRow(const CPlaceList& places, const QList<int>& entries,
                                             const QString& tableName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Einträge ohne Ort"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(PlacesWithoutRow::CountText(int(entries.size()), tableName) +
                                     QStringLiteral(": Diese Einträge zeigt keine Karte."),
                                 this));

    auto* table = new QTableWidget(int(entries.size()), 4, this);
    table->setObjectName(QStringLiteral("PlacesWithoutRow"));
    table->setHorizontalHeaderLabels({QStringLiteral("Zeile"), QStringLiteral("Staat"),
                                      QStringLiteral("PLZ"), QStringLiteral("Text")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < entries.size(); ++row) {
        const CPlaceEntry& entry = places.at(entries[row]);
        // "0" is a label not given: the map would show the place's name, which it has not.
        const QString text = entry.m_strLabel == u"0" ? QString() : entry.m_strLabel;
        const QStringList cells{QString::number(entry.m_nLine), entry.m_strStaat, entry.m_strPLZ,
                                text};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeColumnsToContents();
    layout->addWidget(table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(520, 320);
}
