// celkit show: a font or a picture of glyphs drawn in the terminal (its
// chart, text set in it, or chosen glyphs), or a picture of it to keep.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/input_kind.h"
#include "celkit/picture/font_preview.h"
#include "celkit/program.h"
#include "celkit/terminal_drawing.h"

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
    std::string labels = "numbers";
    std::string map = "cp437";
    int index = 0;
};

void warnMissing(const std::string& input, int missing, const CodepointMap& map,
                 const std::string& mapName) {
    if (missing == 0) return;
    const int fallback = fallbackGlyph(map);
    const std::string shownAs =
        fallback >= 0 ? "as glyph " + glyphNumber(fallback) : "blank (the map has no '?')";
    reportError(input + ": warning: " + std::to_string(missing) +
                " character(s) of --text have no glyph in map " + mapName + "; shown " + shownAs);
}

// Pixels past which show --text says the size of what it writes.
constexpr std::size_t largeTextPicture = static_cast<std::size_t>(16) << 20;

// A BMP or ICO sheet shows the font celpack would make of it; any other
// input what import makes of it.
Font fontToShow(const std::string& name, const CodepointMap& map, int index) {
    Input input = readAndIdentify(name);
    if (input.picture != PictureKind::Bmp && input.picture != PictureKind::Ico)
        return importWithDefaults(input, map, index);
    Picture picture;
    std::string error;
    if (!readPicture(input.bytes, picture, error)) throw Failure(name + ": " + error);
    return fontAsCelpackReads(picture);
}

// The text at scale 1, drawn in blocks without the picture's margin, its
// lines broken to fit the terminal.
std::string textInBlocks(const Font& font, const CodepointMap& map, const std::string& text,
                         int& missing) {
    PreviewStyle style;
    style.scale = 1;
    style.ink = 0xFFFFFF;
    style.paper = 0x000000;
    Picture picture =
        renderText(font, map, wrapText(text, terminalColumns / font.inkWidth()), style, missing);
    std::string out;
    for (const std::string& line :
         blockLines(picture.width - 2, picture.height - 2,
                    [&](int x, int y) { return picture.at(x + 1, y + 1) == style.ink; }))
        out += line + '\n';
    return out;
}

void showInTerminal(const ShowOptions& options, const CodepointMap& map) {
    std::vector<int> glyphs;
    if (options.glyph) {
        glyphs = parseGlyphList(*options.glyph, map, options.map);
    } else {
        for (int g = 0; g < glyphCount; ++g) glyphs.push_back(g);
    }
    auto label = [&](int glyph) {
        if (options.labels == "numbers") return chartLabel(static_cast<char32_t>(glyph));
        const auto& codepoints = map.codepoints[static_cast<std::size_t>(glyph)];
        return codepoints.empty() ? std::string() : chartLabel(codepoints[0]);
    };
    bool failed = false;
    for (const std::string& input : options.inputs) {
        Font font;
        try {
            font = fontToShow(input, map, options.index);
        } catch (const Failure& failure) {
            reportError(failure.what());
            failed = true;
            continue;
        }
        std::string out = options.inputs.size() > 1 ? input + ":\n" : std::string();
        int missing = 0;
        if (options.text)
            out += textInBlocks(font, map, *options.text, missing);
        else
            out += glyphBands(font, glyphs, terminalColumns, label);
        writeToTerminal(out);
        warnMissing(input, missing, map, options.map);
    }
    if (failed) throw Failure("");  // each was reported
}

void runShow(const ShowOptions& options) {
    CodepointMap map = loadMap(options.map);
    if (options.text && options.text->empty()) throw UsageError("--text: nothing to show");
    const bool toTerminal =
        options.destination.output.empty() && options.destination.directory.empty();
    if (options.glyph && !toTerminal)
        throw UsageError("--glyph draws in the terminal; it takes no -o or -d");
    PreviewStyle style;
    style.scale = options.scale;
    style.ink = parseColour("--ink", options.ink);
    style.paper = parseColour("--paper", options.paper);
    std::string tooBig;
    if (toTerminal) {
        // The terminal's text is the picture of scale 1, drawn in blocks.
        PreviewStyle terminal;
        terminal.scale = 1;
        // Broken into lines as a 16-wide font's would be, the most there can be.
        if (options.text &&
            (!textFits(*options.text, terminal, tooBig) ||
             !textFits(wrapText(*options.text, terminalColumns / glyphSide), terminal, tooBig)))
            throw UsageError(tooBig);
        showInTerminal(options, map);
        return;
    }
    style.labels = options.labels == "code-points" ? ChartLabels::CodePoints : ChartLabels::Numbers;
    if (options.text && !textFits(*options.text, style, tooBig)) throw UsageError(tooBig);
    std::vector<fs::path> paths =
        outputPaths(options.inputs, options.destination, "." + options.format);
    for (const fs::path& path : paths) {
        std::string extension = lowerExtension(path);
        if (extension != ".png" && extension != ".bmp")
            throw UsageError(displayName(path) + ": a preview is a .png or .bmp picture");
    }
    makeAndWrite(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
        Font font = fontToShow(input, map, options.index);
        Picture picture;
        if (options.text) {
            int missing = 0;
            picture = renderText(font, map, *options.text, style, missing);
            warnMissing(input, missing, map, options.map);
            // A few hundred characters can make a picture of a hundred
            // megabytes, within the limit; its size is told before it is written.
            if (picture.pixelCount() > largeTextPicture)
                reportError(input + ": note: --text makes a picture of " +
                            std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                            " pixels; writing " + displayName(path));
        } else {
            picture = renderChart(font, style, map);
        }
        std::vector<std::uint8_t> bytes =
            lowerExtension(path) == ".bmp" ? encodeBmp(picture) : encodePng(picture);
        if (bytes.empty()) throw Failure(input + ": the preview could not be encoded");
        return bytes;
    });
}

}  // namespace

void addShowCommand(CLI::App& app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* show = app.add_subcommand(
        "show", "draw a font in the terminal, or make a picture of it with -o or -d");
    show->add_option("FONT", options->inputs,
                     "fonts (.fnt, PSF, BDF, PCF, .hex ...) or pictures of glyphs (BMP, ICO, PNG, "
                     "read as import reads them)")
        ->required();
    addDestinationOptions(*show, options->destination);
    show->add_option("-f,--format", options->format, "picture format with -d")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"png", "bmp"}))
        ->capture_default_str();
    show->add_option("--scale", options->scale, "pixels per font pixel in a picture")
        ->type_name("N")
        ->check(CLI::Range(1, 16))
        ->capture_default_str();
    show->add_option("--ink", options->ink, "ink colour of a picture: RRGGBB or a CSS colour name")
        ->type_name("COLOUR")
        ->capture_default_str();
    show->add_option("--paper", options->paper,
                     "paper colour of a picture: RRGGBB or a CSS colour name")
        ->type_name("COLOUR")
        ->capture_default_str();
    CLI::Option* text = show->add_option("--text", options->text,
                                         "set these words in the font instead of the chart")
                            ->type_name("WORDS");
    show->add_option("--glyph", options->glyph,
                     "draw these glyphs in the terminal: a list such as A,U+263A,0x20-0x2F,65; "
                     "numbers (decimal, even one digit, or 0x hex) are glyph numbers, a "
                     "character or U+XXXX goes through --map")
        ->type_name("LIST")
        ->excludes(text);
    show->add_option("--labels", options->labels,
                     "chart labels: numbers (glyph numbers) or code-points (each glyph's code "
                     "point in the map)")
        ->type_name("KIND")
        ->check(CLI::IsMember({"numbers", "code-points"}))
        ->capture_default_str()
        ->excludes(text);
    show->add_option("--map", options->map,
                     "code-point map: cp437, latin1, a code page (cp850, cp866, koi8-r, iso8859-N, "
                     "windows-125N ...), a map file or a font with a Unicode table")
        ->type_name("MAP")
        ->capture_default_str();
    addIndexOption(*show, options->index);
    show->callback([options] { runShow(*options); });
}

}  // namespace celkit
