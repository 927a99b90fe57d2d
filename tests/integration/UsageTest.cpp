#include "QarvexHarness.h"

namespace {

class Usage : public QarvexFolder {};

} // namespace

TEST_F(Usage, InformationalOptionsPrintAndLeaveNoFile) {
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string outStart;
        std::string outEnd;
        bool leavesDebugFile;
    };
    const Row rows[] = {
        {{"--help"}, 0, "Usage: qarvex SRIF <own-address> <srif-file>\n", "executable's folder.\n", false},
        {{"-h"}, 0, "Usage: qarvex SRIF", "\n", false},
        {{"--version"}, 0, "qarvex " QARVEX_VERSION "\n", "\n", false},
        // The check writes nothing, not even when there is no list to check.
        {{"--check"}, 1, (bin() / "OkFile.Txt").string() + ": error: No such file or directory\n", ": 1 error, 0 warnings\n", false},
        {{}, 1, "   Not enough command line arguments supplied\n", "\n   Run \"qarvex --help\" for the usage.\n", true},
        // Only a lone option is one: anything more is an ordinary run.
        {{"--help", "TEST"}, 1, ">> Starting File Request Processing (--help Mode)\n", " For more information\n", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.empty() ? "(none)" : row.args[0] + " " + std::to_string(row.args.size()));
        RunResult run = Run(row.args);
        EXPECT_EQ(run.status, row.status);
        EXPECT_TRUE(run.out.starts_with(row.outStart)) << run.out;
        EXPECT_TRUE(run.out.ends_with(row.outEnd)) << run.out;
        EXPECT_EQ(run.err, "");
        size_t files = std::distance(fs::directory_iterator(bin()), fs::directory_iterator());
        EXPECT_EQ(files > 1, row.leavesDebugFile);
        for (const auto& entry : fs::directory_iterator(bin()))
            if (entry.path() != program()) fs::remove(entry.path());
    }
}

// The image host answers as qarvex does, and runs nothing: no image is looked
// for in the working folder, and no file is left there.
TEST_F(Usage, TheImageHostAnswersItsInformationalOptions) {
    const std::pair<const char*, const char*> rows[] = {
        {"--help", "Usage: imagehost [argument ...]\n"},
        {"-h", "Usage: imagehost [argument ...]\n"},
        {"--version", "imagehost " QARVEX_VERSION "\n"},
    };
    for (const auto& [option, outStart] : rows) {
        SCOPED_TRACE(option);
        RunResult run = RunThroughShell(IMAGEHOST_BINARY, std::string(option) + " </dev/null");
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.starts_with(outStart)) << run.out;
        EXPECT_EQ(run.out.find("ssert"), std::string::npos) << run.out;
    }
}
