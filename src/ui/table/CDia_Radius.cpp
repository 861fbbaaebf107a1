#include "ui/table/CDia_Radius.h"

#include "base/GermanNumbers.h"
#include "render/table/TableFillJob.h"
#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"
#include "ui/table/CDia_RadiusPick.h"
#include "ui/table/UsableWait.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

CDia_Radius::CDia_Radius(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dia_Radius"));
    setWindowTitle(QStringLiteral("Umkreissuche"));

    m_editCentre = new QLineEdit(this);
    m_editCentre->setObjectName(QStringLiteral("Centre"));
    m_editCentre->setPlaceholderText(QStringLiteral("PLZ, DE 80331, Ort oder Länge;Breite"));
    m_editCentre->setMinimumWidth(260);
    m_editRadius = new QLineEdit(GermanNumbers::Shortest(GeoRadius::kDefaultRadiusKm), this);
    m_editRadius->setObjectName(QStringLiteral("Radius"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CDia_Radius::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Mittelpunkt:"), m_editCentre);
    form->addRow(QStringLiteral("&Umkreis (km):"), m_editRadius);
    form->addRow(buttons);
    m_editCentre->setFocus();
}

void CDia_Radius::OnOK() {
    QString error;
    if (!GeoRadius::ParseRadius(m_editRadius->text(), &m_dRadiusKm, &error)) {
        KelvoMessageBox(error, this);
        m_editRadius->setFocus();
        return;
    }
    if (m_bLookingUp)
        return;
    QList<CRadiusCentre> places;
    bool found = false;
    if (!g_GeoDatabase.IsOpen()) {
        found = GeoRadius::FindCentres(g_GeoDatabase, m_editCentre->text(), &places, &error);
    } else {
        // A name is looked for in every row: on a thread of its own, over a connection of its
        // own, while the program answers. Cancelling the dialog meanwhile drops the lookup.
        struct Lookup {
            QList<CRadiusCentre> places;
            QString error;
            bool found = false;
        };
        auto lookup = std::make_shared<Lookup>();
        CBackgroundJob job([lookup, location = g_GeoDatabase.FilePath(),
                            text = m_editCentre->text()](const std::atomic<bool>&) {
            CGeoDatabase reader;
            if (!reader.Open(location))
                lookup->error = reader.OpenError();
            else
                lookup->found =
                    GeoRadius::FindCentres(reader, text, &lookup->places, &lookup->error);
        });
        CUsableWait wait;
        const QMetaObject::Connection cancel =
            connect(this, &QDialog::finished, this, [&wait] { wait.Cancel(); });
        m_bLookingUp = true;
        const bool done = wait.Run([&job] { return job.IsDone(); });
        m_bLookingUp = false;
        disconnect(cancel);
        if (!done || !isVisible())
            return;
        places = lookup->places;
        error = lookup->error;
        found = lookup->found;
    }
    if (!found) {
        KelvoMessageBox(error, this);
        m_editCentre->setFocus();
        return;
    }
    // Several places fit: the user picks one; cancelling goes back to this dialog.
    if (places.size() > 1) {
        CDia_RadiusPick pick(m_editCentre->text(), places, this);
        if (pick.exec() != QDialog::Accepted) {
            m_editCentre->setFocus();
            return;
        }
        m_centre = pick.Chosen();
    } else {
        m_centre = places.first();
    }
    accept();
}
