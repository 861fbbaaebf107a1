#include "ui/map/TableListDialog.h"

#include "render/places/HiddenSheets.h"
#include "render/places/SheetCellText.h"
#include "render/places/TableListFile.h"
#include "ui/shell/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using Role = CTableListMapping::Role;

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

QString settingsKey(const QString& path) {
    return QStringLiteral("Listen/") + CTableListDialog::NamePattern(path);
}

QString letters(int column) {
    QString text;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        text.prepend(QChar(u'A' + (n - 1) % 26));
    return text;
}

} // namespace

CTableListDialog::CTableListDialog(CTableListFile& file, const CTableList& preview, QWidget* parent)
    : QDialog(parent), m_file(file), m_strPath(file.Path()), m_preview(preview) {
    setWindowTitle(QStringLiteral("Liste öffnen - %1").arg(QFileInfo(m_strPath).fileName()));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    m_pSheet = new QComboBox(this);
    // Each sheet by its name, a hidden one marked (a workbook of one sheet is not looked
    // through for it); the item's data is the name.
    const QStringList sheets = file.SheetNames();
    const QSet<QString> hidden = sheets.size() > 1 ? HiddenSheets::Of(m_strPath) : QSet<QString>();
    for (const QString& sheet : sheets)
        m_pSheet->addItem(HiddenSheets::Label(sheet, hidden), sheet);
    m_pSheet->setCurrentIndex(std::max(0, m_pSheet->findData(preview.strSheet)));
    top->addRow(QStringLiteral("&Blatt:"), m_pSheet);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("Die ersten Zeilen der Liste:"), this));
    m_pTable = new QTableWidget(this);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setMinimumSize(560, 220);
    layout->addWidget(m_pTable);

    auto* form = new QFormLayout;
    m_pHeader = new QSpinBox(this);
    m_pHeader->setRange(0, TableList::kPreviewRows);
    m_pHeader->setSpecialValueText(QStringLiteral("keine"));
    form->addRow(QStringLiteral("&Überschriften in Zeile:"), m_pHeader);
    for (int role = 0; role < Role::RoleCount; ++role) {
        m_aRole[size_t(role)] = new QComboBox(this);
        m_aRole[size_t(role)]->setObjectName(CTableListMapping::RoleName(Role(role)));
        form->addRow(CTableListMapping::RoleTitle(Role(role)) + QLatin1Char(':'),
                     m_aRole[size_t(role)]);
    }
    m_pCountry = new QLineEdit(this);
    m_pCountry->setMaxLength(2);
    m_pCountry->setObjectName(QStringLiteral("Staat ohne Spalte"));
    form->addRow(QStringLiteral("Staat &ohne Spalte:"), m_pCountry);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    ShowPreview();
    CTableListMapping remembered;
    if (Remembered(m_strPath, &remembered, &m_strRememberedSheet))
        m_remembered = remembered;
    // A file of one sheet (a text file's is named after the file) takes the mapping of its
    // name's pattern; a workbook opens on the sheet it was chosen for, when it has one of
    // that name, and takes the mapping only there.
    if (m_remembered && m_pSheet->count() <= 1)
        m_strRememberedSheet = preview.strSheet;
    if (m_remembered && m_strRememberedSheet != preview.strSheet &&
        m_pSheet->findData(m_strRememberedSheet) >= 0) {
        m_pSheet->setCurrentIndex(m_pSheet->findData(m_strRememberedSheet));
        LoadSheet(m_strRememberedSheet);
    } else {
        ShowMapping(m_remembered && m_strRememberedSheet == preview.strSheet ? *m_remembered
                                                                             : preview.mapping);
    }
    connect(m_pSheet, &QComboBox::currentIndexChanged, this, [this] { LoadSheet(Sheet()); });
    connect(m_pHeader, &QSpinBox::valueChanged, this, &CTableListDialog::FillColumnNames);
}

void CTableListDialog::LoadSheet(const QString& sheet) {
    QString error;
    CTableList preview;
    if (!TableList::Preview(m_file, sheet, &preview, &error)) {
        KelvoMessageBox(error);
        return;
    }
    m_preview = preview;
    ShowPreview();
    ShowMapping(m_remembered && sheet == m_strRememberedSheet ? *m_remembered : m_preview.mapping);
}

void CTableListDialog::ShowPreview() {
    int columns = 0;
    for (const QStringList& row : m_preview.preview)
        columns = std::max(columns, int(row.size()));
    m_pTable->clear();
    m_pTable->setRowCount(int(m_preview.preview.size()));
    m_pTable->setColumnCount(columns);
    QStringList headers, lines;
    for (int c = 0; c < columns; ++c)
        headers << letters(c);
    for (int r = 0; r < m_preview.preview.size(); ++r) {
        lines << QString::number(m_preview.previewLines.value(r));
        for (int c = 0; c < m_preview.preview[r].size(); ++c) {
            // Control characters as they are read: blanks (line breaks in a cell stay).
            const QString& cell = m_preview.preview[r][c];
            QString shown = (m_preview.bSpreadsheet ? SheetCellText::Shown(cell) : cell).left(200);
            for (QChar& ch : shown) {
                if (ch.category() == QChar::Other_Control && ch != u'\n')
                    ch = u' ';
            }
            m_pTable->setItem(r, c, new QTableWidgetItem(shown));
        }
    }
    m_pTable->setHorizontalHeaderLabels(headers);
    m_pTable->setVerticalHeaderLabels(lines);
    m_pTable->resizeColumnsToContents();
}

void CTableListDialog::FillColumnNames() {
    int columns = m_pTable->columnCount();
    const int at = int(m_preview.previewLines.indexOf(m_pHeader->value()));
    const QStringList header = at >= 0 ? m_preview.preview[at] : QStringList();
    for (QComboBox* combo : m_aRole) {
        const int current = combo->currentData().isValid() ? combo->currentData().toInt() : -1;
        combo->blockSignals(true);
        combo->clear();
        combo->addItem(QStringLiteral("(keine)"), -1);
        for (int c = 0; c < columns; ++c) {
            const QString name = header.value(c).trimmed();
            combo->addItem(name.isEmpty() ? QStringLiteral("Spalte %1").arg(letters(c))
                                          : QStringLiteral("%1: %2").arg(letters(c), name),
                           c);
        }
        combo->setCurrentIndex(std::max(0, combo->findData(current)));
        combo->blockSignals(false);
    }
}

void CTableListDialog::ShowMapping(const CTableListMapping& mapping) {
    m_pHeader->blockSignals(true);
    m_pHeader->setValue(mapping.nHeaderLine);
    m_pHeader->blockSignals(false);
    for (int role = 0; role < Role::RoleCount; ++role)
        m_aRole[size_t(role)]->setCurrentIndex(-1);
    FillColumnNames();
    for (int role = 0; role < Role::RoleCount; ++role) {
        QComboBox* combo = m_aRole[size_t(role)];
        combo->setCurrentIndex(std::max(0, combo->findData(mapping.Column(Role(role)))));
    }
    m_pCountry->setText(mapping.strCountry);
}

QString CTableListDialog::Sheet() const {
    return m_pSheet->currentData().toString();
}

CTableListMapping CTableListDialog::Mapping() const {
    CTableListMapping mapping;
    mapping.nHeaderLine = m_pHeader->value();
    for (int role = 0; role < Role::RoleCount; ++role)
        mapping.aColumn[size_t(role)] = m_aRole[size_t(role)]->currentData().toInt();
    const QString country = m_pCountry->text().trimmed().toUpper();
    mapping.strCountry = country.isEmpty() ? QStringLiteral("DE") : country;
    return mapping;
}

void CTableListDialog::accept() {
    if (Mapping().Column(Role::Plz) < 0) {
        KelvoMessageBox(QStringLiteral("Bitte die Spalte mit den Postleitzahlen wählen."));
        return;
    }
    Remember(m_strPath, Mapping(), Sheet());
    QDialog::accept();
}

QString CTableListDialog::NamePattern(const QString& path) {
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    return QFileInfo(path).fileName().toLower().replace(digits, QStringLiteral("#"));
}

bool CTableListDialog::Remembered(const QString& path, CTableListMapping* mapping, QString* sheet) {
    const QStringList parts = settings().value(settingsKey(path)).toStringList();
    if (parts.size() != Role::RoleCount + 3)
        return false;
    *sheet = parts[0];
    mapping->nHeaderLine = parts[1].toInt();
    mapping->strCountry = parts[2];
    for (int role = 0; role < Role::RoleCount; ++role)
        mapping->aColumn[size_t(role)] = parts[3 + role].toInt();
    return mapping->Column(Role::Plz) >= 0;
}

void CTableListDialog::Remember(const QString& path, const CTableListMapping& mapping,
                                const QString& sheet) {
    QStringList parts{sheet, QString::number(mapping.nHeaderLine), mapping.strCountry};
    for (int column : mapping.aColumn)
        parts << QString::number(column);
    settings().setValue(settingsKey(path), parts);
}
