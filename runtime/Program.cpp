// The program frame: start, main loop, the one exit path.
#include "runtime/Program.h"

#include <windows.h>

#include "runtime/Internal.h"
#include "runtime/Services.h"

namespace runtime::detail {
void ResetForms();
int RunMainLoop();
}  // namespace runtime::detail

namespace runtime {

namespace {
void (*exitRoutine)() = nullptr;
bool exitRoutineRan = false;
bool classesRegistered = false;
bool ending = false;
}  // namespace

void InitRuntime() {
    if (!classesRegistered) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        detail::RegisterFormClass(instance);
        detail::RegisterUnitClasses(instance);
        classesRegistered = true;
    }
    // Whatever an earlier run left open goes as at an end.
    ending = true;
    detail::ResetForms();
    ending = false;
    exitRoutine = nullptr;
    exitRoutineRan = false;
}

void SetExitRoutine(void (*routine)()) {
    exitRoutine = routine;
    exitRoutineRan = false;
}

int RunMessageLoop() {
    return detail::RunMainLoop();
}

bool Ending() {
    return ending;
}

void Quit() {
    ending = true;
    StopMusic();
    // Windows go first: a window subclassed by a global object must not
    // receive messages after that object has been released.
    detail::DestroyAllForms();
    if (exitRoutine && !exitRoutineRan) {
        exitRoutineRan = true;
        exitRoutine();
    }
}

void EndProgram(int code) {
    Quit();
    ExitProcess(static_cast<UINT>(code));
}

}  // namespace runtime
