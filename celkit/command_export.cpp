// celkit export: the font in the formats it is used in (console PSF, BDF,
// PCF, Windows .fon, OpenType bitmap, Unifont .hex, a C header), written by
// the font format library.
#include <CLI/CLI.hpp>
#include <memory>

#include "celkit/font/font_formats.h"
#include "celkit/font/gzip.h"
#include "celkit/font/psf.h"
#include "celkit/input_kind.h"
#include "celkit/program.h"
#include "celkit/transform_options.h"

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
    int index = 0;
    std::string width = "auto";
    TransformOptions transform;
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
        // psf1 and psf2 take psf's names.
        if (asked != nullptr && named != nullptr && named->extensions != asked->extensions)
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

// --width: auto is 8 when every glyph's ink fits columns 0-7; 8 on a wider
// font is refused rather than clipped.
int exportWidth(const Font& font, const std::string& asked, const std::string& input) {
    if (asked == "16") return glyphSide;
    if (asked == "8") {
        const int wide = font.firstWideGlyph();
        if (wide >= 0)
            throw Failure(input + ": --width 8: glyph " + glyphNumber(wide) +
                          " has ink in columns 8-15");
        return glyphSide / 2;
    }
    return font.inkWidth();
}

void runExport(const ExportCommandOptions& options) {
    int mapVersion = 0;  // of the PSF --map names
    CodepointMap map = options.first ? blockMap(parseCodepoint("--first", *options.first))
                                     : loadMap(options.map, &mapVersion);
    if (!options.destination.directory.empty() && options.format.empty())
        throw UsageError("with -d, say which format: -f " + formatNames(true));
    const FontFormat* asked = formatNamed(options.format);
    const FontFormat *psf = formatNamed("psf"), *psf1 = formatNamed("psf1"),
                     *psf2 = formatNamed("psf2");
    if (asked == psf1 && options.width == "16")
        throw UsageError("-f psf1: PSF1 glyphs are 8 pixels wide; --width 16 asks for 16");
    std::string extension = asked != nullptr ? asked->extensions.front() : "";
    std::vector<fs::path> paths = outputPaths(options.inputs, options.destination, extension);
    std::vector<const FontFormat*> formats = outputFormats(paths, options.format);
    const GlyphTransform transform = glyphTransform(options.transform);
    std::size_t next = 0;
    makeAndWrite(options.inputs, paths, [&](const std::string& input, const fs::path& path) {
        const FontFormat* format = formats[next++];
        const Input source = readAndIdentify(input);
        // The width is the transformed font's.
        ImportOptions importOptions{map, std::nullopt};
        importOptions.index = options.index;
        const Font font = transformed(input, fontOf(source, importOptions), transform);
        const int width = exportWidth(font, options.width, input);
        // Plain psf keeps the version of the input, else of the map's font.
        if (format == psf) {
            const int version = source.font == psf ? psfVersion(source.bytes) : mapVersion;
            format = version == 1 && psf1Misfit(map, width).empty() ? psf1 : psf2;
        }
        if (format == psf1) {
            const std::string why = psf1Misfit(map, width);
            if (!why.empty()) throw Failure(input + ": " + why);
        }
        const bool compressed = compressedOutput(displayName(path));
        const fs::path named = compressed ? path.stem() : path;
        ExportOptions exportOptions{
            map, options.name.empty() ? named.stem().u8string() : options.name, width};
        exportOptions.baseline = options.baseline;
        Bytes bytes = exportFont(font, *format, exportOptions);
        // Said where the output has a width to choose, so that scripts see it.
        if (options.width == "auto" && width < glyphSide && format != &rawFontFormat())
            reportError(input +
                        ": note: every glyph fits 8 pixels; written 8 wide (--width "
                        "16 keeps 16)");
        return compressed ? gzipped(bytes) : bytes;
    });
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
    addIndexOption(*command, options->index);
    command
        ->add_option("--name", options->name,
                     "C array name / BDF, PCF, OTB and TrueType family / .fon face (default: the "
                     "output's name)")
        ->type_name("NAME");
    command
        ->add_option("--width", options->width,
                     "glyph width written: 8, 16, or auto (8 when every glyph's ink lies in "
                     "columns 0-7)")
        ->type_name("WIDTH")
        ->check(CLI::IsMember({"auto", "8", "16"}))
        ->capture_default_str();
    command
        ->add_option("--baseline", options->baseline,
                     "rows above the baseline, 0-16, for BDF, PCF, .fon, .otb and .ttf (default: "
                     "under the capitals' bottom row)")
        ->type_name("N")
        ->check(CLI::Range(0, glyphSide));
    addTransformOptions(*command, options->transform);
    command->callback([options] { runExport(*options); });
}

}  // namespace celkit
