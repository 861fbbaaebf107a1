#pragma once

class CMainFrame;

// The commands that get postal data in from the program.
namespace DataCommands {

// "Postleitzahlen importieren...": a file dialog for GeoNames files (.txt, .zip), then the
// import with progress and summary.
void OnImport(CMainFrame& frame);
// "Postleitzahlen herunterladen...": the download dialog, then the import of what came.
void OnDownload(CMainFrame& frame);

} // namespace DataCommands
