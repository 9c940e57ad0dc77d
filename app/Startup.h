#pragma once
#include <windows.h>
// The program's start-up and shutdown sequence, callable from tests.

// Runs the whole program: runtime, globals, module initialisers, the start
// window and its message loop; returns when the start window has closed.
int RunGift();

// Creates the global objects empty (gift::App()); does nothing while they exist.
void CreateGlobals();

// Releases the global objects in creation order. Safe to call twice.
void TeardownGlobals();

// Whether the global objects exist (between start-up and teardown).
bool GlobalsAlive();

// The application's own GDI+ session (started before the toolkit's).
extern ULONG_PTR ApplicationGdiplusToken;
