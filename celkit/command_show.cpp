// celkit show: a picture of the font (its chart, or text set in it), or one
// glyph as text in the terminal.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>

#include "celkit/picture/font_preview.h"
#include "celkit/program.h"

namespace celkit {
namespace {

struct ShowOptions {
    std::vector<std::string> inputs;
    Destination destination;
    std::string format = "png";
    int scale = 2;
    std::string ink = "000000", paper = "FFFFFF";
    std::optional<std::string> text;
    std::optional<std::string> glyph;
    std::string map = "cp437";
};

// Two characters per pixel, so the glyph keeps its shape in a terminal.
void printGlyph(const Font& font, int glyph) {
    for (int y = 0; y < glyphSide; ++y) {
        std::string line;
        for (int x = 0; x < glyphSide; ++x) line += font.pixel(glyph, x, y) ? "##" : "..";
        std::cout << line << '\n';
    }
}

std::string lowerExtension(const fs::path& path) {
    std::string extension = path.extension().u8string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

void runShow(const ShowOptions& options) {
    CodepointMap map = loadMap(options.map);
    if (options.glyph) {
        if (!options.destination.output.empty() || !options.destination.directory.empty() ||
            options.text)
            throw UsageError("--glyph prints to the terminal; it takes no -o, -d or --text");
        int glyph = parseGlyphNumber(*options.glyph);
        for (const std::string& input : options.inputs) {
            Font font = loadFont(input, map);
            if (options.inputs.size() > 1) std::cout << input << ":\n";
            printGlyph(font, glyph);
        }
        std::cout.flush();
        return;
    }
    PreviewStyle style;
    style.scale = options.scale;
    style.ink = parseColour("--ink", options.ink);
    style.paper = parseColour("--paper", options.paper);
    if (options.text && options.text->empty()) throw UsageError("--text: nothing to show");
    std::string tooBig;
    if (options.text && !textFits(*options.text, style, tooBig)) throw UsageError(tooBig);
    std::vector<fs::path> paths =
        outputPaths(options.inputs, options.destination, "." + options.format);
    for (const fs::path& path : paths) {
        std::string extension = lowerExtension(path);
        if (extension != ".png" && extension != ".bmp")
            throw UsageError(displayName(path) + ": a preview is a .png or .bmp picture");
    }
    std::vector<Output> outputs =
        makeAll(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
            Font font = loadFont(input, map);
            Picture picture;
            if (options.text) {
                int missing = 0;
                picture = renderText(font, map, *options.text, style, missing);
                const int fallback = fallbackGlyph(map);
                char shownAs[32] = "blank (the map has no '?')";
                if (fallback >= 0)
                    std::snprintf(shownAs, sizeof shownAs, "as glyph 0x%02X", fallback);
                if (missing > 0)
                    reportError("warning: " + std::to_string(missing) +
                                " character(s) of --text have no glyph in map " + options.map +
                                "; shown " + shownAs);
            } else {
                picture = renderChart(font, style);
            }
            std::vector<std::uint8_t> bytes =
                lowerExtension(path) == ".bmp" ? encodeBmp(picture) : encodePng(picture);
            if (bytes.empty()) throw Failure(input + ": the preview could not be encoded");
            return bytes;
        });
    writeOutputs(outputs);
}

}  // namespace

void addShowCommand(CLI::App& app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* show =
        app.add_subcommand("show", "a picture of the font, or one glyph in the terminal");
    show->add_option("FONT", options->inputs, "font files (.fnt, PSF, BDF, PCF, .hex)")->required();
    addDestinationOptions(*show, options->destination);
    show->add_option("-f,--format", options->format, "picture format with -d")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"png", "bmp"}))
        ->capture_default_str();
    show->add_option("--scale", options->scale, "pixels per font pixel")
        ->type_name("N")
        ->check(CLI::Range(1, 16))
        ->capture_default_str();
    show->add_option("--ink", options->ink, "ink colour RRGGBB")
        ->type_name("COLOUR")
        ->capture_default_str();
    show->add_option("--paper", options->paper, "paper colour RRGGBB")
        ->type_name("COLOUR")
        ->capture_default_str();
    show->add_option("--text", options->text, "set these words in the font instead of the chart")
        ->type_name("WORDS");
    show->add_option("--glyph", options->glyph, "print glyph N (decimal or 0x hex) as text")
        ->type_name("N");
    show->add_option("--map", options->map,
                     "code-point map: cp437, latin1, a code page (cp850, cp866, koi8-r, iso8859-N, "
                     "windows-125N ...), a map file or a font with a Unicode table")
        ->type_name("MAP")
        ->capture_default_str();
    show->callback([options] { runShow(*options); });
}

}  // namespace celkit
