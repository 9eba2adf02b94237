// celkit watch: celpack's conversion of one sheet, again on every save, with
// a line saying which glyphs the save changed, and the chart redrawn in the
// terminal or in a preview picture.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>

#include "celkit/change_watch.h"
#include "celkit/file_access.h"
#include "celkit/picture/font_preview.h"
#include "celkit/program.h"
#include "celkit/sheet_file.h"
#include "celkit/terminal_drawing.h"

namespace celkit {
namespace {

struct WatchOptions {
    std::string sheet;
    std::string preview;
    int count = 0;
};

// celpack reads BMP and ICO only; PNG, which the picture library also
// reads, is refused as celpack refuses it.
Font fontOfSheet(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    PictureKind kind = pictureKindOf(bytes);
    if (kind == PictureKind::Png)
        throw Failure(name +
                      ": a PNG picture; celpack reads only BMP and ICO (celkit import reads PNG)");
    if (kind == PictureKind::Unknown) throw Failure(name + ": not a BMP or ICO picture");
    Picture picture;
    std::string error;
    if (!readPicture(bytes, picture, error)) throw Failure(name + ": " + error);
    return fontAsCelpackReads(picture);
}

// "3 glyphs changed: 0x41 0x42 0x61", against the font before the save.
std::string changesText(const std::optional<Font>& before, const Font& after) {
    if (!before) {
        int inked = 0;
        for (int glyph = 0; glyph < glyphCount; ++glyph) inked += after.blank(glyph) ? 0 : 1;
        return "new font, " + std::to_string(inked) + " glyphs with ink";
    }
    std::string list;
    int changed = 0;
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        auto from = static_cast<std::size_t>(glyph) * glyphBytes;
        if (std::equal(before->bytes.begin() + from, before->bytes.begin() + from + glyphBytes,
                       after.bytes.begin() + from))
            continue;
        list += " " + glyphNumber(glyph);
        ++changed;
    }
    if (changed == 0) return "no glyph changed";
    return std::to_string(changed) + (changed == 1 ? " glyph" : " glyphs") + " changed:" + list;
}

class Watcher {
public:
    explicit Watcher(const WatchOptions& options)
        : options(options), fontPath(pathOf(options.sheet)) {
        fontPath += ".fnt";
        // The font already there is what the first save is compared with.
        try {
            Font old;
            std::string error;
            if (parseFnt(readSheet(fontPath.u8string()).bytes, old, error)) font = old;
        } catch (const Failure&) {
        }
    }

    // One conversion; a failure is reported and leaves the files as they were.
    bool convert() {
        try {
            SheetFile sheet = readSheet(options.sheet);
            Font next = fontOfSheet(options.sheet, sheet.bytes);
            std::vector<Output> outputs{{fontPath, {next.bytes.begin(), next.bytes.end()}}};
            if (!options.preview.empty()) {
                Picture chart = renderChart(next, PreviewStyle());
                fs::path path = pathOf(options.preview);
                outputs.push_back(
                    {path, lowerExtension(path) == ".bmp" ? encodeBmp(chart) : encodePng(chart)});
                if (outputs.back().bytes.empty())
                    throw Failure(options.sheet + ": the preview could not be encoded");
            }
            for (const Output& output : outputs)
                if (sameFile(statusOfName(output.path), sheet.status))
                    throw Failure(displayName(output.path) + ": is the same file as the sheet " +
                                  options.sheet + "; celkit does not replace it");
            writeOutputs(outputs);
            if (chartInTerminal) drawChart(next);
            std::cout << shown(clockNow() + " " + displayName(fontPath) + ": " +
                               changesText(font, next))
                      << '\n'
                      << std::flush;
            font = next;
            return true;
        } catch (const Failure& failure) {
            reportError(failure.what());
        } catch (const std::bad_alloc&) {
            reportError(options.sheet + ": out of memory");
        }
        return false;
    }

private:
    // The chart in bands of block characters, each glyph under its number.
    static void drawChart(const Font& next) {
        std::vector<int> glyphs(glyphCount);
        for (int glyph = 0; glyph < glyphCount; ++glyph) glyphs[glyph] = glyph;
        std::string chart = glyphBands(next, glyphs, terminalColumns, [](int glyph) {
            return chartLabel(static_cast<char32_t>(glyph));
        });
        writeToTerminal(chart);
    }

    const WatchOptions& options;
    // Without a preview file the terminal shows the chart, unless the
    // status lines go to a pipe or a log, which keep one line per save.
    const bool chartInTerminal = options.preview.empty() && outputIsTerminal();
    fs::path fontPath;
    std::optional<Font> font;
};

void runWatch(const WatchOptions& options) {
    if (options.sheet == standardStream)
        throw UsageError("watch needs a file: standard input cannot be watched");
    if (!options.preview.empty()) {
        fs::path preview = pathOf(options.preview);
        std::string extension = lowerExtension(preview);
        if (extension != ".png" && extension != ".bmp")
            throw UsageError(displayName(preview) + ": a preview is a .png or .bmp picture");
    }
    if (statusOfName(pathOf(options.sheet)).kind == FileKind::Directory)
        throw Failure(options.sheet + ": is a directory; watch takes a sheet");
    ChangeWatch changes(pathOf(options.sheet));  // before the first conversion: Ctrl-C waits
    Watcher watcher(options);
    int conversions = 0;
    bool converted;
    do {
        converted = watcher.convert();
        if (options.count > 0 && ++conversions >= options.count) {
            if (!converted) throw Failure("");  // already reported
            return;
        }
    } while (changes.nextSave());
}

}  // namespace

void addWatchCommand(CLI::App& app) {
    auto options = std::make_shared<WatchOptions>();
    CLI::App* command = app.add_subcommand(
        "watch", "convert a sheet as celpack does, then again every time it is saved");
    command->add_option("SHEET", options->sheet, "the BMP or ICO sheet; the font is SHEET.fnt")
        ->required();
    command->add_option("-o,--output", options->preview, "redraw this chart (.png or .bmp) too")
        ->type_name("PREVIEW");
    command
        ->add_option("--count", options->count,
                     "stop after N conversions (exit 1 if the last failed); default: at Ctrl-C")
        ->type_name("N")
        ->check(CLI::Validator(
            [](std::string& value) {
                const bool count = !value.empty() && value.size() <= 9 &&
                                   value.find_first_not_of("0123456789") == std::string::npos &&
                                   value.find_first_not_of('0') != std::string::npos;
                return count ? std::string()
                             : "'" + value + "' is no count; give a whole number from 1";
            },
            ""));
    command->callback([options] { runWatch(*options); });
}

}  // namespace celkit
