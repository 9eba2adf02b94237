// What the subcommands share: the two kinds of failure (bad input exits 1,
// a bad command line exits 2), reading inputs, option values, and the
// output rule: every output of a run is made in memory first, then written
// under a temporary name in its directory and renamed into place, so a
// failed run leaves nothing behind. Messages are one line on standard error.
#ifndef CELKIT_PROGRAM_H
#define CELKIT_PROGRAM_H

#include <cstdint>
#include <filesystem>
#include <functional>
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
void addWatchCommand(CLI::App& app);
void addEditCommand(CLI::App& app);

// Command-line text is UTF-8 on both builds.
fs::path pathOf(const std::string& utf8);
std::string displayName(const fs::path& path);
// ".png" for "Chart.PNG": how an output's name says its kind.
std::string lowerExtension(const fs::path& path);

// "-" as an input or an output: standard input or standard output.
inline constexpr const char* standardStream = "-";

// The most celkit reads of one input: the largest picture it takes, a
// 40-Mpixel BMP of 32-bit pixels, is 160 MB; a device or a stream that
// never ends is stopped here.
inline constexpr std::uint64_t inputLimit = std::uint64_t(256) << 20;

// The whole file, or standard input for "-"; Failure naming it when it
// cannot be read, is no regular file (a device, a pipe, a directory) or
// holds more than inputLimit bytes.
std::vector<std::uint8_t> readInput(const std::string& name);
// The input read in this run that is the same file, or null.
struct FileStatus;
const std::string* inputAt(const FileStatus& file);

// The 256 glyphs of a font file of any format celkit reads (a picture is
// refused: import reads those); `map` picks them from a larger font.
Font loadFont(const std::string& name, const CodepointMap& map, int index = 0);
// The font of an input as import makes it with its default options: a
// font's glyphs, or a picture's on its most common colour.
struct Input;
Font importWithDefaults(const Input& input, const CodepointMap& map, int index = 0);

// Option values; UsageError with the option's name when malformed.
std::uint32_t parseColour(const std::string& option, const std::string& text);
// --glyph's list: parts split by commas, each one item or a range FIRST-LAST.
// An item is a glyph number (decimal digits, a single one too, or 0x hex) or a
// character or U+XXXX code point, which `map` (named `mapName`) turns into
// its glyph; both ends of a range are the same kind. A range of code points
// gives the glyphs of those the map has. A list of more than maxListedGlyphs
// glyphs is refused: what it draws grows with the list, not the font.
inline constexpr std::size_t maxListedGlyphs = 4096;
std::vector<int> parseGlyphList(const std::string& text, const CodepointMap& map,
                                const std::string& mapName);
char32_t parseCodepoint(const std::string& option, const std::string& text);
// A built-in name or a file; `psfVersion`, when given, gets the version of a
// PSF whose table is the map (else 0).
CodepointMap loadMap(const std::string& mapName, int* psfVersion = nullptr);
CodepointMap blockMap(char32_t first);                             // glyph g stands for first + g
void parseCell(const std::string& text, int& width, int& height);  // --cell WxH

// -o FILE for one input, -d DIR for any number.
struct Destination {
    std::string output;
    std::string directory;
};
void addDestinationOptions(CLI::App& command, Destination& destination);
// --index N: which font of a file holding several.
void addIndexOption(CLI::App& command, int& index);
// One output path per input: -o as given ("-" for standard output), or in
// -d's directory the input's stem with `extension`. UsageError when neither
// or both are given, when -o meets several inputs, or when two inputs would
// share an output (names that differ only in case do on Windows).
std::vector<fs::path> outputPaths(const std::vector<std::string>& inputs,
                                  const Destination& destination, const std::string& extension);

struct Output {
    fs::path path;
    std::vector<std::uint8_t> bytes;
};
// Writes every output or none. A regular file (one a link leads to, too) or
// a new name gets a temporary file beside it, renamed over it once all were
// written; the old file's mode is kept, a read-only one or an input is
// refused. A device, a pipe or "-" is written straight through. Only -d's
// directory is made when missing. A failure names what is left.
void writeOutputs(const std::vector<Output>& outputs);

// As writeOutputs, each output made by `make` (nullopt for an input that
// failed, already reported) and put in its temporary file before the next is
// made: one output's bytes held at a time, but those of devices and pipes,
// which are written last. Nothing is written when any input failed.
using MakeOutput = std::function<std::optional<std::vector<std::uint8_t>>(std::size_t)>;
void writeEachMade(const std::vector<fs::path>& paths, const MakeOutput& make);

// Runs `make` on each input and writes the outputs; every failing input is
// reported on standard error and then, if any failed, Failure is thrown
// with nothing written.
template <typename Make>
void makeAndWrite(const std::vector<std::string>& inputs, const std::vector<fs::path>& paths,
                  Make make);

// "celkit: message" as one line on standard error; shown() escapes its
// control characters and bytes that are no UTF-8 as \xNN.
std::string shown(const std::string& text);
void reportError(const std::string& message);
// The local time as 12:03:44, for status lines.
std::string clockNow();

}  // namespace celkit

template <typename Make>
void celkit::makeAndWrite(const std::vector<std::string>& inputs,
                          const std::vector<fs::path>& paths, Make make) {
    writeEachMade(paths, [&](std::size_t i) -> std::optional<std::vector<std::uint8_t>> {
        try {
            return make(inputs[i], paths[i]);
        } catch (const Failure& failure) {
            reportError(failure.what());
            return std::nullopt;
        }
    });
}

#endif
