// celkit export: the font in the formats it is used in (console PSF, BDF,
// Unifont .hex, a C header), written by the font format library.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/font/font_formats.h"
#include "celkit/program.h"

namespace celkit {
namespace {

struct ExportCommandOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string format;
    std::string map = "cp437";
    std::string name;
};

void runExport(const ExportCommandOptions& options) {
    CodepointMap map = loadMap(options.map);
    if (!options.destination.directory.empty() && options.format.empty())
        throw UsageError("with -d, say which format: -f psf, bdf, hex, h or fnt");
    std::string extension = "." + options.format;
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, extension);
    std::vector<FontFormat> formats;
    for (const fs::path& path : paths) {
        std::optional<FontFormat> format = formatForOutput(displayName(path));
        if (!options.format.empty()) format = formatForOutput("x" + extension);
        if (!format)
            throw UsageError(displayName(path) +
                             ": name the output .psf, .bdf, .hex, .h or .fnt, or give -f");
        formats.push_back(*format);
    }
    std::size_t next = 0;
    writeOutputs(
        makeAll(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
            std::size_t index = next++;
            Font font = loadFont(input, map);
            ExportOptions exportOptions{
                map, options.name.empty() ? path.stem().u8string() : options.name};
            return exportFont(font, formats[index], exportOptions);
        }));
}

}  // namespace

void addExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportCommandOptions>();
    CLI::App* command =
        app.add_subcommand("export", "write the font as PSF2, BDF, Unifont .hex or a C header");
    command->add_option("FONT", options->inputs, "font files")->required();
    addDestinationOptions(*command, options->destination);
    command
        ->add_option("-f,--format", options->format, "output format (default: from -o's extension)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"psf", "bdf", "hex", "h", "fnt"}));
    command->add_option("--map", options->map, "code-point map: cp437, latin1 or a map file")
        ->type_name("MAP")
        ->capture_default_str();
    command
        ->add_option("--name", options->name,
                     "C array name / BDF family (default: the output's name)")
        ->type_name("NAME");
    command->callback([options] { runExport(*options); });
}

}  // namespace celkit
