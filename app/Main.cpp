// Program entry: the start-up order the toolkit and the application rely on.
#include <windows.h>

#include <cfloat>

#include "app/Startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunGift();
}
