#pragma once

#include "render/places/PlaceEntry.h"

#include <QDialog>
#include <QList>
#include <QString>

// The entries of a place list whose country and postal code name no row of the table, one
// line each: the file's line number, country, postal code and the entry's text.
class CDia_PlacesWithoutRow : public QDialog {
public:
    // `entries` are indexes into `places`, as PlacesWithoutRow::Find gives them.
    CDia_PlacesWithoutRow(const CPlaceList& places, const QList<int>& entries,
                          const QString& tableName, QWidget* parent = nullptr);
};
