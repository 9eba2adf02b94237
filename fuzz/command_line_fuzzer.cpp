// Any UTF-16 text as the process's command line. countParameters and
// parameterAt must agree with a plain model of the splitting rule: blanks
// (U+0020 only) separate, double quotes group and are removed, an unclosed
// quote runs to the end, the first token is the program's name.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/native_fakes.h"
#include "runtime/parameters.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

std::vector<std::u16string> modelTokens(const std::u16string& line) {
    std::vector<std::u16string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == u' ') i++;
        if (i == line.size()) break;
        size_t start, end;
        if (line[i] == u'"') {
            start = i + 1;
            end = line.find(u'"', start);
            if (end == std::u16string::npos) end = line.size();
            i = end < line.size() ? end + 1 : end;
        } else {
            start = i;
            end = line.find(u' ', start);
            if (end == std::u16string::npos) end = line.size();
            i = end < line.size() ? end + 1 : end;
        }
        tokens.push_back(line.substr(start, end - start));
    }
    return tokens;
}

[[noreturn]] void finding(const char* what, int32_t index) {
    fprintf(stderr, "command line: %s (parameter %d)\n", what, index);
    abort();
}

void expectParameter(int32_t index, const std::u16string& expected) {
    const WCHAR* got = parameterAt(index);
    if (got == nullptr) finding("parameterAt gave null", index);
    if (std::u16string(got) != expected) finding("parameter differs from the model", index);
}

std::u16string line;
long stringBlocks;
long runtimeBlocks;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const RuntimeLibraries none = {};
    startRuntime(&none);
    stringBlocks = nativeHeapBlockCount(stringHeap);
    runtimeBlocks = nativeHeapBlockCount(runtimeHeap);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text ends at its first NUL, as the platform's line does.
    line.assign(size / 2, u'\0');
    memcpy(&line[0], data, line.size() * 2);
    line.resize(std::char_traits<char16_t>::length(line.c_str()));
    nativeSetCommandLine(line.c_str());

    std::vector<std::u16string> tokens = modelTokens(line);
    int32_t parameters = int32_t(tokens.size()) - 1;
    if (countParameters() != parameters) finding("countParameters differs from the model", -1);

    auto token = [&](int32_t i) { return i + 1 < int32_t(tokens.size()) ? tokens[i + 1] : u""; };
    // By index, then stepping with -1 from the first, past the end twice.
    for (int32_t i = 0; i < parameters; i++) expectParameter(i, token(i));
    expectParameter(0, token(0));
    for (int32_t i = 1; i <= parameters + 1; i++) expectParameter(-1, token(i));
    expectParameter(-1, u"");
    if (countParameters() != parameters) finding("countParameters changed", -1);
    // Temporaries live in the one workspace: nothing may pile up.
    if (nativeHeapBlockCount(stringHeap) != stringBlocks ||
        nativeHeapBlockCount(runtimeHeap) != runtimeBlocks)
        finding("heap blocks left behind", -1);
    return 0;
}
