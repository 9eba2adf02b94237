// Program parameters from the platform's command line.
#include "runtime/parameters.h"

#include "runtime/heaps.h"
#include "runtime/strings.h"

namespace {

const WCHAR blank = 0x20;
const WCHAR doubleQuote = 0x22;
const WCHAR emptyString[1] = {0};

int32_t* cursorBlock;

struct Token {
    const WCHAR* start;
    size_t length;
};

// Cuts the command line into tokens numbered from -1 (the program's name).
// With `wanted` set, stops at token number *wanted and stores it in *found,
// returning 1; when only blanks were left at that number, or the line ends
// first, *found stays empty and the result is 0. Without it, returns the
// number of the token after the last, that is the number of parameters.
int32_t scanCommandLine(const int32_t* wanted, Token* found) {
    const WCHAR* place = GetCommandLineW();
    int32_t number = -1;
    if (!place) return wanted ? 0 : number;
    while (*place) {
        while (*place == blank) ++place;
        Token token = {place, 0};
        bool cut = true;
        if (*place == doubleQuote) {
            token.start = ++place;
            while (*place && *place != doubleQuote) ++place;
            token.length = static_cast<size_t>(place - token.start);
            if (*place) ++place;
        } else if (*place) {
            while (*place && *place != blank) ++place;
            token.length = static_cast<size_t>(place - token.start);
            if (*place) ++place;
        } else {
            cut = false;
            token.length = 0;
        }
        if (wanted && number == *wanted) {
            if (cut) *found = token;
            return cut ? 1 : 0;
        }
        if (cut) ++number;
    }
    return wanted ? 0 : number;
}

}  // namespace

void initParameters() {
    cursorBlock = static_cast<int32_t*>(takeRecord(sizeof(int32_t)));
    if (!cursorBlock) abandonStartup("the parameter cursor");
}

void forgetParameters() { cursorBlock = nullptr; }

int32_t countParameters() { return scanCommandLine(nullptr, nullptr); }

int32_t parameterCursor() { return cursorBlock ? *cursorBlock : 0; }

const WCHAR* parameterAt(int32_t index) {
    if (!cursorBlock) return emptyString;
    if (index >= 0) *cursorBlock = index;
    Token token = {nullptr, 0};
    if (!scanCommandLine(cursorBlock, &token)) return emptyString;
    ++*cursorBlock;
    WCHAR* result = temporaryRoom(token.length + 1);
    if (!result) return emptyString;
    if (token.length) memcpy(result, token.start, token.length * sizeof(WCHAR));
    result[token.length] = 0;
    return result;
}
