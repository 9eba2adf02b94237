// celkit edit: the sheet in a page of the user's browser, served from this
// machine only, and saved as celpack would convert it.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "celkit/edit/edit_server.h"
#include "celkit/edit/sheet_document.h"
#include "celkit/file_access.h"
#include "celkit/picture/glyph_sheet.h"
#include "celkit/program.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>

#include <thread>
extern char** environ;
#endif

namespace celkit {
namespace {

struct EditOptions {
    std::string sheet;
    std::optional<std::string> blank;  // --new WxH
    int port = 0;
    bool open = false;
    std::string map = "cp437";
};

// A new sheet's first save: blank cells of the size asked for.
void makeBlankSheet(const EditOptions& options) {
    int width = 0, height = 0;
    parseCell(*options.blank, width, height);
    fs::path path = pathOf(options.sheet);
    PictureKind kind = kindOfName(lowerExtension(path));
    if (kind == PictureKind::Unknown)
        throw UsageError(displayName(path) + ": a new sheet is a .bmp, .ico or .png picture");
    if (statusOfName(path).kind != FileKind::Missing)
        throw Failure(options.sheet + ": already exists; --new makes a sheet that is not there");
    SheetDocument document = blankDocument(kind, width, height);
    SavedSheet saved = saveDocument(options.sheet, document, document.glyphs);
    fs::path font = path;
    font += ".fnt";
    writeOutputs({{path, saved.sheet}, {font, {saved.font.bytes.begin(), saved.font.bytes.end()}}});
}

void openBrowser(const std::string& address) {
#ifdef _WIN32
    std::wstring wide(address.begin(), address.end());  // the address is ASCII
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) reportError("warning: no browser could be started; open the address above");
#else
    pid_t child = 0;
    std::string program = "xdg-open";
    char* argv[] = {program.data(), const_cast<char*>(address.c_str()), nullptr};
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        reportError("warning: xdg-open could not be started; open the address above");
        return;
    }
    // Reaped when it ends, so that no zombie stays beside the server.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
#endif
}

void runEdit(const EditOptions& options) {
    if (options.sheet == standardStream)
        throw UsageError("edit needs a file: standard input cannot be saved back");
    if (options.blank) makeBlankSheet(options);
    EditSettings settings;
    settings.sheet = options.sheet;
    settings.port = static_cast<unsigned short>(options.port);
    settings.map = loadMap(options.map);
    EditServer server(settings);
    std::cout << server.address() << '\n' << std::flush;
    if (options.open) openBrowser(server.address());
    server.run();
}

}  // namespace

void addEditCommand(CLI::App& app) {
    auto options = std::make_shared<EditOptions>();
    CLI::App* command =
        app.add_subcommand("edit", "draw a sheet's glyphs in the browser; saves it and SHEET.fnt");
    command
        ->add_option("SHEET", options->sheet,
                     "a BMP, ICO or PNG sheet of 16 x 16 cells (with --new: the one to make)")
        ->required();
    command
        ->add_option("--new", options->blank,
                     "make a blank sheet of 16 x 16 cells of WxH pixels (at most 16x16) first")
        ->type_name("WxH");
    command->add_option("--port", options->port, "the port to listen on (default: a free one)")
        ->type_name("N")
        ->check(CLI::Range(1, 65535));
    command->add_flag("--open", options->open, "open the page in the system's browser");
    command->add_option("--map", options->map, "code-point map of the preview line")
        ->type_name("MAP")
        ->capture_default_str();
    command->callback([options] { runEdit(*options); });
}

}  // namespace celkit
