// celkit sheet: the 1-bit BMP sheet celpack turns back into the same font.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/picture/picture.h"
#include "celkit/program.h"

namespace celkit {
namespace {

struct SheetOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string map = "cp437";
};

void runSheet(const SheetOptions& options) {
    CodepointMap map = loadMap(options.map);
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, ".bmp");
    for (const fs::path& path : paths) {
        std::string extension = path.extension().u8string();
        if (extension != ".bmp" && extension != ".BMP")
            throw UsageError(displayName(path) + ": a sheet is a BMP picture; name it .bmp");
    }
    writeOutputs(makeAll(options.inputs, paths, [&](const std::string& input, const fs::path&) {
        return encodeSheet(loadFont(input, map));
    }));
}

}  // namespace

void addSheetCommand(CLI::App& app) {
    auto options = std::make_shared<SheetOptions>();
    CLI::App* sheet = app.add_subcommand("sheet", "the editable 256 x 256 sheet celpack reads");
    sheet->add_option("FONT", options->inputs, "font files (.fnt, PSF, BDF, PCF, .hex)")
        ->required();
    addDestinationOptions(*sheet, options->destination);
    sheet->add_option("--map", options->map, "code-point map for fonts of more than 256 glyphs")
        ->type_name("MAP")
        ->capture_default_str();
    sheet->callback([options] { runSheet(*options); });
}

}  // namespace celkit
