#include "ui/shell/PrintCommands.h"

#include "base/CommandIds.h"

#include <QPrinter>

bool CPrintCommands::IsPrintCommand(int id) {
    return id == ID_FILE_PRINT || id == ID_FILE_PRINT_DIRECT || id == ID_FILE_PRINT_PREVIEW;
}

bool CPrintCommands::OnPrintCommand(int id) {
    switch (id) {
    case ID_FILE_PRINT:
        OnFilePrint(true);
        return true;
    case ID_FILE_PRINT_DIRECT:
        OnFilePrint(false);
        return true;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview();
        return true;
    default:
        return false;
    }
}

CKeepPageOrientation::CKeepPageOrientation(QPrinter& printer)
    : m_printer(printer), m_orientation(printer.pageLayout().orientation()) {}

CKeepPageOrientation::~CKeepPageOrientation() {
    m_printer.setPageOrientation(m_orientation);
}
