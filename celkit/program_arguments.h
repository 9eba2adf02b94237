// The program's arguments as UTF-8. On Windows they come from the wide
// command line, since the narrow one loses every character outside the code
// page, and wildcards in file operands are expanded there, since cmd.exe
// leaves them to the program.
#ifndef CELKIT_PROGRAM_ARGUMENTS_H
#define CELKIT_PROGRAM_ARGUMENTS_H

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace celkit {

// `app` tells which arguments are option values, left as given.
std::vector<std::string> programArguments(int argc, char** argv, const CLI::App& app);

}  // namespace celkit

#endif
