#include "app/Startup.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cfloat>

#include "app/StartForm.h"
#include "runtime/Form.h"
#include "runtime/Program.h"
#include "toolkit/core/Toolkit.h"

ULONG_PTR ApplicationGdiplusToken = 0;

namespace {

bool globalsAlive = false;

void CreateGlobals() {
    globalsAlive = true;
}

void FirstApplicationModule() {}

void SecondApplicationModule() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    ApplicationGdiplusToken = token;
}

void ToolkitHook() {}
void EmptyModule() {}
void LastApplicationModule() {}

}  // namespace

bool GlobalsAlive() {
    return globalsAlive;
}

void TeardownGlobals() {
    if (!globalsAlive) return;
    globalsAlive = false;
}

int RunGift() {
    runtime::InitRuntime();
    _fpreset();
    _controlfp(_CW_DEFAULT, 0xFFFFF);
    CreateGlobals();
    runtime::SetExitRoutine(TeardownGlobals);
    FirstApplicationModule();
    SecondApplicationModule();
    StartToolkit();
    ToolkitHook();
    EmptyModule();
    EmptyModule();
    LastApplicationModule();
    runtime::LoadForm(gift::StartForm());
    runtime::RunMessageLoop();
    runtime::Quit();
    return 0;
}
