#pragma once
// The program frame of the form runtime: start, message loop, end.
//
//   runtime::InitRuntime();
//   ... create globals ...
//   runtime::SetExitRoutine(TeardownGlobals);
//   ... module initialisers ...
//   runtime::LoadForm(startForm);          // Form.h
//   runtime::RunMessageLoop();             // until the start form closes
//   runtime::Quit();
#include <windows.h>

namespace runtime {

// Registers the runtime's window classes and resets its state. Call once,
// before anything else of the runtime.
void InitRuntime();

// The routine to call exactly once when the program ends, through Quit or
// EndProgram, after every form's window has been destroyed.
void SetExitRoutine(void (*routine)());

// Runs the message loop on the calling thread until the main form (the first
// form loaded without dialog mode) has closed, or WM_QUIT arrives. Returns the WM_QUIT code, else
// 0.
int RunMessageLoop();

// Ends the runtime: stops the music, destroys every remaining form and calls
// the exit routine (once). Returns to the caller, which then leaves the program.
void Quit();

// Whether Quit has begun: windows that go now are not to be brought back.
bool Ending();

// Quit, then ExitProcess(code). Safe from anywhere on the user-interface
// thread, including handlers inside a nested dialog loop.
[[noreturn]] void EndProgram(int code);

}  // namespace runtime
