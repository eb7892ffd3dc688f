// Process-wide lifetime of the program's windows: which forms are alive, the
// message loop of the program and of modal windows, and ending the program.
#pragma once

#include <windows.h>

namespace pindrel::ui::win32 {

class Win32Form;

void RegisterForm(Win32Form& form);
void UnregisterForm(Win32Form& form);
// True once EndAllForms ran: no further events reach any logic.
bool ProgramEnding();

// Runs the program's message loop until the main window ends it; returns
// the exit code.
int RunMessageLoop();
// Runs messages until `form` has closed; the form's owner is disabled
// meanwhile by the caller.
void RunModalLoop(Win32Form& form);

// Ends the program now: every window of ours goes without raising events.
void EndAllForms();

// Forgets that the program was ending, so a test can build windows again
// after one ended it.
void ResetLifetimeForTests();

}  // namespace pindrel::ui::win32
