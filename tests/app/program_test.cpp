// The real program, started as a user starts it: each case lays out files
// in an empty directory, runs celpack there with its arguments, and checks
// the boxes shown, the exit code and every file in the directory after.
#include <gtest/gtest.h>

#include <map>

#include "program_runner.h"

namespace {

using namespace program;

enum Content { sheet, font, junk, notAPicture };

struct File {
    std::string name;
    Content content;
    bool readOnly;
};

struct Case {
    const char* name;
    std::vector<std::string> arguments;  // "{dir}" stands for the case's absolute directory
    std::vector<File> before;
    std::vector<std::string> messages;  // "Caption: text" of each box, in order
    std::vector<File> after;            // every file present afterwards
};

const Case cases[] = {
    {"NoArgument", {}, {}, {"Error: use celpack.exe pic.bmp"}, {}},
    {"MissingPicture", {"x.bmp"}, {}, {"Error: Error loading Imagex.bmp"}, {}},
    {"NotAPicture",
     {"pic.bmp"},
     {{"pic.bmp", notAPicture, false}},
     {"Error: Error loading Imagepic.bmp"},
     {{"pic.bmp", notAPicture, false}}},
    {"EmptyArgument", {""}, {}, {"Error: Error loading Image"}, {}},
    {"Converts",
     {"pic.bmp"},
     {{"pic.bmp", sheet, false}},
     {},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", font, false}}},
    {"NameWithBlanks",
     {"my glyph sheet.bmp"},
     {{"my glyph sheet.bmp", sheet, false}},
     {},
     {{"my glyph sheet.bmp", sheet, false}, {"my glyph sheet.bmp.fnt", font, false}}},
    {"NonAsciiName",
     {"Zeichensätze Ærø ĳ 字形.bmp"},
     {{"Zeichensätze Ærø ĳ 字形.bmp", sheet, false}},
     {},
     {{"Zeichensätze Ærø ĳ 字形.bmp", sheet, false},
      {"Zeichensätze Ærø ĳ 字形.bmp.fnt", font, false}}},
    {"MissingNonAsciiName", {"ëxtra.bmp"}, {}, {"Error: Error loading Imageëxtra.bmp"}, {}},
    {"DirectoryPart",
     {"sub dir/pic.bmp"},
     {{"sub dir/pic.bmp", sheet, false}},
     {},
     {{"sub dir/pic.bmp", sheet, false}, {"sub dir/pic.bmp.fnt", font, false}}},
    {"AbsoluteName",
     {"{dir}/pic.bmp"},
     {{"pic.bmp", sheet, false}},
     {},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", font, false}}},
    {"FurtherParametersIgnored",
     {"pic.bmp", "other.bmp", "missing.bmp"},
     {{"pic.bmp", sheet, false}, {"other.bmp", sheet, false}},
     {},
     {{"other.bmp", sheet, false}, {"pic.bmp", sheet, false}, {"pic.bmp.fnt", font, false}}},
    {"LongerOutputReplaced",
     {"pic.bmp"},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", junk, false}},
     {},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", font, false}}},
    {"OutputNameIsADirectory",
     {"pic.bmp"},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt/kept", junk, false}},
     {"Error: Error writing file!"},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt/kept", junk, false}}},
    {"ReadOnlyOutputKept",
     {"pic.bmp"},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", junk, true}},
     {"Error: Error writing file!"},
     {{"pic.bmp", sheet, false}, {"pic.bmp.fnt", junk, true}}},
};

Bytes contentOf(Content content) {
    switch (content) {
    case sheet: return readBytes(sourceFile("examples/dejavu-mono.bmp"));
    case font: return readBytes(sourceFile("examples/dejavu-mono.expected.fnt"));
    case junk: return Bytes(20000, 0x5A);
    case notAPicture: break;
    }
    std::string text = "BM, but only in name\n";
    return Bytes(text.begin(), text.end());
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Program : public ::testing::TestWithParam<Case> {};

TEST_P(Program, ShowsMessagesAndLeavesFiles) {
    const Case& c = GetParam();
    ASSERT_EQ(contentOf(font).size(), 8192u);
    fs::path dir = freshDirectory(c.name);
    for (const File& file : c.before) {
        writeBytes(dir / u8(file.name), contentOf(file.content));
        if (file.readOnly) setReadOnly(dir / u8(file.name), true);
#ifdef _WIN32
        // Wine run as root writes to read-only files all the same; there
        // is nothing to test then.
        HANDLE probe = CreateFileW((dir / u8(file.name)).wstring().c_str(), GENERIC_WRITE, 0, NULL,
                                   OPEN_EXISTING, 0, NULL);
        if (file.readOnly && probe != INVALID_HANDLE_VALUE) {
            CloseHandle(probe);
            GTEST_SKIP() << "this platform lets the process write to a read-only file";
        }
        if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
#endif
    }
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
        size_t at = argument.find("{dir}");
        if (at != std::string::npos) argument.replace(at, 5, dir.generic_u8string());
        arguments.push_back(argument);
    }

    ProgramRun run = runProgram(dir, arguments);

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, c.messages);
    EXPECT_TRUE(run.boxFaults.empty()) << run.boxFaults[0];
    std::vector<std::string> expectedNames;
    for (const File& file : c.after) expectedNames.push_back(file.name);
    std::sort(expectedNames.begin(), expectedNames.end());
    EXPECT_EQ(listFiles(dir), expectedNames);
    for (const File& file : c.after)
        EXPECT_TRUE(readBytes(dir / u8(file.name)) == contentOf(file.content)) << file.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Program, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return info.param.name;
                         });

}  // namespace
