// qarvex TEST: the permission list checked as a sysop runs it.
#include "QarvexHarness.h"

namespace {

class TestMode : public QarvexFolder {
protected:
    std::string folder(const std::string& name) { return (root() / name).string(); }
};

} // namespace

TEST_F(TestMode, ReportsNoErrorsForAGoodListAndLogsTwoRunsWithSeparators) {
    WriteFile(root() / "pub" / "a.zip", "x");
    fs::create_directories(root() / "pub" / "sub");
    WriteFile(bin() / "OkFile.Txt", "; comment only\n   \n" + folder("pub") + "/*.ZIP ; any case\n@FILES !pw " +
                                        folder("pub") + "/a.zip\n" + folder("pub") + "/\n");
    fs::permissions(bin() / "OkFile.Txt", fs::perms(0640));  // its passwords kept from other users
    for (int run = 0; run < 2; ++run) {
        RunResult result = Run({"test"}, "\n");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, ">> Starting File Request Processing (test Mode)\nTesting OkFile.Txt entries\n"
                              "No Errors\n\r\nHit Enter");
    }
    std::vector<std::string> log = Lines(ReadFile(bin() / "QARVEX.Log"));
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[1], " ");
    EXPECT_EQ(log[5], " ");
    for (size_t i : {2u, 6u}) EXPECT_NE(log[i].find(" FREQ Test Mode - Checking OkFile.Txt"), std::string::npos);
    for (size_t i : {3u, 7u}) EXPECT_NE(log[i].find(" FREQ No Errors"), std::string::npos);
    for (size_t i : {4u, 8u}) EXPECT_NE(log[i].find(" FREQ End"), std::string::npos);
    EXPECT_TRUE(DebugFiles().empty());
}

TEST_F(TestMode, CountsEachBrokenEntryAndStillEndsWell) {
    fs::create_directories(root() / "onlysub" / "inner");
    WriteFile(root() / "pub" / "a.txt", "x");
    std::string text = folder("gone") + "/*.zip\n" + folder("gone") + "/\n" + folder("onlysub") + "/\n" +
                       folder("pub") + "/*.zip\n$ " + folder("pub") + "/a.txt\n";
    WriteFile(bin() / "OkFile.Txt", text);
    fs::permissions(bin() / "OkFile.Txt", fs::perms(0640));
    RunResult result = Run({"TEST"}, "\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, ">> Starting File Request Processing (TEST Mode)\nTesting OkFile.Txt entries\n"
                          "Path " + folder("gone") + " Not Found\n"
                          "Path " + folder("gone") + " Not Found\n"
                          "File " + folder("onlysub") + "/* Not Found\n"
                          "File " + folder("pub") + "/*.zip Not Found\n"
                          "$ Function Requests Not Supported\n"
                          // the whole "$" line is the entry: its last "/" splits it
                          "Path $ " + folder("pub") + " Not Found\n"
                          "\r\nHit Enter");
    EXPECT_NE(ReadFile(bin() / "QARVEX.Log").find(" FREQ Found 5 Errors\n"), std::string::npos);
}

TEST_F(TestMode, AMissingListIsAnErrorExit) {
    RunResult result = Run({"TEST"}, "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, ">> Starting File Request Processing (TEST Mode)\nOkFile.Txt Not Found\n   Unable to open " +
                              (bin() / "OkFile.Txt").string() + ": No such file or directory\n\r\nHit Enter"
                              ">> Error Exit.  See Debug001.Txt For more information\n");
    EXPECT_EQ(DebugFiles(), std::vector<std::string>{"Debug001.Txt"});
}

TEST_F(TestMode, FindsItsListBesideTheProgramWhateverTheWorkingFolder) {
    WriteFile(root() / "pub" / "a.zip", "x");
    WriteFile(bin() / "OkFile.Txt", folder("pub") + "/\n");
    fs::create_directories(root() / "elsewhere");
    WriteFile(root() / "elsewhere" / "OkFile.Txt", "/nonexistent/\n");
    RunResult result = Run({"TEST"}, "\n", root() / "elsewhere");
    EXPECT_NE(result.out.find("No Errors"), std::string::npos) << result.out;
    // Written with the usual umask, every user may read the list and its passwords.
    EXPECT_NE(result.out.find("\nWarning: OkFile.Txt Is Readable by Every User, and It Holds Passwords\n"),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(fs::exists(bin() / "QARVEX.Log"));
    EXPECT_FALSE(fs::exists(root() / "elsewhere" / "QARVEX.Log"));
}

TEST_F(TestMode, ATerminationSignalEndsTheProcessWithStatusZero) {
    WriteFile(root() / "pub" / "a.zip", "x");
    WriteFile(bin() / "OkFile.Txt", folder("pub") + "/\n");
    int input[2], output[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(pipe(output), 0);
    pid_t child = fork();
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        close(input[1]);
        close(output[0]);
        ExecProgram(program(), {"TEST"});
    }
    close(input[0]);
    close(output[1]);
    // Wait until it asks for Enter, then stop it as a shutdown would.
    std::string seen;
    char buffer[256];
    while (seen.find("Hit Enter") == std::string::npos) {
        ssize_t n = read(output[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0) << seen;
        seen.append(buffer, size_t(n));
    }
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    close(input[1]);
    close(output[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(TestMode, DebugFileNumbersGrowADigitPast999) {
    // Every three-digit name is taken, the last one by a folder: the run still
    // gets a debug file of its own, and keeps it when it fails.
    for (int n = 1; n <= 998; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "Debug%03d.Txt", n);
        WriteFile(bin() / name, "kept");
    }
    fs::create_directories(bin() / "Debug999.Txt");
    RunResult result = Run({"TEST"}, "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(">> Error Exit.  See Debug1000.Txt For more information\n"), std::string::npos)
        << result.out;
    EXPECT_NE(ReadFile(bin() / "Debug1000.Txt").find("OkFile.Txt Not Found"), std::string::npos);
    EXPECT_EQ(ReadFile(bin() / "Debug998.Txt"), "kept");
}
