// What the subcommands share: the two kinds of failure (bad input exits 1,
// a bad command line exits 2), reading inputs, option values, and the
// output rule: every output of a run is made in memory first, then written
// under a temporary name in its directory and renamed into place, so a
// failed run leaves nothing behind.
#ifndef CELKIT_PROGRAM_H
#define CELKIT_PROGRAM_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"

namespace CLI {
class App;
}

namespace celkit {

namespace fs = std::filesystem;

inline constexpr int exitOk = 0, exitFailure = 1, exitUsage = 2;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The subcommands, each in its own file.
void addShowCommand(CLI::App& app);
void addSheetCommand(CLI::App& app);
void addExportCommand(CLI::App& app);
void addImportCommand(CLI::App& app);
void addInfoCommand(CLI::App& app);

// Command-line text is UTF-8 on both builds.
fs::path pathOf(const std::string& utf8);
std::string displayName(const fs::path& path);

// The whole file; Failure naming it when it cannot be read.
std::vector<std::uint8_t> readInput(const std::string& name);

// The 256 glyphs of a font file of any format celkit reads (a picture is
// refused: import reads those); `map` picks them from a larger font.
Font loadFont(const std::string& name, const CodepointMap& map);

// Option values; UsageError with the option's name when malformed.
std::uint32_t parseColour(const std::string& option, const std::string& text);
int parseGlyphNumber(const std::string& text);
char32_t parseCodepoint(const std::string& option, const std::string& text);
CodepointMap loadMap(const std::string& mapName);  // built-in name or a file

// -o FILE for one input, -d DIR for any number.
struct Destination {
    std::string output;
    std::string directory;
};
void addDestinationOptions(CLI::App& command, Destination& destination);
// One output path per input: -o as given, or in -d's directory the input's
// stem with `extension`. UsageError when neither or both are given, when -o
// meets several inputs, or when two inputs would share an output.
std::vector<fs::path> outputPaths(const std::vector<std::string>& inputs,
                                  const Destination& destination, const std::string& extension);

struct Output {
    fs::path path;
    std::vector<std::uint8_t> bytes;
};
// Writes every output or none: temporary files first (removed again if any
// fails), then the renames. -d's directory is made when missing.
void writeOutputs(const std::vector<Output>& outputs);

// Runs `make` on each input and collects the outputs; every failing input is
// reported on standard error and then, if any failed, Failure is thrown
// before anything is written.
template <typename Make>
std::vector<Output> makeAll(const std::vector<std::string>& inputs,
                            const std::vector<fs::path>& paths, Make make);

void reportError(const std::string& message);  // "celkit: message" on standard error

}  // namespace celkit

template <typename Make>
std::vector<celkit::Output> celkit::makeAll(const std::vector<std::string>& inputs,
                                            const std::vector<fs::path>& paths, Make make) {
    std::vector<Output> outputs;
    bool failed = false;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        try {
            outputs.push_back({paths[i], make(inputs[i], paths[i])});
        } catch (const Failure& failure) {
            reportError(failure.what());
            failed = true;
        }
    }
    if (failed) throw Failure("");  // already reported
    return outputs;
}

#endif
