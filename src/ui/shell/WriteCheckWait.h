#pragma once

class CProgress;

// Before a write to the program's database (g_GeoDatabase): the check of the file that the
// first write of a session makes (CGeoDatabase::BeginWrite) runs on a thread with a
// connection of its own, while the windows go on answering and the status bar says
// "Datenbank wird geprüft:". Returns once it has ended; the write then begins without
// reading the file again, and refuses a damaged file with the same message. Does nothing
// when no check is due or one is being waited for already.
void WaitForWriteCheck();

// The same check for a command that shows its own caption and filters its own input (the
// import): events are handled while it runs, with no caption or cursor of its own; the bar
// of `progress` shows how much of the file it has read. Returns once the check has ended.
void RunWriteCheck(CProgress* progress);
