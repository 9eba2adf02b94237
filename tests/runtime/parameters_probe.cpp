// A console program that starts the runtime, writes what the parameters
// of its own command line are (see parameter_cases.h) to the file named by
// CELPACK_PROBE_OUTPUT, and ends through endRuntime.
#include <stdio.h>
#include <stdlib.h>

#include "parameter_cases.h"
#include "runtime/runtime.h"

int main() {
    startRuntime(nullptr);
    const char* path = getenv("CELPACK_PROBE_OUTPUT");
    FILE* out = path ? fopen(path, "wb") : nullptr;
    if (!out) return 3;
    std::string report = parametercases::report();
    fwrite(report.data(), 1, report.size(), out);
    fclose(out);
    endRuntime();
}
