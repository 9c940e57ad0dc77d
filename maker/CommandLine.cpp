// The maker as a command: arguments in, report out (a message box and, when
// the program has one, standard output), exit code back.
#include <windows.h>

#include <string>
#include <vector>

#include "maker/Maker.h"

namespace maker {

namespace {

void WriteUtf8(HANDLE out, const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0) return;
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// A console shows the wide text as it is; a pipe or a file gets UTF-8.
void PrintReport(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) {
        // Started from a console window: a GUI program has to join it.
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(out);
        return;
    }
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        DWORD written = 0;
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        WriteUtf8(out, text);
    }
}

}  // namespace

int RunMaker(const std::vector<std::wstring>& arguments) {
    MakeRequest request;
    bool window = true;
    std::vector<std::wstring> rest;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == L"--program" && i + 1 < arguments.size())
            request.program = arguments[++i];
        else if (arguments[i] == L"--no-window")
            window = false;
        else
            rest.push_back(arguments[i]);
    }
    Report report;
    if (rest.empty() || rest.size() > 2) {
        report.lines.push_back(
            L"用法：把装着照片、信、诗和歌曲的文件夹拖到 gift.exe 上，"
            L"或运行 gift.exe 文件夹 [输出.exe]");
    } else {
        request.folder = rest[0];
        if (rest.size() == 2) request.output = rest[1];
        report = MakeGift(request);
    }
    std::wstring text;
    for (const std::wstring& line : report.lines) text += line + L"\r\n";
    PrintReport(text);
    if (window)
        MessageBoxW(
            nullptr, text.c_str(), report.written ? L"礼物做好了" : L"礼物没有做成",
            MB_OK | (report.written ? MB_ICONINFORMATION : MB_ICONWARNING) | MB_SETFOREGROUND);
    return report.written ? 0 : 1;
}

}  // namespace maker
