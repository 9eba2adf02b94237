// celkit info: what a font or a sheet holds.
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "celkit/font/export_cell.h"
#include "celkit/font/psf.h"
#include "celkit/font/windows_font_reader.h"
#include "celkit/input_kind.h"
#include "celkit/picture/glyph_grid.h"
#include "celkit/program.h"

namespace celkit {
namespace {

struct InfoOptions {
    std::vector<std::string> inputs;
    std::string map = "cp437";
    int index = 0;
};

// Runs of glyph numbers, "0x00-0x1F 0x7F".
std::string ranges(const std::vector<int>& glyphs) {
    std::string out;
    for (std::size_t i = 0; i < glyphs.size();) {
        std::size_t end = i;
        while (end + 1 < glyphs.size() && glyphs[end + 1] == glyphs[end] + 1) ++end;
        if (!out.empty()) out += ' ';
        out += glyphNumber(glyphs[i]);
        if (end > i) out += "-" + glyphNumber(glyphs[end]);
        i = end + 1;
    }
    return out;
}

void describeFont(const Font& font, std::ostream& out) {
    std::vector<int> blank;
    int left = glyphSide, top = glyphSide, right = -1, bottom = -1;
    std::map<int, int> widths;  // ink width -> glyphs
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        const InkBox ink = inkBox(font, glyph, glyphSide);
        if (ink.width == 0) {
            blank.push_back(glyph);
            continue;
        }
        left = std::min(left, ink.left);
        right = std::max(right, ink.left + ink.width - 1);
        top = std::min(top, ink.top);
        bottom = std::max(bottom, ink.top + ink.height - 1);
        ++widths[ink.width];
    }
    out << "glyphs: 256 of 16 x 16 pixels, " << (256 - blank.size()) << " with ink\n";
    out << "blank glyphs: " << blank.size();
    if (!blank.empty()) out << " (" << ranges(blank) << ")";
    out << '\n';
    if (right < 0) {
        out << "ink bounding box: none\nink widths: none\n";
        return;
    }
    out << "ink bounding box: x " << left << "-" << right << ", y " << top << "-" << bottom << " ("
        << (right - left + 1) << " x " << (bottom - top + 1) << " pixels)\n";
    auto common = std::max_element(widths.begin(), widths.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
    });
    out << "ink widths: " << widths.begin()->first << "-" << widths.rbegin()->first
        << " pixels, most often " << common->first << " (" << common->second << " glyphs)\n";
}

// The file as it is: format, glyph count, cell size and table, before the
// 256 glyphs celkit takes of it (a raw font is those already). True when
// the file was read through, so that what is left to go wrong is the pick.
bool describeFontFile(const Input& input, const std::string& mapName, int index,
                      std::ostream& out) {
    if (input.font == formatNamed("ttf")) {
        out << "file: outline font, drawn into the 16 x 16 cell\nas celkit picks them by --map "
            << shown(mapName) << ":\n";
        return false;
    }
    SourceFont source;
    std::string error;
    const bool read = input.font == formatNamed("fon")
                          ? readWindowsFont(input.bytes, index, source, error)
                          : input.font->readSource(input.bytes, source, error);
    if (!read) throw Failure(input.name + ": " + error);
    if (source.fonts != 0)
        out << "fonts in the file: " << source.fonts << ", this is --index " << index << '\n';
    int width = 0, height = 0;
    bool same = true;
    for (const SourceGlyph& glyph : source.glyphs) {
        width = std::max(width, glyph.width);
        height = std::max(height, glyph.height);
        same = same && glyph.width == source.glyphs[0].width &&
               glyph.height == source.glyphs[0].height;
    }
    const int version = input.font == formatNamed("psf") ? psfVersion(input.bytes) : 0;
    out << "file: " << (version > 0 ? "PSF" + std::to_string(version) : input.font->name) << ", "
        << source.glyphs.size() << (source.glyphs.size() == 1 ? " glyph" : " glyphs")
        << (same ? " of " : ", up to ") << width << " x " << height << " pixels, "
        << (!source.table.empty() ? "with a Unicode table"
            : source.unicode      ? "keyed by Unicode code point"
                                  : "no Unicode table")
        << '\n';
    out << "as celkit picks them "
        << (source.unicode ? "by --map " + shown(mapName) : "by glyph number") << ":\n";
    return true;
}

// What import makes of the picture with its defaults; false when it
// refuses the picture.
bool describeReading(const Picture& picture, const CodepointMap& map, Font& font,
                     std::ostream& out) {
    GridOptions options;
    options.map = map;
    std::string error;
    PictureReading reading;
    if (!glyphsFromPicture(picture, options, font, error, &reading)) {
        out << "celkit import refuses it as it is: " << error << '\n';
        return false;
    }
    out << "as celkit import reads it: paper " << paperText(reading);
    if (reading.alphaAsPaper && !reading.transparentPaper)
        out << " and every pixel less than half opaque";
    if (reading.inkPixels != 0) out << ", ink " << colourHex(reading.ink);
    if (reading.otherPixels != 0)
        out << ", " << groupedNumber(reading.otherPixels) << " pixel"
            << (reading.otherPixels == 1 ? "" : "s") << " of " << reading.otherColours.size()
            << " other colour" << (reading.otherColours.size() == 1 ? "" : "s") << " taken as ink";
    out << ":\n";
    describeFont(font, out);
    return true;
}

void describeInput(const std::string& name, const std::string& mapName, const CodepointMap& map,
                   int index, std::ostream& out) {
    Input input = readAndIdentify(name);
    if (input.font != nullptr) {
        out << shown(name) << ": " << input.kindText() << ", " << input.bytes.size() << " bytes"
            << (input.compressed ? " inflated" : "") << '\n';
        if (input.font->readSource != nullptr && describeFontFile(input, mapName, index, out)) {
            // A map that picks nothing of a sound file is import's refusal,
            // told as it is for pictures; info has still described the file.
            Font font;
            std::string reason;
            ImportOptions options{map, std::nullopt};
            options.index = index;
            if (readGlyphs(input, options, font, reason))
                describeFont(font, out);
            else
                out << "celkit import refuses it as it is: " << reason << '\n';
            return;
        }
        describeFont(fontOf(input, ImportOptions{map, std::nullopt}), out);
        return;
    }
    Picture picture;
    std::string error;
    if (!readPicture(input.bytes, picture, error)) throw Failure(name + ": " + error);
    input.bytes = Bytes();  // the decoded picture is what counts now
    ColourCensus census = takeCensus(picture);
    out << shown(name) << ": " << input.kindText() << ", " << picture.width << " x "
        << picture.height << " pixels, " << picture.encoding << ", " << census.colours << " colour"
        << (census.colours == 1 ? "" : "s");
    if (census.colours != 0) out << ", most common #" << colourHex(census.mostCommon);
    if (census.transparent != 0)
        out << ", " << groupedNumber(census.transparent) << " less than half opaque";
    out << '\n';
    Font imported;
    bool read = describeReading(picture, map, imported, out);
    if (input.picture == PictureKind::Png) {
        out << "celpack reads BMP and ICO only, not PNG\n";
        return;
    }
    if (picture.width != 256 || picture.height != 256)
        out << "not a 256 x 256 sheet: celpack reads its top left 256 x 256 pixels\n";
    Font celpacks = fontAsCelpackReads(picture);
    if (read && celpacks.bytes == imported.bytes) {
        out << "celpack reads it the same (every pixel not pure black is ink)\n";
        return;
    }
    out << "as celpack reads it (every pixel not pure black is ink):\n";
    describeFont(celpacks, out);
}

void runInfo(const InfoOptions& options) {
    CodepointMap map = loadMap(options.map);
    bool failed = false;
    for (const std::string& input : options.inputs) {
        try {
            std::ostringstream text;
            describeInput(input, options.map, map, options.index, text);
            std::cout << text.str();
        } catch (const Failure& failure) {
            std::cout.flush();
            reportError(failure.what());
            failed = true;
        }
    }
    std::cout.flush();
    if (failed) throw Failure("");
}

}  // namespace

void addInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = app.add_subcommand(
        "info",
        "a file's format and glyph count, its blank glyphs, ink box and widths; how a "
        "picture is read");
    command->add_option("FILE", options->inputs, "fonts or sheets")->required();
    command->add_option("--map", options->map, "code-point map for fonts of more than 256 glyphs")
        ->type_name("MAP")
        ->capture_default_str();
    addIndexOption(*command, options->index);
    command->callback([options] { runInfo(*options); });
}

}  // namespace celkit
