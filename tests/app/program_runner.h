// Starting the real celpack program from a test, on either build, and the
// files around it. Natively the program is build/native/celpack and its
// message box is a line on standard error. On Windows the program is
// celpack.exe, started by the test under Wine on a virtual display; a
// watcher thread finds each message box the program shows, reads its
// caption, text and buttons, and presses OK.
#ifndef CELPACK_TESTS_PROGRAM_RUNNER_H
#define CELPACK_TESTS_PROGRAM_RUNNER_H

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace program {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// Test data paths are Unix paths; Wine reads them on drive Z:.
inline std::string hostPath(const std::string& path) {
#ifdef _WIN32
    return "Z:" + path;
#else
    return path;
#endif
}

inline fs::path u8(const std::string& text) { return fs::u8path(text); }

inline Bytes readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void setReadOnly(const fs::path& path, bool readOnly) {
#ifdef _WIN32
    SetFileAttributesW(path.wstring().c_str(),
                       readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    fs::permissions(
        path, readOnly ? fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read
                       : fs::perms::owner_read | fs::perms::owner_write);
#endif
}

// Every file under `dir`, as a relative UTF-8 path with '/', sorted.
inline std::vector<std::string> listFiles(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) {
            std::string name = fs::relative(entry.path(), dir).generic_u8string();
            names.push_back(name);
        }
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh, empty directory for one case under the build tree.
inline fs::path freshDirectory(const std::string& name) {
    fs::path dir = u8(hostPath(CELPACK_BINARY_DIR)) / "test-work" / "program" / u8(name);
    if (fs::exists(dir)) {
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file()) setReadOnly(entry.path(), false);
        fs::remove_all(dir);
    }
    fs::create_directories(dir);
    return dir;
}

inline fs::path sourceFile(const std::string& relative) {
    return u8(hostPath(CELPACK_TEST_DATA)) / ".." / ".." / u8(relative);
}

struct ProgramRun {
    int exitCode = -1;
    // Each box shown, as "Caption: text".
    std::vector<std::string> messages;
    // What was wrong with a box besides its text (Windows: its buttons).
    std::vector<std::string> boxFaults;
};

#ifdef _WIN32

inline std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL,
                                     0, NULL, NULL);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length,
                        NULL, NULL);
    return out;
}

inline std::wstring wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), NULL, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length);
    return out;
}

inline std::wstring windowText(HWND window) {
    wchar_t text[1024] = {0};
    GetWindowTextW(window, text, 1024);
    return text;
}

inline std::wstring className(HWND window) {
    wchar_t name[64] = {0};
    GetClassNameW(window, name, 64);
    return name;
}

struct BoxSearch {
    DWORD processId;
    HWND box;
};

inline BOOL CALLBACK findBox(HWND window, LPARAM extra) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(extra);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->processId && IsWindowVisible(window) && className(window) == L"#32770") {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

struct BoxContents {
    std::wstring text;
    std::vector<HWND> buttons;
};

inline BOOL CALLBACK readBoxChild(HWND child, LPARAM extra) {
    BoxContents* contents = reinterpret_cast<BoxContents*>(extra);
    if (!IsWindowVisible(child)) return TRUE;
    std::wstring kind = className(child);
    if (_wcsicmp(kind.c_str(), L"Static") == 0) {
        std::wstring text = windowText(child);
        if (!text.empty()) contents->text += text;
    } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
        contents->buttons.push_back(child);
    }
    return TRUE;
}

inline std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find(L' ') == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

// Starts celpack.exe with `arguments` in `dir`, answers every box it shows
// and waits for it to end.
inline ProgramRun runProgram(const fs::path& dir, const std::vector<std::string>& arguments) {
    ProgramRun run;
    std::wstring program = (u8(hostPath(CELPACK_BINARY_DIR)) / "celpack.exe").wstring();
    std::wstring line = quoteArgument(program);
    for (const std::string& argument : arguments) line += L" " + quoteArgument(wide(argument));

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL,
                        dir.wstring().c_str(), &startup, &process)) {
        run.boxFaults.push_back("cannot start celpack.exe");
        return run;
    }

    std::vector<HWND> answered;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        if (std::chrono::steady_clock::now() > deadline) {
            run.boxFaults.push_back("celpack.exe did not end; its box was not answered");
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        BoxSearch search = {process.dwProcessId, NULL};
        EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
        if (search.box == NULL ||
            std::find(answered.begin(), answered.end(), search.box) != answered.end())
            continue;
        // Let the box finish laying out its controls before reading them.
        Sleep(200);
        BoxContents contents;
        EnumChildWindows(search.box, readBoxChild, reinterpret_cast<LPARAM>(&contents));
        run.messages.push_back(utf8(windowText(search.box)) + ": " + utf8(contents.text));
        HWND ok = NULL;
        if (contents.buttons.size() == 1 && GetDlgCtrlID(contents.buttons[0]) == IDOK)
            ok = contents.buttons[0];
        else
            run.boxFaults.push_back("the box has " + std::to_string(contents.buttons.size()) +
                                    " buttons, not one OK button");
        answered.push_back(search.box);
        PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ok));
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

#else

inline std::vector<std::string> lines(const Bytes& bytes) {
    std::vector<std::string> out;
    std::string text(bytes.begin(), bytes.end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Runs `body` in a child process whose working directory is `dir` and
// whose standard error goes to a file; the child's boxes are the lines of
// that file.
template <typename Body>
ProgramRun runForked(const fs::path& dir, Body body) {
    ProgramRun run;
    fs::path errors = dir.parent_path() / (dir.filename().string() + ".stderr");
    pid_t child = fork();
    if (child == 0) {
        int file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file < 0 || dup2(file, 2) < 0 || chdir(dir.c_str()) != 0) _exit(98);
        body();
        _exit(97);  // the program's shut-down ends the process before this
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.messages = lines(readBytes(errors));
    fs::remove(errors);
    return run;
}

// Starts build/native/celpack with `arguments` in `dir`.
inline ProgramRun runProgram(const fs::path& dir, const std::vector<std::string>& arguments) {
    std::string program = std::string(CELPACK_BINARY_DIR) + "/celpack";
    return runForked(dir, [&] {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(96);
    });
}

#endif

}  // namespace program

#endif
