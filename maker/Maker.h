#pragma once
// The gift's maker: a folder of the giver's photographs, texts and song made
// into a personalised copy of the program. Runs only when the program is
// started with an argument.
#include <string>
#include <utility>
#include <vector>

namespace maker {

struct Report {
    // Errors first, then warnings, what was used, one line for the ignored
    // files, and last the outcome.
    std::vector<std::wstring> lines;
    bool written = false;  // the output exists and is complete
    std::wstring output;   // where the gift was written
};

struct MakeRequest {
    MakeRequest() = default;
    MakeRequest(std::wstring folder, std::wstring output, std::wstring program)
        : folder(std::move(folder)), output(std::move(output)), program(std::move(program)) {}

    std::wstring folder;   // the giver's folder
    std::wstring output;   // empty: FOLDER.exe beside the folder
    std::wstring program;  // the program to copy; empty: the running one
    // Where the gift of a drive root's folder (E:\, which has nothing beside
    // it) goes; empty: the desktop.
    std::wstring rootOutputFolder;
    bool folderIsDriveRoot = false;  // tests: the folder stands for a drive root
};

Report MakeGift(const MakeRequest& request);

// The whole command: parses the arguments (FOLDER [OUTPUT.exe], with the
// build tool's options --program PATH and --no-window in front), makes the
// gift and shows the report. Returns the exit code: 0 when the gift was
// written, 1 otherwise.
int RunMaker(const std::vector<std::wstring>& arguments);

// The message box's text for `lines` in at most `rows` rows: every line
// when they fit, else the first ones (errors and warnings come first), a
// count of the rest and the outcome; standard output has them all. After a
// gift was written it asks whether to open it.
std::wstring BoxText(const std::vector<std::wstring>& lines, bool written, int rows);

// The arguments a dropped selection or a command line gave, checked: exactly
// one folder, and an optional output ending in .exe. Empty on success, else
// the report's error line.
std::wstring CheckArguments(const std::vector<std::wstring>& items, MakeRequest& request);

}  // namespace maker
