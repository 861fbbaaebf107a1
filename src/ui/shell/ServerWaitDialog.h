#pragma once

// While the program waits for the database server longer than a moment, a small window says
// so and offers to give up ("Abbrechen"): the operation then fails with a message, nothing
// is half saved, and the next one connects anew. The wait cursor shows meanwhile.
namespace ServerWaitDialog {

// Shown after this long a wait.
inline constexpr int kShowAfterMs = 1500;

// The give-up hook of the program's database: shows the window once the wait has lasted
// kShowAfterMs, lets it take clicks, and is true once the user has clicked "Abbrechen".
bool GiveUp(int elapsedMs);

// Puts the window away: the wait is over.
void Close();

} // namespace ServerWaitDialog
