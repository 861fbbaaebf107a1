// The panel's buttons and the assignment of places: each change is one write of the store,
// refused whole with a message when it cannot be made. The check of the file that the first
// write of a session makes runs on a thread while the windows go on answering.
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/WriteCheckWait.h"
#include "ui/territory/TerritoryPanel.h"

#include <QColorDialog>
#include <QLocale>

namespace {

// Writes a changed territory over the one read; another user's change meanwhile is shown,
// and the user chooses which to keep.
void writeChanged(QWidget* parent, const CTerritory& read, const CTerritory& changed) {
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    CTerritory stored;
    switch (store.Update(read, changed, &stored)) {
    case CTerritoryStore::Write::Saved:
        return;
    case CTerritoryStore::Write::Failed:
        KelvoMessageBox(store.Error(), parent);
        return;
    case CTerritoryStore::Write::Missing:
        KelvoMessageBox(QStringLiteral("Das Gebiet \"%1\" gibt es nicht mehr: ein anderer "
                                       "Benutzer hat es gelöscht.")
                            .arg(read.name),
                        parent);
        return;
    case CTerritoryStore::Write::Conflict:
        break;
    }
    // The memos in full when they differ, as the question about a row's memo shows them.
    QString text = QStringLiteral("Ein anderer Benutzer hat das Gebiet inzwischen geändert.\n\n"
                                  "Gespeichert: %1, %2, %3\nIhre Änderung: %4, %5, %6")
                       .arg(stored.name, stored.color, stored.responsible, changed.name,
                            changed.color, changed.responsible);
    if (stored.memo.toString() != changed.memo.toString())
        text += QStringLiteral("\n\nGespeichertes Memo:\n%1\n\nIhr Memo:\n%2")
                    .arg(stored.memo.toString(), changed.memo.toString());
    const int answer = KelvoQuestionBox(
        text + QStringLiteral("\n\nWelche Fassung soll gelten?"),
        {QStringLiteral("Meine Änderung"), QStringLiteral("Gespeicherte Fassung")}, parent);
    if (answer == 0 && store.Update(stored, changed, &stored) != CTerritoryStore::Write::Saved)
        KelvoMessageBox(QStringLiteral("Die Änderung wurde nicht gespeichert: das Gebiet wurde "
                                       "wieder geändert oder gelöscht."),
                        parent);
}

} // namespace

void CTerritoryPanel::OnNew() {
    const std::optional<QString> name = Ask(this, QStringLiteral("Name des neuen Gebiets:"), {});
    if (!name)
        return;
    CTerritory t;
    t.name = name->trimmed();
    t.color = TerritoryNames::FreeColor(int(m_data.territories.size()),
                                        TerritoryNames::UsedColors(m_data.territories));
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    if (store.Create(t) == 0)
        KelvoMessageBox(store.Error(), this);
    Changed();
}

void CTerritoryPanel::OnRename() {
    const CTerritory* t = Current();
    if (!t)
        return;
    const CTerritory read = *t;
    const std::optional<QString> name = Ask(this, QStringLiteral("Neuer Name:"), {}, read.name);
    if (!name || name->trimmed() == read.name)
        return;
    CTerritory changed = read;
    changed.name = name->trimmed();
    writeChanged(this, read, changed);
    Changed();
}

void CTerritoryPanel::OnColor() {
    const CTerritory* t = Current();
    if (!t)
        return;
    const CTerritory read = *t;
    std::optional<QString> color;
    if (HasAskHook()) {
        color = Ask(this, QStringLiteral("Farbe (#rrggbb):"), {}, read.color);
    } else {
        const QColor chosen = QColorDialog::getColor(
            QColor(read.color), this, QStringLiteral("Farbe von \"%1\"").arg(read.name));
        if (chosen.isValid())
            color = chosen.name();
    }
    if (!color || *color == read.color)
        return;
    CTerritory changed = read;
    changed.color = *color;
    writeChanged(this, read, changed);
    Changed();
}

void CTerritoryPanel::OnEdit() {
    const CTerritory* t = Current();
    if (!t)
        return;
    const CTerritory read = *t;
    const std::optional<QString> responsible = Ask(
        this, QStringLiteral("Verantwortlich für \"%1\":").arg(read.name), {}, read.responsible);
    if (!responsible)
        return;
    const std::optional<QString> memo =
        Ask(this, QStringLiteral("Memo zu \"%1\":").arg(read.name), {}, read.memo.toString(), true);
    if (!memo)
        return;
    CTerritory changed = read;
    changed.responsible = responsible->simplified();
    changed.memo = memo->isEmpty() ? QVariant() : QVariant(*memo);
    if (changed.responsible == read.responsible && *memo == read.memo.toString())
        return;
    writeChanged(this, read, changed);
    Changed();
}

void CTerritoryPanel::OnRules() {
    const CTerritory* t = Current();
    if (!t)
        return;
    const CTerritory read = *t;
    const std::optional<QString> text = Ask(
        this, QStringLiteral("Regeln für \"%1\", etwa \"DE 80-87, DE 90*\":").arg(read.name), {});
    if (!text)
        return;
    QList<CTerritoryRule> rules;
    QString error;
    if (!TerritoryRules::Parse(*text, &rules, &error)) {
        KelvoMessageBox(error, this);
        return;
    }
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    QStringList notes;
    if (!store.AddRules(read.id, rules, &notes))
        KelvoMessageBox(store.Error(m_data), this);
    else if (!notes.isEmpty())
        KelvoInfoBox(notes.join(QLatin1Char('\n')), this);
    Changed();
}

void CTerritoryPanel::OnDelete() {
    const CTerritory* t = Current();
    if (!t)
        return;
    const CTerritory read = *t;
    const qint64 places = Places(read.id);
    const QString question = QStringLiteral("Das Gebiet \"%1\" löschen?").arg(read.name);
    // Without places there is nothing to decide about them.
    const int answer =
        places == 0
            ? (KelvoQuestionBox(question + QStringLiteral("\n\nEs hat keine Orte."),
                                {QStringLiteral("Löschen"), QStringLiteral("Abbrechen")}, this) == 0
                   ? 1
                   : 2)
            : KelvoQuestionBox(
                  question + (places == 1 ? QStringLiteral("\n\nEs hat 1 Ort. Was soll aus ihm "
                                                           "werden?")
                                          : QStringLiteral("\n\nEs hat %1 Orte. Was soll aus "
                                                           "ihnen werden?")
                                                .arg(QLocale(QLocale::German).toString(places))),
                  {QStringLiteral("Einem anderen Gebiet geben"), QStringLiteral("Keinem Gebiet"),
                   QStringLiteral("Abbrechen")},
                  this);
    qint64 moveTo = 0;
    if (answer == 2)
        return;
    if (answer == 0) {
        QStringList others;
        for (const CTerritory& o : m_data.territories) {
            if (o.id != read.id)
                others << o.name;
        }
        if (others.isEmpty()) {
            KelvoMessageBox(QStringLiteral("Es gibt kein anderes Gebiet."), this);
            return;
        }
        const std::optional<QString> name =
            Ask(this, QStringLiteral("Die Orte bekommt das Gebiet:"), others);
        if (!name || !m_data.FindByName(*name))
            return;
        moveTo = m_data.FindByName(*name)->id;
    }
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    if (!store.Delete(read.id, moveTo))
        KelvoMessageBox(store.Error(m_data), this);
    Changed();
}

bool CTerritoryPanel::Assign(QWidget* parent, const QList<CTerritoryException>& places) {
    if (places.isEmpty()) {
        KelvoMessageBox(QStringLiteral("Es sind keine Orte gewählt."), parent);
        return false;
    }
    CTerritoryStore store(g_GeoDatabase);
    CTerritoryData data;
    if (!store.Load(&data)) {
        KelvoMessageBox(store.Error(), parent);
        return false;
    }
    const QString none = QStringLiteral("(kein Gebiet)");
    QStringList names;
    for (const CTerritory& t : data.territories)
        names << t.name;
    names << none;
    const std::optional<QString> chosen =
        Ask(parent,
            places.size() == 1 ? QStringLiteral("1 Ort dem Gebiet zuweisen:")
                               : QStringLiteral("%1 Orte dem Gebiet zuweisen:")
                                     .arg(QLocale(QLocale::German).toString(places.size())),
            names);
    if (!chosen)
        return false;
    const CTerritory* target = data.FindByName(*chosen);
    if (!target && *chosen != none)
        return false;
    QList<CTerritoryException> assigned = places;
    for (CTerritoryException& e : assigned)
        e.territory = target ? target->id : 0;
    WaitForWriteCheck();
    const bool ok = store.Assign(assigned);
    if (!ok)
        KelvoMessageBox(store.Error(data), parent);
    if (CTerritoryPanel* panel = Find())
        panel->Changed();
    else
        RepaintMaps(parent->window());
    return ok;
}
