// The process's command line. The platform hands a program one UTF-16 line;
// here it is rebuilt from argv: the program's name, then every argument,
// quoted when it holds a blank or is empty, so that splitting the line at
// blanks and quotes gives every argument back. An argument with both a
// blank and a double quote cannot be carried by those rules; it is quoted
// all the same, so its token ends at its first inner quote, just as the
// same text typed on the platform's own console would split.
#include <stdio.h>

#include <mutex>
#include <string>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/kernel/kernel_hooks.h"

namespace {

struct CommandLine {
    std::mutex lock;
    bool set = false;
    std::u16string line;
};

CommandLine& commandLine() {
    static CommandLine* state = new CommandLine;
    return *state;
}

void appendArgument(std::u16string& line, const char* argument) {
    std::u16string text = native::utf16FromBytes(argument, strlen(argument));
    bool quoted = text.empty() || text.find(u' ') != std::u16string::npos;
    if (quoted) line += u'"';
    line += text;
    if (quoted) line += u'"';
}

std::u16string lineFromArguments(int count, char** arguments) {
    std::u16string line;
    for (int i = 0; i < count && arguments[i]; ++i) {
        if (i) line += u' ';
        appendArgument(line, arguments[i]);
    }
    return line;
}

// A process whose main never handed over argv (a test program) still has
// the arguments it was started with.
std::u16string lineOfThisProcess() {
    FILE* file = fopen("/proc/self/cmdline", "rb");
    if (!file) return std::u16string();
    std::string all;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) all.append(chunk, got);
    fclose(file);
    std::string argument;
    std::u16string line;
    bool first = true;
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        argument.assign(all, start, end - start);
        if (!first) line += u' ';
        appendArgument(line, argument.c_str());
        first = false;
        start = end + 1;
    }
    return line;
}

LPWSTR processLine(void) {
    CommandLine& state = commandLine();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.set) {
        state.line = lineOfThisProcess();
        state.set = true;
    }
    return &state.line[0];
}

}  // namespace

native::CommandLineHooks native::commandLineHooks = {processLine};

void native::setArguments(int count, char** arguments) {
    CommandLine& state = commandLine();
    std::lock_guard<std::mutex> guard(state.lock);
    state.line = lineFromArguments(count, arguments);
    state.set = true;
}

LPWSTR GetCommandLineW(void) { return native::commandLineHooks.line(); }
