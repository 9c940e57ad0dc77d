// The maker as a command: arguments in, report out (a message box and, when
// the program has one, standard output), exit code back.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
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

// How many rows of text the message box may have on this screen.
int RowsThatFit() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const long lineHeight = std::max(16L, std::labs(metrics.lfMessageFont.lfHeight) * 3 / 2);
    // Room for the caption, the buttons, the question and margins.
    return std::max(8, static_cast<int>(((work.bottom - work.top) - 220) / lineHeight));
}

void StartGift(const std::wstring& path) {
    std::wstring command = L"\"" + path + L"\"";
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

bool EndsWithExe(const std::wstring& path) {
    if (path.size() < 4) return false;
    std::wstring tail = path.substr(path.size() - 4);
    for (wchar_t& c : tail) c = static_cast<wchar_t>(std::towlower(c));
    return tail == L".exe";
}

bool IsFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring NameOnly(const std::wstring& path) {
    std::wstring p = path;
    while (p.size() > 3 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
    const std::size_t slash = p.find_last_of(L"\\/");
    return slash == std::wstring::npos || slash + 1 == p.size() ? p : p.substr(slash + 1);
}

}  // namespace

std::wstring BoxText(const std::vector<std::wstring>& lines, bool written, int rows) {
    // A long line wraps in the box: about 60 characters a row.
    auto rowsOf = [](const std::wstring& line) { return 1 + static_cast<int>(line.size()) / 60; };
    std::wstring text;
    int used = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        if (!last && used + rowsOf(lines[i]) + rowsOf(lines.back()) + 1 > rows) {
            text += L"……另有 " + std::to_wstring(lines.size() - 1 - i) + L" 行没有显示\r\n";
            text += lines.back() + L"\r\n";
            break;
        }
        text += lines[i] + L"\r\n";
        used += rowsOf(lines[i]);
    }
    if (written) text += L"\r\n现在打开看看吗？";
    return text;
}

std::wstring CheckArguments(const std::vector<std::wstring>& items, MakeRequest& request) {
    constexpr wchar_t kDropOne[] =
        L"请只把一个文件夹（装着照片、信、诗和歌曲的那个）拖到 gift.exe 上";
    if (items.empty()) return kDropOne;
    // "FOLDER OUTPUT.exe" from a command line; anything else is a drop of
    // several items, of which nothing may be taken for the output.
    const bool output = items.size() == 2 && EndsWithExe(items[1]) && !IsFolder(items[1]);
    if (items.size() > 2 || (items.size() == 2 && !output)) {
        std::wstring names;
        for (std::size_t i = 0; i < items.size() && i < 5; ++i)
            names += (i ? L"、" : L"") + NameOnly(items[i]);
        if (items.size() > 5) names += L" 等";
        return L"一次拖上来了 " + std::to_wstring(items.size()) + L" 项（" + names + L"）。" +
               kDropOne + L"，不要同时选中别的文件";
    }
    if (!IsFolder(items[0])) {
        if (GetFileAttributesW(items[0].c_str()) == INVALID_FILE_ATTRIBUTES)
            return L"找不到文件夹 " + items[0];
        return L"拖上来的 " + NameOnly(items[0]) + L" 是一个文件，不是文件夹。" + kDropOne;
    }
    request.folder = items[0];
    if (output) request.output = items[1];
    return {};
}

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
    if (const std::wstring error = CheckArguments(rest, request); !error.empty())
        report.lines = {L"错误：" + error, L"没有写出礼物。"};
    else
        report = MakeGift(request);
    std::wstring text;
    for (const std::wstring& line : report.lines) text += line + L"\r\n";
    PrintReport(text);
    if (window) {
        const int answer =
            MessageBoxW(nullptr, BoxText(report.lines, report.written, RowsThatFit()).c_str(),
                        report.written ? L"礼物做好了" : L"礼物没有做成",
                        (report.written ? MB_YESNO | MB_ICONINFORMATION : MB_OK | MB_ICONWARNING) |
                            MB_SETFOREGROUND);
        if (report.written && answer == IDYES) StartGift(report.output);
    }
    return report.written ? 0 : 1;
}

}  // namespace maker
