#pragma once

#include "data/GeoImport.h"

#include <QStringList>

class CMainFrame;

// An import started from the program: the files go into the program's database with the
// status-bar progress (caption and bar) and a Cancel button beside the bar; Esc cancels as
// well, other input waits until the import is over. Afterwards every open window shows the
// new rows and a German summary box reports the run; `notes` (such as failed downloads) come
// first in it.
CGeoImporter::Result RunImportJob(CMainFrame& frame, const QStringList& files,
                                  const QStringList& notes = {});
