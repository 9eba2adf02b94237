// celkit: looks at, round-trips and converts celpack's fonts. Exit status 0
// on success, 1 when an input or output failed, 2 for a bad command line.
#include <CLI/CLI.hpp>
#include <iostream>

#include "celkit/program.h"
#include "celkit/program_arguments.h"
#include "celpack_version.h"

int main(int argc, char** argv) {
    using namespace celkit;
    CLI::App app{
        "celkit: look at celpack fonts, get their sheets back, convert them to and from PSF, "
        "BDF, PCF, .hex, TrueType/OpenType and pictures, and to Windows .fon fonts and C "
        "headers."};
    app.name("celkit");
    // Only - and -- start options, on Windows too: a path may begin with /
    // there as well, and "/x" must mean the same file to celkit.exe as to
    // every other program. Subcommands take this from the app.
    app.allow_windows_style_options(false);
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
    addWatchCommand(app);
    addEditCommand(app);

    std::vector<std::string> args = programArguments(argc, argv, app);
    // CLI11 takes an unknown first word for a stray operand and only says a
    // command is missing; name the word and the commands there are.
    std::string commands;
    const std::vector<CLI::App*> subcommands = app.get_subcommands({});
    for (std::size_t i = 0; i < subcommands.size(); ++i)
        commands += (i == 0                        ? ""
                     : i + 1 == subcommands.size() ? " or "
                                                   : ", ") +
                    subcommands[i]->get_name();
    if (args.size() == 1) {
        reportError("give a command: " + commands + " (see 'celkit --help')");
        return exitUsage;
    } else if (args.size() > 1 && !args[1].empty() && args[1][0] != '-') {
        try {
            app.get_subcommand(args[1]);
        } catch (const CLI::OptionNotFound&) {
            reportError("'" + args[1] + "' is no command; give " + commands);
            return exitUsage;
        }
    } else if (args.size() > 1 && args[1] != "-h" && args[1] != "--help" &&
               args[1] != "--version") {
        reportError(args[1] + ": the command comes first: " + commands);
        return exitUsage;
    }
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
