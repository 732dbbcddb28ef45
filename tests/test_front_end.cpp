#include "app/front_end.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    FrontEndResult result;
    FrontEndOptions options;
    std::string commandLine;
    std::string error;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "cellrune");
    Parsed p;
    p.result =
        parseFrontEnd(static_cast<int>(args.size()), args.data(), &p.options, &p.commandLine, &p.error);
    return p;
}

TEST(FrontEnd, JoinsShowTokensWithSingleSpaces) {
    Parsed p = parse({"mode", "3", "gamma", "2.2"});
    EXPECT_EQ(p.result, FrontEndResult::kRun);
    EXPECT_EQ(p.commandLine, "mode 3 gamma 2.2");
    EXPECT_EQ(parse({}).commandLine, "");
}

TEST(FrontEnd, OptionsAreTakenOutWhereverTheyStand) {
    Parsed p = parse({"--version", "mode", "--help", "5"});
    EXPECT_EQ(p.result, FrontEndResult::kHelp); // help wins over version
    EXPECT_TRUE(p.options.version);
    EXPECT_EQ(p.commandLine, "mode 5");
    EXPECT_EQ(parse({"pos", "4", "--version"}).result, FrontEndResult::kVersion);
}

TEST(FrontEnd, SingleDashAndNegativeNumbersBelongToTheShow) {
    Parsed p = parse({"pos", "-3", "-x"});
    EXPECT_EQ(p.result, FrontEndResult::kRun);
    EXPECT_EQ(p.commandLine, "pos -3 -x");
}

TEST(FrontEnd, EmptyTokensKeepTheirSeparators) {
    // Joining keeps what the shell passed: an empty first token makes a leading space.
    EXPECT_EQ(parse({"", "mode", "2"}).commandLine, " mode 2");
}

TEST(FrontEnd, UnknownOptionIsAnError) {
    Parsed p = parse({"mode", "1", "--colour"});
    EXPECT_EQ(p.result, FrontEndResult::kError);
    EXPECT_NE(p.error.find("--colour"), std::string::npos);
    EXPECT_EQ(parse({"--"}).result, FrontEndResult::kError);
    EXPECT_EQ(parse({"--help=yes"}).result, FrontEndResult::kError);
}

TEST(FrontEnd, ChoiceOptionsInBothFormsAndTheirMistakes) {
    struct Case {
        std::vector<const char*> args;
        TerminalColours colours;
        CellWidthChoice cells;
        const char* error; // empty: accepted
    } cases[] = {
        {{"--colors", "24", "mode", "1"}, TerminalColours::kTwentyFour, CellWidthChoice::kAuto, ""},
        {{"--colors=palette", "--cells=2"}, TerminalColours::kPalette, CellWidthChoice::kTwo, ""},
        {{"--cells", "1", "--colors", "16"}, TerminalColours::kSixteen, CellWidthChoice::kOne, ""},
        {{"--cells", "2", "--cells", "auto"}, TerminalColours::kDetect, CellWidthChoice::kAuto, ""},
        {{"--colors", "256"}, {}, {}, "--colors takes 16, 24 or palette, not '256'"},
        {{"--cells=3"}, {}, {}, "--cells takes auto, 1 or 2, not '3'"},
        {{"--cells"}, {}, {}, "--cells takes auto, 1 or 2, not ''"},
        {{"--cellsize", "2"}, {}, {}, "unknown option '--cellsize' (try --help)"},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.args);
        if (*c.error) {
            EXPECT_EQ(p.result, FrontEndResult::kError) << c.error;
            EXPECT_EQ(p.error, c.error);
            continue;
        }
        EXPECT_EQ(p.result, FrontEndResult::kRun) << p.error;
        EXPECT_EQ(p.options.colours, c.colours) << c.args[0];
        EXPECT_EQ(p.options.cells, c.cells) << c.args[0];
    }
    EXPECT_EQ(parse({"--colors", "24", "mode", "1"}).commandLine, "mode 1"); // the value is the option's
}

TEST(FrontEnd, UsageNamesEveryKeywordKeyAndOption) {
    std::string usage = usageText();
    for (const char* word :
         {"mode", "gamma", "pos", "full", "vemo", "default 1.0", "Esc", "--help", "--version"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

} // namespace
