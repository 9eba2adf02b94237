// celkit export: the font in the formats it is used in (console PSF, BDF,
// PCF, Windows .fon, OpenType bitmap, Unifont .hex, a C header), written by
// the font format library.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/font/font_formats.h"
#include "celkit/font/gzip.h"
#include "celkit/program.h"

namespace celkit {
namespace {

std::vector<std::string> writableFormatNames() {
    std::vector<std::string> names;
    for (const FontFormat& format : fontFormats())
        if (format.write != nullptr) names.push_back(format.name);
    return names;
}

struct ExportCommandOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string format;
    std::string map = "cp437";
    std::string name;
    std::optional<std::string> first;
    std::optional<int> baseline;
};

// The format of each output: -f, or the output's extension; an extension
// of another format than -f's is refused rather than written under a
// misleading name.
std::vector<const FontFormat*> outputFormats(const std::vector<fs::path>& paths,
                                             const std::string& formatName) {
    const FontFormat* asked = formatName.empty() ? nullptr : formatNamed(formatName);
    std::vector<const FontFormat*> formats;
    for (const fs::path& path : paths) {
        const FontFormat* named = formatForOutput(displayName(path));
        if (asked != nullptr && named != nullptr && named != asked)
            throw UsageError(displayName(path) + ": the name says " + named->name +
                             " but -f says " + asked->name);
        const FontFormat* format = asked != nullptr ? asked : named;
        if (format == nullptr || format->write == nullptr)
            throw UsageError(displayName(path) + ": name the output for its format (" +
                             formatNames(true) + ") or give -f");
        formats.push_back(format);
    }
    return formats;
}

void runExport(const ExportCommandOptions& options) {
    CodepointMap map =
        options.first ? blockMap(parseCodepoint("--first", *options.first)) : loadMap(options.map);
    if (!options.destination.directory.empty() && options.format.empty())
        throw UsageError("with -d, say which format: -f " + formatNames(true));
    const FontFormat* asked = formatNamed(options.format);
    std::string extension = asked != nullptr ? asked->extensions.front() : "";
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, extension);
    std::vector<const FontFormat*> formats = outputFormats(paths, options.format);
    std::size_t next = 0;
    writeOutputs(
        makeAll(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
            std::size_t index = next++;
            Font font = loadFont(input, map);
            const bool compressed = compressedOutput(displayName(path));
            const fs::path named = compressed ? path.stem() : path;
            ExportOptions exportOptions{
                map, options.name.empty() ? named.stem().u8string() : options.name};
            exportOptions.baseline = options.baseline;
            Bytes bytes = exportFont(font, *formats[index], exportOptions);
            return compressed ? gzipped(bytes) : bytes;
        }));
}

}  // namespace

void addExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportCommandOptions>();
    CLI::App* command =
        app.add_subcommand("export", "write the font in another format: " + formatNames(true));
    command->add_option("FONT", options->inputs, "font files")->required();
    addDestinationOptions(*command, options->destination);
    command
        ->add_option("-f,--format", options->format, "output format (default: from -o's extension)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember(writableFormatNames()));
    CLI::Option* map =
        command
            ->add_option(
                "--map", options->map,
                "code-point map: cp437, latin1, a code page (cp850, cp866, koi8-r, iso8859-N, "
                "windows-125N ...), a map file or a font with a Unicode table")
            ->type_name("MAP")
            ->capture_default_str();
    command
        ->add_option("--first", options->first,
                     "glyph g stands for the code point U+XXXX + g instead of the map's")
        ->type_name("U+XXXX")
        ->excludes(map);
    command
        ->add_option(
            "--name", options->name,
            "C array name / BDF, PCF and OTB family / .fon face (default: the output's name)")
        ->type_name("NAME");
    command
        ->add_option("--baseline", options->baseline,
                     "rows above the baseline, 0-16, for BDF, PCF, .fon, .otb and .ttf (default: "
                     "under the capitals' bottom row)")
        ->type_name("N")
        ->check(CLI::Range(0, glyphSide));
    command->callback([options] { runExport(*options); });
}

}  // namespace celkit
