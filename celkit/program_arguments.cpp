#include "celkit/program_arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#endif

namespace celkit {
namespace {

#ifdef _WIN32
std::string utf8Of(const wchar_t* wide) {
    int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(std::size_t(length > 0 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
    return text;
}

std::wstring wideOf(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring text(std::size_t(length > 0 ? length - 1 : 0), L'\0');
    if (length > 1) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], length);
    return text;
}

// '*' and '?' against a long name, ignoring case as Windows names do. The
// directory search also matches short names: "*.fnt" finds "glyphs.fntx" as GLYPHS~1.FNT.
bool matches(const wchar_t* pattern, const wchar_t* name) {
    const wchar_t *star = nullptr, *retry = nullptr;
    while (*name != L'\0') {
        if (*pattern == L'*') {
            star = pattern++;
            retry = name;
        } else if (*pattern == L'?' || std::towupper(*pattern) == std::towupper(*name)) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++retry;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') ++pattern;
    return *pattern == L'\0';
}

// The files a wildcard operand names, sorted; the operand itself when it has
// no wildcard or matches no file, so that the error names it. Only the last
// part of a path may hold wildcards; a long-path prefix \\?\ is none.
std::vector<std::string> expanded(const std::string& operand) {
    const std::wstring pattern = wideOf(operand);
    const std::size_t start = pattern.rfind(L"\\\\?\\", 0) == 0 ? 4 : 0;
    const std::size_t split = pattern.find_last_of(L"\\/:");
    const std::size_t last = split == std::wstring::npos || split < start ? start : split + 1;
    if (pattern.find_first_of(L"*?", start) < last ||
        pattern.find_first_of(L"*?", last) == std::wstring::npos)
        return {operand};
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                matches(pattern.c_str() + last, found.cFileName))
                names.push_back(pattern.substr(0, last) + found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (names.empty()) return {operand};
    std::sort(names.begin(), names.end());
    std::vector<std::string> out;
    for (const std::wstring& name : names) out.push_back(utf8Of(name.c_str()));
    return out;
}

// cmd.exe leaves wildcards to the program: the command's file operands are
// expanded as a POSIX shell would have, option values (--text "*", -o) are not.
std::vector<std::string> withWildcardsExpanded(const CLI::App& app,
                                               const std::vector<std::string>& args) {
    std::vector<std::string> out;
    const CLI::App* command = nullptr;
    bool named = false, optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (i == 0 || !named || command == nullptr) {  // the program, its options, the command
            out.push_back(arg);
            if (i > 0 && !option && !named) {
                named = true;
                try {
                    command = app.get_subcommand(arg);
                } catch (const CLI::OptionNotFound&) {
                }
            }
        } else if (option) {
            out.push_back(arg);
            optionsEnded = arg == "--";
            const bool attached =
                arg.find('=') != std::string::npos || (arg[1] != '-' && arg.size() > 2);
            const CLI::Option* takes = command->get_option_no_throw(arg);
            if (!attached && takes != nullptr && takes->get_type_size() > 0 && i + 1 < args.size())
                out.push_back(args[++i]);  // its value, as given
        } else {
            for (const std::string& name : expanded(arg)) out.push_back(name);
        }
    }
    return out;
}
#endif

}  // namespace

std::vector<std::string> programArguments(int argc, char** argv, const CLI::App& app) {
    std::vector<std::string> out;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide != nullptr && i < count; ++i) out.push_back(utf8Of(wide[i]));
    LocalFree(wide);
    return withWildcardsExpanded(app, out);
#else
    (void)app;
    out.assign(argv, argv + argc);
    return out;
#endif
}

}  // namespace celkit
