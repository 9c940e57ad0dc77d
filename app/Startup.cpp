#include "app/Startup.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cfloat>
#include <memory>

#include "app/AppObjects.h"
#include "app/StartForm.h"
#include "runtime/Form.h"
#include "runtime/Program.h"
#include "toolkit/core/Toolkit.h"

ULONG_PTR ApplicationGdiplusToken = 0;

namespace {

std::unique_ptr<gift::AppObjects> appObjects;

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

gift::AppObjects& gift::App() {
    return *appObjects;
}

void CreateGlobals() {
    if (!appObjects) appObjects = std::make_unique<gift::AppObjects>();
}

bool GlobalsAlive() {
    return appObjects != nullptr;
}

void TeardownGlobals() {
    appObjects.reset();
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
