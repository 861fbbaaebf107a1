#include "ui/shell/KelvoApp.h"
#include "ui/shell/StatusProgress.h"

// The shell's global objects. The program's start (main) opens the database before the
// application object starts up, and ends the application before it closes the database.
CStatusProgress g_StatusProgress;
CKelvoApp theApp;
