// celkit: looks at, round-trips and converts celpack's fonts. Exit status 0
// on success, 1 when an input or output failed, 2 for a bad command line.
#include <CLI/CLI.hpp>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "celkit/program.h"
#include "celpack_version.h"

namespace {

// The arguments as UTF-8: on Windows from the wide command line, since the
// narrow one loses every character outside the code page.
std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> out;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide != nullptr && i < count; ++i) {
        int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(std::size_t(length > 0 ? length - 1 : 0), '\0');
        if (length > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], length, nullptr, nullptr);
        out.push_back(text);
    }
    LocalFree(wide);
#else
    out.assign(argv, argv + argc);
#endif
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace celkit;
    CLI::App app{
        "celkit: look at celpack fonts, get their sheets back, convert them to and from PSF, "
        "BDF, PCF, .hex and pictures, and to OpenType bitmap fonts and C headers."};
    app.name("celkit");
    app.set_version_flag("--version", "celkit " CELPACK_VERSION);
    app.require_subcommand(1, 1);
    app.footer(
        "Exit status: 0 done, 1 an input or output failed (nothing is written), 2 a bad command "
        "line.\n"
#ifdef _WIN32
        "See 'celkit COMMAND --help' and README.txt beside celkit.exe.");
#else
        "See 'celkit COMMAND --help' and man celkit.");
#endif
    addShowCommand(app);
    addSheetCommand(app);
    addExportCommand(app);
    addImportCommand(app);
    addInfoCommand(app);

    std::vector<std::string> args = arguments(argc, argv);
    std::vector<std::string> reversed(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        reportError(e.what() + std::string(" (see 'celkit --help' or 'celkit COMMAND --help')"));
        return exitUsage;
    } catch (const UsageError& e) {
        reportError(e.what());
        return exitUsage;
    } catch (const Failure& e) {
        if (*e.what() != '\0') reportError(e.what());
        return exitFailure;
    } catch (const std::bad_alloc&) {
        reportError("out of memory");
        return exitFailure;
    } catch (const std::exception& e) {
        // Whatever the libraries throw is still one line and exit 1, never an abort.
        reportError(e.what());
        return exitFailure;
    }
    return exitOk;
}
