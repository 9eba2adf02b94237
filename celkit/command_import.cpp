// celkit import: a .fnt from another font format, or from a picture celpack
// cannot take as it is (any paper colour, transparency, grey artwork,
// smaller cells, a Unifont chart).
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/input_kind.h"
#include "celkit/picture/glyph_grid.h"
#include "celkit/program.h"
#include "celkit/transform_options.h"

namespace celkit {
namespace {

struct ImportCommandOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string map = "cp437";
    std::optional<std::string> first;
    std::string paper = "auto";
    std::optional<std::string> cell;
    std::string layout = "grid";
    std::optional<int> size, baseline;
    int index = 0;
    std::string hinting = "full";
    std::optional<int> threshold;  // percent
    TransformOptions transform;
};

}  // namespace

void parseCell(const std::string& text, int& width, int& height) {
    std::size_t x = text.find_first_of("xX");
    auto number = [&](const std::string& part) {
        if (part.empty() || part.size() > 4 ||
            part.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        return std::stoi(part);
    };
    if (x != std::string::npos) {
        width = number(text.substr(0, x));
        height = number(text.substr(x + 1));
    }
    if (x == std::string::npos || width <= 0 || height <= 0)
        throw UsageError("--cell: '" + text + "' is no cell size; give WxH, e.g. 8x16");
    if (width > glyphSide || height > glyphSide)
        throw UsageError("--cell: cells of at most 16x16 hold a glyph; '" + text + "' is larger");
}

namespace {

// `warnings` gets what the picture's reading found worth a word.
Font importInput(const Input& input, const ImportOptions& fontOptions,
                 const GridOptions& gridOptions, std::vector<std::string>* warnings = nullptr) {
    const std::string& name = input.name;
    if (input.font != nullptr) return fontOf(input, fontOptions);
    Picture picture;
    std::string error;
    Font font;
    // A BMP or ICO on black paper is read at any size, as celpack reads it.
    bool anySize = input.picture != PictureKind::Png && celpacksGrid(gridOptions);
    SizeCheck fits = [&](int width, int height, std::string& why) {
        return anySize || gridFitsPicture(width, height, gridOptions, why);
    };
    PictureReading reading;
    if (!readPicture(input.bytes, picture, error, fits) ||
        !glyphsFromPicture(picture, gridOptions, font, error, &reading))
        throw Failure(name + ": " + error);
    if (warnings != nullptr) *warnings = readingWarnings(reading, gridOptions);
    return font;
}

Font importOne(const std::string& name, const ImportOptions& fontOptions,
               const GridOptions& gridOptions) {
    std::vector<std::string> warnings;
    Font font = importInput(readAndIdentify(name), fontOptions, gridOptions, &warnings);
    for (const std::string& warning : warnings) reportError(name + ": warning: " + warning);
    return font;
}

void runImport(const ImportCommandOptions& options) {
    ImportOptions fontOptions{loadMap(options.map), std::nullopt};
    if (options.first) fontOptions.first = parseCodepoint("--first", *options.first);
    fontOptions.size = options.size;
    fontOptions.baseline = options.baseline;
    fontOptions.index = options.index;
    fontOptions.hinting = options.hinting == "none"    ? Hinting::None
                          : options.hinting == "light" ? Hinting::Light
                                                       : Hinting::Full;
    if (options.threshold) fontOptions.threshold = (*options.threshold * 255 + 50) / 100;
    GridOptions gridOptions;
    gridOptions.map = fontOptions.map;
    gridOptions.first = fontOptions.first;
    gridOptions.threshold = options.threshold;
    if (options.paper != "auto") gridOptions.paper = parseColour("--paper", options.paper);
    if (options.cell) parseCell(*options.cell, gridOptions.cellWidth, gridOptions.cellHeight);
    gridOptions.layout = options.layout == "unifont" ? GridLayout::Unifont : GridLayout::Grid;
    if (gridOptions.layout == GridLayout::Unifont && options.cell)
        throw UsageError("--cell: a Unifont chart has 16 x 16 cells");
    const GlyphTransform transform = glyphTransform(options.transform);
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, ".fnt");
    // A raw font under another format's name would pass for that format:
    // one export writes, or one celkit reads but does not write.
    for (const fs::path& path : paths) {
        const std::string name = displayName(path), extension = lowerExtension(path);
        const FontFormat* named = formatForOutput(name);
        if ((named != nullptr && named != &rawFontFormat()) || compressedOutput(name) ||
            extension == ".otf" || extension == ".png" || extension == ".bmp" ||
            extension == ".ico")
            throw UsageError(name + ": import writes a raw .fnt font; name it .fnt, or " +
                             (extension == ".png" || extension == ".bmp" || extension == ".ico"
                                  ? "make a picture with celkit sheet or celkit show"
                                  : "write " + extension + " with celkit export"));
    }
    makeAndWrite(options.inputs, paths, [&](const std::string& input, const fs::path&) {
        Font font = transformed(input, importOne(input, fontOptions, gridOptions), transform);
        return std::vector<std::uint8_t>(font.bytes.begin(), font.bytes.end());
    });
}

}  // namespace

Font importWithDefaults(const Input& input, const CodepointMap& map, int index) {
    ImportOptions fontOptions{map, std::nullopt};
    fontOptions.index = index;
    GridOptions gridOptions;
    gridOptions.map = map;
    return importInput(input, fontOptions, gridOptions);
}

void addImportCommand(CLI::App& app) {
    auto options = std::make_shared<ImportCommandOptions>();
    CLI::App* command =
        app.add_subcommand("import", "make a .fnt from another font format or a picture of glyphs");
    command->add_option("INPUT", options->inputs, "fonts or pictures (BMP, ICO, PNG)")->required();
    addDestinationOptions(*command, options->destination);
    CLI::Option* map =
        command
            ->add_option(
                "--map", options->map,
                "code-point map picking the 256 glyphs: cp437, latin1, a code page (cp850, "
                "cp866, koi8-r, iso8859-N, windows-125N ...), a map file or a font with a Unicode "
                "table")
            ->type_name("MAP")
            ->capture_default_str();
    command
        ->add_option("--first", options->first,
                     "take the 256 code points from U+XXXX instead of the map")
        ->type_name("U+XXXX")
        ->excludes(map);
    command
        ->add_option("--paper", options->paper,
                     "paper colour of a picture: auto (the most common), RRGGBB or a CSS colour "
                     "name")
        ->type_name("COLOUR")
        ->capture_default_str();
    command
        ->add_option("--cell", options->cell,
                     "cell size WxH of a picture's 16 x 16 grid, at most 16x16")
        ->type_name("WxH");
    command
        ->add_option("--layout", options->layout,
                     "grid (16 x 16 cells) or unifont (a Unifont chart)")
        ->type_name("LAYOUT")
        ->check(CLI::IsMember({"grid", "unifont"}))
        ->capture_default_str();
    command
        ->add_option("--size", options->size,
                     "pixels per em of an outline font (.ttf, .otf); default: the largest whose "
                     "ascent and descent fit the cell")
        ->check(CLI::Range(1, 256));
    command
        ->add_option("--baseline", options->baseline,
                     "row of an outline font's baseline; default: where its descenders fit")
        ->check(CLI::Range(0, 16));
    command
        ->add_option("--hinting", options->hinting,
                     "none, light or full: how an outline is fitted to the pixels")
        ->type_name("MODE")
        ->check(CLI::IsMember({"none", "light", "full"}))
        ->capture_default_str();
    addIndexOption(*command, options->index);
    command
        ->add_option("--threshold", options->threshold,
                     "percent that makes a pixel ink: an outline's coverage, drawn in grey "
                     "(default: drawn in one bit); a picture's lightness away from the paper's "
                     "(default: any colour but the paper's)")
        ->type_name("N")
        ->check(CLI::Range(1, 100));
    addTransformOptions(*command, options->transform);
    command->callback([options] { runImport(*options); });
}

}  // namespace celkit
