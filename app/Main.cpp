// Program entry: with an argument the program is the gift's maker (a folder
// dropped onto its icon); without one it is the gift and the maker never runs.
#include <windows.h>
#include <shellapi.h>

#include <cfloat>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "maker/Maker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::vector<std::wstring> arguments;
    int count = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
        LocalFree(argv);
    }
    if (!arguments.empty()) return maker::RunMaker(arguments);
    return RunGift();
}
