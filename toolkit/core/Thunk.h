#pragma once
// Window-procedure thunks: a few bytes of code that put an object reference in
// place of the window handle and jump to a __stdcall method (20 bytes on x86;
// the x86-64 form loads the reference into the first argument register).
#include <windows.h>

#include <cstddef>

// Read-write memory for code; MakeWndProcThunk makes its block read-execute.
void* AllocExecutable(std::size_t bytes);
void FreeExecutable(void* address);

// The method receives (objectRef, msg, wParam, lParam).
using ThunkTarget = LRESULT(__stdcall*)(void* objectRef, UINT msg, WPARAM wParam, LPARAM lParam);
WNDPROC MakeWndProcThunk(void* objectRef, ThunkTarget method);
