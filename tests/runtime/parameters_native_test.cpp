// Program parameters natively: the splitting table, the cursor, and argv
// turned into a command line that gives every argument back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parameter_cases.h"
#include "platform/native/kernel/kernel_services.h"
#include "support/native_fakes.h"
#include "runtime/parameters.h"
#include "runtime/runtime.h"

namespace {

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { startRuntime(nullptr); }
    void TearDown() override { stopRuntime(); }
    void use(const char16_t* line) { nativeSetCommandLine(reinterpret_cast<const WCHAR*>(line)); }
    std::u16string at(int32_t index) {
        return std::u16string(reinterpret_cast<const char16_t*>(parameterAt(index)));
    }
};

TEST_F(Parameters, SplittingTable) {
    for (const parametercases::Case& c : parametercases::cases()) {
        std::u16string line = parametercases::lineOf(c);
        use(line.c_str());
        EXPECT_EQ(parametercases::report(), parametercases::expectedReport(c)) << c.line;
    }
}

TEST_F(Parameters, CursorSteps) {
    use(u"celpack x y");
    EXPECT_EQ(at(0), u"x");
    EXPECT_EQ(at(-1), u"y");
    EXPECT_EQ(countParameters(), 2) << "counting leaves the cursor alone";
    EXPECT_EQ(at(-1), u"");
    EXPECT_EQ(parameterCursor(), 2);

    EXPECT_EQ(at(5), u"");
    EXPECT_EQ(parameterCursor(), 5);
    EXPECT_EQ(at(-1), u"");
    EXPECT_EQ(parameterCursor(), 5);

    EXPECT_EQ(at(1), u"y");
    EXPECT_EQ(at(-7), u"");
    EXPECT_EQ(parameterCursor(), 2);

    use(u"celpack \"\" z");
    EXPECT_EQ(at(0), u"");
    EXPECT_EQ(parameterCursor(), 1) << "an empty parameter is still found";
    EXPECT_EQ(at(-1), u"z");
}

TEST_F(Parameters, TheLineIsReadAfreshOnEveryCall) {
    use(u"celpack one");
    EXPECT_EQ(countParameters(), 1);
    use(u"celpack one two three");
    EXPECT_EQ(countParameters(), 3);
    EXPECT_EQ(at(2), u"three");
}

// The command line built from argv gives each argument back.
TEST_F(Parameters, ArgumentsComeBackUnchanged) {
    const std::vector<std::vector<std::string>> argvs = {
        {"/usr/bin/celpack", "pic.bmp"},
        {"./my tools/celpack", "my pic.bmp"},
        {"celpack", ""},
        {"celpack", "", "b"},
        {"celpack", "  lead and trail  "},
        {"celpack", "tab\there"},
        {"celpack", "a\"b", "c\""},  // inner quotes without blanks stay
        {"celpack", "back\\slash\\"},
        {"celpack", "\xFF\xFE.bmp", "caf\xC3\xA9"},
        {"celpack"},
    };
    for (const auto& arguments : argvs) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        nativeSetArguments(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(countParameters(), static_cast<int32_t>(arguments.size()) - 1) << arguments[0];
        for (size_t i = 1; i < arguments.size(); ++i)
            EXPECT_EQ(at(static_cast<int32_t>(i - 1)),
                      native::utf16FromBytes(arguments[i].data(), arguments[i].size()))
                << arguments[i];
    }
}

// What the splitting rules cannot carry: a quote in an argument that has
// to be quoted ends the token there, and a leading quote is taken as an
// opening one.
TEST_F(Parameters, ArgumentsTheRulesCannotCarry) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::u16string> parameters;
    };
    const Case cases[] = {
        {{"celpack", "my \"best\" font.bmp"}, {u"my ", u"best\"", u"font.bmp\""}},
        {{"celpack", "\"quoted\"", "x"}, {u"quoted", u"x"}},
        {{"celpack", "\"open"}, {u"open"}},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const std::string& argument : c.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        nativeSetArguments(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(countParameters(), static_cast<int32_t>(c.parameters.size())) << c.arguments[1];
        for (size_t i = 0; i < c.parameters.size(); ++i)
            EXPECT_EQ(at(static_cast<int32_t>(i)), c.parameters[i]);
    }
}

}  // namespace
