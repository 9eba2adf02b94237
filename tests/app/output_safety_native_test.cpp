// The real native program under what users and other processes do to it:
// links planted under the output name, runs killed at random moments,
// readers of the font while it is made, resource limits, a closed standard
// error and names that hold control bytes. Whatever happens, NAME.fnt is
// the old font or the new one, byte for byte, and the exit code is 0.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>

#include <atomic>
#include <random>
#include <regex>

#include "program_runner.h"

namespace {

using namespace program;

Bytes sheetBytes() { return readBytes(sourceFile("examples/dejavu-mono.bmp")); }
Bytes fontBytes() { return readBytes(sourceFile("examples/dejavu-mono.expected.fnt")); }
const Bytes oldFont(20000, 0x5A);
const Bytes outsideBytes = {'k', 'e', 'e', 'p', '\n'};

std::string programPath() { return std::string(CELPACK_BINARY_DIR) + "/celpack"; }

// Starts celpack with one argument in `dir`; standard error to `errors`.
pid_t startProgram(
    const fs::path& dir, const std::string& argument, const fs::path& errors,
    const std::function<void()>& inChild = [] {}) {
    std::string program = programPath();
    pid_t child = fork();
    if (child == 0) {
        int file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (file < 0 || dup2(file, 2) < 0 || chdir(dir.c_str()) != 0) _exit(98);
        inChild();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                        nullptr};
        execv(program.c_str(), argv);
        _exit(96);
    }
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// ---- Links under the output name: replaced, never written through.

enum class Planted { symlinkOutside, danglingSymlink, symlinkToPicture, hardLinkToPicture };

struct LinkCase {
    const char* name;
    Planted planted;
};

const LinkCase linkCases[] = {
    {"SymlinkToAnotherFile", Planted::symlinkOutside},
    {"DanglingSymlink", Planted::danglingSymlink},
    {"SymlinkToThePicture", Planted::symlinkToPicture},
    {"HardLinkToThePicture", Planted::hardLinkToPicture},
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.name; }

class PlantedLink : public ::testing::TestWithParam<LinkCase> {};

TEST_P(PlantedLink, IsReplacedAndItsTargetKept) {
    const LinkCase& c = GetParam();
    fs::path dir = freshDirectory(std::string("link-") + c.name);
    fs::path outside = freshDirectory(std::string("link-outside-") + c.name);
    writeBytes(dir / "pic.bmp", sheetBytes());
    writeBytes(outside / "target", outsideBytes);
    switch (c.planted) {
    case Planted::symlinkOutside:
        fs::create_symlink(outside / "target", dir / "pic.bmp.fnt");
        break;
    case Planted::danglingSymlink:
        fs::create_symlink(outside / "made-by-celpack", dir / "pic.bmp.fnt");
        break;
    case Planted::symlinkToPicture: fs::create_symlink("pic.bmp", dir / "pic.bmp.fnt"); break;
    case Planted::hardLinkToPicture:
        fs::create_hard_link(dir / "pic.bmp", dir / "pic.bmp.fnt");
        break;
    }

    ProgramRun run = runProgram(dir, {"pic.bmp"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_FALSE(fs::is_symlink(dir / "pic.bmp.fnt"));
    EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == fontBytes());
    EXPECT_TRUE(readBytes(dir / "pic.bmp") == sheetBytes());
    EXPECT_EQ(listFiles(dir), (std::vector<std::string>{"pic.bmp", "pic.bmp.fnt"}));
    EXPECT_EQ(listFiles(outside), std::vector<std::string>{"target"});
    EXPECT_TRUE(readBytes(outside / "target") == outsideBytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlantedLink, ::testing::ValuesIn(linkCases),
                         [](const ::testing::TestParamInfo<LinkCase>& info) {
                             return info.param.name;
                         });

// ---- Killed at random moments, with a reader watching the font.

// What a killed run may leave besides the fonts: its own temporary file.
const std::regex temporaryName(R"(pic\.bmp\.fnt\.[0-9]+-[0-9]+\.tmp)");

struct KillCase {
    const char* name;
    int signal;
    int runs;
    const char* picture;  // under the source tree
    const char* font;     // its expected font, or its pixels as .rgb
};

const char* const sheet = "examples/dejavu-mono.bmp";
const char* const sheetFont = "examples/dejavu-mono.expected.fnt";
// A 256 x 256 PNG icon: decoding and blending make a slower run.
const char* const icon = "tests/data/ico/sheet_png_pillow.ico";
const char* const iconFont = "tests/data/ico/sheet_png.rgb";

// The font of a 256 x 256 picture given as RGB bytes, top row first: a bit
// set for every pixel that is not black.
Bytes fontOfPixels(const Bytes& rgb) {
    Bytes font;
    if (rgb.size() != 256 * 256 * 3) return font;
    for (int g = 0; g < 256; g++)
        for (int row = 0; row < 16; row++)
            for (int half = 0; half < 16; half += 8) {
                unsigned char byte = 0;
                for (int c = 0; c < 8; c++) {
                    size_t at =
                        (size_t(g / 16 * 16 + row) * 256 + size_t(g % 16 * 16 + half + c)) * 3;
                    if (rgb[at] || rgb[at + 1] || rgb[at + 2]) byte |= 0x80 >> c;
                }
                font.push_back(byte);
            }
    return font;
}

const KillCase killCases[] = {
    {"Kill", SIGKILL, 150, sheet, sheetFont},     {"KillIcon", SIGKILL, 100, icon, iconFont},
    {"Terminate", SIGTERM, 50, sheet, sheetFont}, {"Interrupt", SIGINT, 50, sheet, sheetFont},
    {"HangUp", SIGHUP, 50, icon, iconFont},
};

void PrintTo(const KillCase& c, std::ostream* out) { *out << c.name; }

class KilledRun : public ::testing::TestWithParam<KillCase> {};

TEST_P(KilledRun, LeavesTheOldFontOrTheNewOne) {
    const KillCase& c = GetParam();
    fs::path dir = freshDirectory(std::string("killed-") + c.name);
    fs::path errors = dir.parent_path() / (std::string("killed-") + c.name + ".stderr");
    writeBytes(dir / "pic.bmp", readBytes(sourceFile(c.picture)));
    Bytes font = readBytes(sourceFile(c.font));
    if (fs::path(c.font).extension() == ".rgb") font = fontOfPixels(font);
    ASSERT_EQ(font.size(), 8192u);

    // How long a whole run takes here, to spread the kills over it.
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(waitFor(startProgram(dir, "pic.bmp", errors)), 0);
    long runMicroseconds = long(std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - started)
                                    .count());

    std::atomic<bool> watching{true};
    std::atomic<long> reads{0}, badReads{0};
    std::thread reader([&] {
        while (watching) {
            Bytes seen = readBytes(dir / "pic.bmp.fnt");
            reads++;
            if (seen != font && seen != oldFont) badReads++;
        }
    });

    std::mt19937 random(12345);
    std::uniform_int_distribution<long> delay(0, runMicroseconds * 3 / 2);
    int oldKept = 0, newMade = 0;
    for (int i = 0; i < c.runs; ++i) {
        writeBytes(dir / "pic.bmp.fnt.new", oldFont);
        fs::rename(dir / "pic.bmp.fnt.new", dir / "pic.bmp.fnt");
        pid_t child = startProgram(dir, "pic.bmp", errors);
        struct timespec pause = {0, delay(random) * 1000};
        nanosleep(&pause, nullptr);
        kill(child, c.signal);
        int code = waitFor(child);
        EXPECT_TRUE(code == 0 || code == 128 + c.signal) << "run " << i << " ended with " << code;

        Bytes after = readBytes(dir / "pic.bmp.fnt");
        EXPECT_TRUE(after == oldFont || after == font)
            << "run " << i << ": " << after.size() << " bytes";
        (after == font ? newMade : oldKept)++;
        for (const std::string& name : listFiles(dir)) {
            if (name == "pic.bmp" || name == "pic.bmp.fnt") continue;
            EXPECT_TRUE(std::regex_match(name, temporaryName)) << "run " << i << " left " << name;
            fs::remove(dir / name);
        }
    }
    watching = false;
    reader.join();
    EXPECT_EQ(badReads, 0) << "of " << reads << " reads";
    printf("%s: %d runs kept the old font, %d made the new one; %ld reads, %ld incomplete\n",
           c.name, oldKept, newMade, long(reads), long(badReads));
}

INSTANTIATE_TEST_SUITE_P(Cases, KilledRun, ::testing::ValuesIn(killCases),
                         [](const ::testing::TestParamInfo<KillCase>& info) {
                             return info.param.name;
                         });

// ---- Resource limits: a write past the file-size limit fails and is
// reported; too little address space fails somewhere and is reported.

struct LimitCase {
    const char* name;
    int resource;
    rlim_t limit;
    bool mayConvert;  // the run may succeed within the limit
};

const LimitCase limitCases[] = {
    {"FileSize100", RLIMIT_FSIZE, 100, false},  // room for the message alone
    {"FileSize4096", RLIMIT_FSIZE, 4096, false},  {"FileSize8191", RLIMIT_FSIZE, 8191, false},
    {"AddressSpace2M", RLIMIT_AS, 2 << 20, true}, {"AddressSpace3M", RLIMIT_AS, 3 << 20, true},
    {"AddressSpace4M", RLIMIT_AS, 4 << 20, true}, {"AddressSpace6M", RLIMIT_AS, 6 << 20, true},
    {"AddressSpace8M", RLIMIT_AS, 8 << 20, true},
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

class Limited : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limited, ReportsAndKeepsTheOldFont) {
    const LimitCase& c = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    // The address checker reserves terabytes of shadow memory at start.
    if (c.resource == RLIMIT_AS)
        GTEST_SKIP() << "an address-checked program cannot start in a few MiB";
#endif
    fs::path dir = freshDirectory(std::string("limit-") + c.name);
    fs::path errors = dir.parent_path() / (std::string("limit-") + c.name + ".stderr");
    writeBytes(dir / "pic.bmp", sheetBytes());
    writeBytes(dir / "pic.bmp.fnt", oldFont);

    int code = waitFor(startProgram(dir, "pic.bmp", errors, [&] {
        struct rlimit limit = {c.limit, c.limit};
        if (setrlimit(c.resource, &limit) != 0) _exit(95);
    }));

    EXPECT_EQ(code, 0);
    std::vector<std::string> messages = lines(readBytes(errors));
    Bytes after = readBytes(dir / "pic.bmp.fnt");
    EXPECT_EQ(listFiles(dir), (std::vector<std::string>{"pic.bmp", "pic.bmp.fnt"}));
    if (messages.empty()) {
        EXPECT_TRUE(c.mayConvert) << "a run past the limit reported nothing";
        EXPECT_TRUE(after == fontBytes());
    } else {
        EXPECT_TRUE(after == oldFont);
        EXPECT_EQ(messages.size(), 1u);
        if (c.resource == RLIMIT_FSIZE) EXPECT_EQ(messages[0], "Error: Error writing file!");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Limited, ::testing::ValuesIn(limitCases),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             return info.param.name;
                         });

// ---- Standard error on a closed pipe: the box cannot be shown, the run
// still ends as usual, with exit code 0.

TEST(ClosedStandardError, ExitsZeroAfterSuccessAndFailure) {
    fs::path dir = freshDirectory("closed-pipe");
    writeBytes(dir / "pic.bmp", sheetBytes());
    for (const char* argument : {"pic.bmp", "missing.bmp"}) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        close(pipeEnds[0]);
        // Standard error goes to the file first, then to the pipe nobody reads.
        pid_t child = startProgram(dir, argument, dir.parent_path() / "closed-pipe.stderr", [&] {
            if (dup2(pipeEnds[1], 2) < 0) _exit(98);
        });
        close(pipeEnds[1]);
        EXPECT_EQ(waitFor(child), 0) << argument;
    }
    EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == fontBytes());
}

// ---- What a box shows of a name: one line, control bytes escaped.

struct ShownCase {
    const char* name;
    std::string argument;
    std::string line;
};

const ShownCase shownCases[] = {
    {"EscapeSequence", "a\x1b[2J.bmp", "Error: Error loading Imagea\\x1b[2J.bmp"},
    {"Newline", "two\nlines.bmp", "Error: Error loading Imagetwo\\x0alines.bmp"},
    {"TabAndDelete", "t\tx\x7f.bmp", "Error: Error loading Imaget\\x09x\\x7f.bmp"},
    {"PlainUtf8Kept", "gr\xc3\xbc\xc3\x9f.bmp", "Error: Error loading Imagegr\xc3\xbc\xc3\x9f.bmp"},
    {"InvalidUtf8Kept", "bad\xff.bmp", "Error: Error loading Imagebad\xff.bmp"},
};

void PrintTo(const ShownCase& c, std::ostream* out) { *out << c.name; }

class ShownName : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ShownName, IsOneLine) {
    const ShownCase& c = GetParam();
    fs::path dir = freshDirectory(std::string("shown-") + c.name);
    ProgramRun run = runProgram(dir, {c.argument});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, std::vector<std::string>{c.line});
}

INSTANTIATE_TEST_SUITE_P(Cases, ShownName, ::testing::ValuesIn(shownCases),
                         [](const ::testing::TestParamInfo<ShownCase>& info) {
                             return info.param.name;
                         });

}  // namespace
