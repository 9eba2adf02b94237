// celkit sheet: the font as a picture to edit. By default the 1-bit BMP
// sheet celpack turns back into the same font; otherwise in the layout the
// user's tools want (cell size, colours, PNG, a Unifont chart), the one
// celkit import reads back.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/picture/glyph_sheet.h"
#include "celkit/program.h"

namespace celkit {
namespace {

struct SheetOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string map = "cp437";
    int index = 0;
    std::optional<std::string> cell, ink, paper;
    std::string layout = "grid";
};

std::string glyphList(const std::vector<int>& glyphs) {
    std::string text;
    for (std::size_t i = 0; i < glyphs.size() && i < 8; ++i)
        text += (i == 0 ? "" : " ") + glyphNumber(glyphs[i]);
    return text + (glyphs.size() > 8 ? " ..." : "");
}

std::vector<std::uint8_t> makeSheet(const std::string& input, const fs::path& path,
                                    const CodepointMap& map, int index, const SheetLayout& layout,
                                    bool celpacksSheet) {
    Font font = loadFont(input, map, index);
    bool png = lowerExtension(path) == ".png";
    if (celpacksSheet && !png) return encodeSheet(font);
    Picture picture;
    std::vector<int> clipped;
    std::string error;
    if (!drawSheet(font, layout, picture, clipped, error)) throw Failure(input + ": " + error);
    if (!clipped.empty())
        reportError(input + ": warning: ink outside the " + std::to_string(layout.cellWidth) +
                    " x " + std::to_string(layout.cellHeight) + " cells left out of " +
                    std::to_string(clipped.size()) + " glyph" + (clipped.size() == 1 ? "" : "s") +
                    ": " + glyphList(clipped));
    std::vector<std::uint8_t> bytes = png ? encodePng(picture) : encodeTwoColourBmp(picture);
    if (bytes.empty()) throw Failure(input + ": the sheet is too large to encode");
    return bytes;
}

void runSheet(const SheetOptions& options) {
    CodepointMap map = loadMap(options.map);
    SheetLayout layout;
    if (options.cell) parseCell(*options.cell, layout.cellWidth, layout.cellHeight);
    if (options.ink) layout.ink = parseColour("--ink", *options.ink);
    if (options.paper) layout.paper = parseColour("--paper", *options.paper);
    layout.layout = options.layout == "unifont" ? GridLayout::Unifont : GridLayout::Grid;
    if (layout.layout == GridLayout::Unifont && options.cell)
        throw UsageError("--cell: a Unifont chart has 16 x 16 cells");
    layout.map = map;
    bool celpacksSheet =
        !options.cell && !options.ink && !options.paper && layout.layout == GridLayout::Grid;
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, ".bmp");
    for (const fs::path& path : paths) {
        std::string extension = lowerExtension(path);
        if (extension != ".bmp" && extension != ".png" && path.u8string() != standardStream)
            throw UsageError(displayName(path) +
                             ": a sheet is a BMP or PNG picture; name it .bmp or .png");
    }
    makeAndWrite(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
        return makeSheet(input, path, map, options.index, layout, celpacksSheet);
    });
}

}  // namespace

void addSheetCommand(CLI::App& app) {
    auto options = std::make_shared<SheetOptions>();
    CLI::App* sheet = app.add_subcommand(
        "sheet", "the editable sheet: celpack's 256 x 256 BMP, or in the layout of your tools");
    sheet->add_option("FONT", options->inputs, "font files (.fnt, PSF, BDF, PCF, .hex)")
        ->required();
    addDestinationOptions(*sheet, options->destination);
    sheet->add_option("--map", options->map, "code-point map for fonts of more than 256 glyphs")
        ->type_name("MAP")
        ->capture_default_str();
    addIndexOption(*sheet, options->index);
    sheet
        ->add_option("--cell", options->cell,
                     "cell size WxH, glyphs at each cell's top left (default 16x16)")
        ->type_name("WxH");
    sheet
        ->add_option("--ink", options->ink,
                     "ink colour: RRGGBB or a CSS colour name (default FFFFFF)")
        ->type_name("COLOUR");
    sheet
        ->add_option("--paper", options->paper,
                     "paper colour: RRGGBB or a CSS colour name (default 000000)")
        ->type_name("COLOUR");
    sheet
        ->add_option("--layout", options->layout,
                     "grid (16 x 16 cells) or unifont (a Unifont chart, glyphs at their code "
                     "points)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"grid", "unifont"}))
        ->capture_default_str();
    sheet->callback([options] { runSheet(*options); });
}

}  // namespace celkit
