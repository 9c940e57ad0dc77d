#pragma once
// The gift's maker: a folder of the giver's photographs, texts and song made
// into a personalised copy of the program. Runs only when the program is
// started with an argument.
#include <string>
#include <vector>

namespace maker {

struct Report {
    std::vector<std::wstring> lines;  // taken, adjusted, ignored, then errors
    bool written = false;             // the output exists and is complete
};

struct MakeRequest {
    std::wstring folder;   // the giver's folder
    std::wstring output;   // empty: FOLDER.exe beside the folder
    std::wstring program;  // the program to copy; empty: the running one
};

Report MakeGift(const MakeRequest& request);

// The whole command: parses the arguments (FOLDER [OUTPUT.exe], with the
// build tool's options --program PATH and --no-window in front), makes the
// gift and shows the report. Returns the exit code: 0 when the gift was
// written, 1 otherwise.
int RunMaker(const std::vector<std::wstring>& arguments);

}  // namespace maker
