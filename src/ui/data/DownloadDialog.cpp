#include "ui/data/DownloadDialog.h"

#include "data/GeoNamesDownload.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QStringList kTickedAtFirst{"DE", "AT", "CH", "BE", "LI"};
} // namespace

CDownloadDialog::CDownloadDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DownloadDialog"));
    setWindowTitle(QStringLiteral("Postleitzahlen herunterladen"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Die Postleitzahlen dieser Staaten herunterladen und "
                                            "importieren (Quelle: %1):")
                                 .arg(CGeoNamesDownload::BaseUrlSetting()));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    for (const auto& [code, name] : CGeoNamesDownload::Countries()) {
        const int row = int(m_rows.size());
        Row r{code, new QCheckBox(QStringLiteral("%1 (%2)").arg(name, code)), new QProgressBar,
              new QLabel};
        r.check->setObjectName(code);
        r.check->setChecked(kTickedAtFirst.contains(code));
        r.bar->setRange(0, 100);
        r.bar->setValue(0);
        r.bar->setTextVisible(false);
        r.bar->setFixedWidth(160);
        grid->addWidget(r.check, row, 0);
        grid->addWidget(r.bar, row, 1);
        grid->addWidget(r.status, row, 2);
        m_rows.append(r);
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    auto* credit =
        new QLabel(QStringLiteral("Daten: GeoNames (www.geonames.org), Lizenz CC BY 4.0"));
    layout->addWidget(credit);

    m_pButtons = new QDialogButtonBox;
    QPushButton* start =
        m_pButtons->addButton(QStringLiteral("Herunterladen"), QDialogButtonBox::AcceptRole);
    start->setObjectName(QStringLiteral("Start"));
    start->setDefault(true);
    m_pButtons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Cancel"));
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CDownloadDialog::OnStart);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &CDownloadDialog::reject);
    layout->addWidget(m_pButtons);
}

CDownloadDialog::~CDownloadDialog() = default;

CDownloadDialog::Row* CDownloadDialog::FindRow(const QString& code) {
    for (Row& row : m_rows) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

void CDownloadDialog::OnStart() {
    if (m_pDownload)
        return;
    QStringList countries;
    for (const Row& row : std::as_const(m_rows)) {
        row.check->setEnabled(false);
        if (row.check->isChecked())
            countries << row.code;
    }
    if (countries.isEmpty()) {
        QDialog::reject();
        return;
    }
    for (QAbstractButton* button : m_pButtons->buttons()) {
        if (m_pButtons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            button->setEnabled(false);
    }
    m_pDownload = new CGeoNamesDownload(CGeoNamesDownload::BaseUrlSetting(), m_folder.Path(), this);
    m_pDownload->SetLimits(CGeoNamesDownload::LimitsSetting());
    connect(m_pDownload, &CGeoNamesDownload::checking, this, [this](const QString& code) {
        if (Row* row = FindRow(code)) {
            row->bar->setRange(0, 0); // a busy bar; Esc still cancels
            row->status->setText(QStringLiteral("wird geprüft …"));
        }
    });
    connect(m_pDownload, &CGeoNamesDownload::progress, this,
            [this](const QString& code, qint64 received, qint64 total) {
                Row* row = FindRow(code);
                if (!row)
                    return;
                row->status->setText(QStringLiteral("%1 KB").arg(received / 1024));
                if (total > 0)
                    row->bar->setValue(int(received * 100 / total));
                else
                    row->bar->setRange(0, 0); // size not known: a busy bar
            });
    connect(m_pDownload, &CGeoNamesDownload::countryDone, this,
            [this](const CGeoNamesDownload::Outcome& outcome) {
                Row* row = FindRow(outcome.country);
                if (!row)
                    return;
                row->bar->setRange(0, 100);
                row->bar->setValue(outcome.error.isEmpty() ? 100 : 0);
                row->status->setText(outcome.error.isEmpty() ? QStringLiteral("fertig")
                                                             : QStringLiteral("Fehler"));
                row->status->setToolTip(outcome.error);
            });
    connect(m_pDownload, &CGeoNamesDownload::finished, this, [this] {
        for (const CGeoNamesDownload::Outcome& outcome : m_pDownload->Outcomes()) {
            if (!outcome.error.isEmpty())
                m_errors << outcome.error;
            else
                m_files << outcome.file;
        }
        if (m_bCancelled)
            QDialog::reject();
        else
            accept();
    });
    m_pDownload->Start(countries);
}

void CDownloadDialog::reject() {
    // Cancel while downloading stops the download; the dialog closes when it has stopped.
    if (m_pDownload && m_pDownload->IsRunning()) {
        m_bCancelled = true;
        m_pDownload->Cancel();
        return;
    }
    QDialog::reject();
}
