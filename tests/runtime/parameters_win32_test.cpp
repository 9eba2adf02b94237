// Program parameters on Windows: a probe is started with each command
// line of the table and reports what the runtime made of it.
#include <gtest/gtest.h>

#include <string>

#include "parameter_cases.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

const wchar_t* const outputName = L"kernel_parameters_probe.txt";

// Runs the probe with `line` as its whole command line; its exit code goes
// to *exitCode.
std::string runProbe(const std::u16string& line, DWORD* exitCode) {
    std::wstring commandLine(line.begin(), line.end());
    std::wstring probe = L"" CELPACK_PARAMETERS_PROBE;
    DeleteFileW(outputName);
    SetEnvironmentVariableW(L"CELPACK_PROBE_OUTPUT", outputName);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return std::string();
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::vector<unsigned char> bytes = testsupport::readFileBytes("kernel_parameters_probe.txt");
    DeleteFileW(outputName);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Parameters, SplittingTableOnTheRealCommandLine) {
    for (const parametercases::Case& c : parametercases::cases()) {
        // Given an empty line, Wine hands the child its program's name;
        // the line of blanks only stands in for it.
        if (!*c.line) continue;
        DWORD exitCode = 99;
        std::string report = runProbe(parametercases::lineOf(c), &exitCode);
        EXPECT_EQ(report, parametercases::expectedReport(c)) << c.line;
        EXPECT_EQ(exitCode, 0u) << "endRuntime exits with 0: " << c.line;
    }
}

}  // namespace
