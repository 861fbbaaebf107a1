#include "mapview/PlaceLookup.h"

void CPlaceLookup::Clear() {
    m_mapSlots.clear();
    m_aEntrySlot.clear();
    m_aSlotRow.clear();
}

void CPlaceLookup::MakeKey(QByteArrayView staat, QByteArrayView plz) {
    // Length of Staat, then both texts with A-Z folded to a-z: no two pairs share a key.
    m_strKey.assign(std::to_string(staat.size()));
    m_strKey.push_back(':');
    for (QByteArrayView part : {staat, plz}) {
        for (char c : part)
            m_strKey.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    }
}

void CPlaceLookup::Prepare(const CPlaceList& places) {
    Clear();
    m_aEntrySlot.reserve(size_t(places.size()));
    for (const CPlaceEntry& entry : places) {
        MakeKey(entry.m_strStaat.toUtf8(), entry.m_strPLZ.toUtf8());
        const auto inserted = m_mapSlots.emplace(m_strKey, int(m_aSlotRow.size()));
        if (inserted.second)
            m_aSlotRow.emplace_back();
        m_aEntrySlot.push_back(inserted.first->second);
    }
}

void CPlaceLookup::Offer(qint64 id, QByteArrayView staat, QByteArrayView plz, QByteArrayView lon,
                         QByteArrayView lat, QByteArrayView ort) {
    MakeKey(staat, plz);
    const auto it = m_mapSlots.find(m_strKey);
    if (it == m_mapSlots.end())
        return;
    std::optional<Row>& found = m_aSlotRow[size_t(it->second)];
    if (found && found->nId <= id)
        return;
    found = Row{id, lon.toByteArray(), lat.toByteArray(), ort.toByteArray()};
}

const CPlaceLookup::Row* CPlaceLookup::Find(int index) const {
    if (index < 0 || size_t(index) >= m_aEntrySlot.size())
        return nullptr;
    const std::optional<Row>& row = m_aSlotRow[size_t(m_aEntrySlot[size_t(index)])];
    return row ? &*row : nullptr;
}
