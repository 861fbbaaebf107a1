#pragma once

#include <QPageLayout>

class QPrinter;

// The print commands of a window that prints, mixed into its view class: "Drucken..." (the
// print dialog first), printing on the printer as set up, and "Seitenansicht".
class CPrintCommands {
public:
    virtual ~CPrintCommands() = default;

    virtual void OnFilePrint(bool withDialog) = 0;
    virtual void OnFilePrintPreview() = 0;

    static bool IsPrintCommand(int id);
    // Carries out a print command; false for any other command.
    bool OnPrintCommand(int id);
};

// The printer's page orientation as the user set it up, given back when a job that may have
// turned the page ends.
class CKeepPageOrientation {
public:
    explicit CKeepPageOrientation(QPrinter& printer);
    ~CKeepPageOrientation();
    CKeepPageOrientation(const CKeepPageOrientation&) = delete;
    CKeepPageOrientation& operator=(const CKeepPageOrientation&) = delete;

private:
    QPrinter& m_printer;
    QPageLayout::Orientation m_orientation;
};
