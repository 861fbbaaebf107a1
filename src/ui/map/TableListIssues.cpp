#include "ui/map/TableListIssues.h"

#include "base/GermanNumbers.h"
#include "base/SystemErrorText.h"
#include "render/export/ExportWriters.h"
#include "render/places/SheetCellText.h"
#include "ui/shell/MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// A CSV field as RFC 4180 quotes it; a cell a spreadsheet would run as a formula gets a '
// before it, as in the German CSV of a table window. A number with a decimal comma ("-0,25")
// is none.
QString csvField(const QString& cell) {
    const bool formula = Export::GuardsAsFormula(cell.toUtf8()) &&
                         Export::GuardsAsFormula(QString(cell).replace(u',', u'.').toUtf8());
    const QString text = formula ? u'\'' + cell : cell;
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

CTableListIssues::CTableListIssues(const QString& listPath, const CTableList& list, QWidget* parent)
    : QWidget(parent), m_strListPath(listPath) {
    setWindowTitle(QStringLiteral("Zeilen ohne Ort - %1").arg(QFileInfo(listPath).fileName()));
    auto* layout = new QVBoxLayout(this);
    const int without = list.nWithoutPlace;
    QString counts =
        without == 1 ? QStringLiteral("1 Zeile der Liste hat keinen Ort in GEO.")
                     : QStringLiteral("%1 Zeilen der Liste haben keinen Ort in GEO.").arg(without);
    if (list.nRepaired > 0)
        counts += u' ' + RepairedText(list.nRepaired) + u'.';
    layout->addWidget(new QLabel(counts, this));
    int columns = 0;
    for (const CTableListIssue& issue : list.aIssues)
        columns = std::max(columns, int(issue.values.size()));
    m_pTable = new QTableWidget(int(list.aIssues.size()), 2 + columns, this);
    QStringList headers{QStringLiteral("Zeile"), QStringLiteral("Grund")};
    for (int c = 0; c < columns; ++c)
        headers << list.header.value(c, QStringLiteral("Spalte %1").arg(c + 1));
    m_pTable->setHorizontalHeaderLabels(headers);
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < list.aIssues.size(); ++r) {
        const CTableListIssue& issue = list.aIssues[r];
        m_pTable->setItem(r, 0, new QTableWidgetItem(QString::number(issue.nLine)));
        m_pTable->setItem(r, 1, new QTableWidgetItem(issue.strReason));
        // Typed cells as the sheet shows them; the export writes what is shown, which a
        // German spreadsheet reads back as the same dates and numbers.
        for (int c = 0; c < issue.values.size(); ++c)
            m_pTable->setItem(r, 2 + c,
                              new QTableWidgetItem(list.bSpreadsheet
                                                       ? SheetCellText::Shown(issue.values[c])
                                                       : issue.values[c]));
    }
    m_pTable->resizeColumnsToContents();
    layout->addWidget(m_pTable);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* exportButton = new QPushButton(QStringLiteral("E&xportieren..."), this);
    auto* closeButton = new QPushButton(QStringLiteral("Schließen"), this);
    buttons->addWidget(exportButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(exportButton, &QPushButton::clicked, this, &CTableListIssues::OnExport);
    // Closes the sub-window the table sits in.
    connect(closeButton, &QPushButton::clicked, this, [this] {
        if (QWidget* frame = parentWidget())
            frame->close();
    });
}

QString CTableListIssues::RepairedText(int repaired) {
    return GermanNumbers::Count(repaired, QStringLiteral("Postleitzahl"),
                                QStringLiteral("Postleitzahlen")) +
           QStringLiteral(" um führende Nullen ergänzt");
}

void CTableListIssues::OnExport() {
    // Beside the list, named after it.
    const QFileInfo list(m_strListPath);
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Exportieren"),
        list.dir().filePath(list.completeBaseName() + QStringLiteral("_ohne_Ort.csv")),
        QStringLiteral("CSV-Dateien (*.csv)"));
    if (!path.isEmpty())
        ExportTo(path);
}

bool CTableListIssues::ExportTo(const QString& path) {
    if (TableList::IsListItself(m_strListPath, path)) {
        KelvoMessageBox(TableList::ListItselfText());
        return false;
    }
    QString text = QStringLiteral("\uFEFF");
    QStringList headers;
    for (int c = 0; c < m_pTable->columnCount(); ++c)
        headers << csvField(m_pTable->horizontalHeaderItem(c)->text());
    text += headers.join(u';') + QStringLiteral("\r\n");
    for (int r = 0; r < m_pTable->rowCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < m_pTable->columnCount(); ++c)
            fields << csvField(m_pTable->item(r, c) ? m_pTable->item(r, c)->text() : QString());
        text += fields.join(u';') + QStringLiteral("\r\n");
    }
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        KelvoMessageBox(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                            .arg(path, SystemErrorText::OfFile(path, SystemErrorText::Access::Write,
                                                               file.errorString())));
        return false;
    }
    return true;
}
