// qarvex built as installed: the permission list, the log and the debug files
// in folders of their own (here under the build folder), and relative paths
// still taken from the folder of the executable. One test only, as every run
// of this program shares those folders.
#include "QarvexHarness.h"

namespace {

class InstalledLayout : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        fs::remove(program());
        fs::copy_file(QARVEX_LAYOUT_BINARY, program());
        fs::remove_all(places);
        for (const char* folder : {"etc", "log", "state"}) fs::create_directories(places / folder);
    }
    void TearDown() override { fs::remove_all(places); }

    std::vector<std::string> namesIn(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    const fs::path places = QARVEX_LAYOUT_PLACES;
};

} // namespace

TEST_F(InstalledLayout, KeepsItsFilesInTheirFoldersAndTakesRelativePathsFromTheProgramFolder) {
    RunResult version = Run({"--version"});
    EXPECT_EQ(version.out, "qarvex " QARVEX_VERSION "\n"
                           "Permission list  " + (places / "etc/OkFile.Txt").string() + "\n"
                           "Settings         " + (places / "etc/qarvex.conf").string() + "\n"
                           "Session log      " + (places / "log/QARVEX.Log").string() + "\n"
                           "Debug files      " + (places / "state/DebugNNN.Txt").string() + "\n"
                           "Caller counts    " + (places / "state/qarvex.counts").string() + "\n"
                           "Relative paths   from the folder of the executable\n");

    // A relative folder is the program folder's; the places are never served.
    WriteFile(bin() / "pub" / "nodelist.zip", "Demo archive\n");
    WriteFile(places / "etc" / "OkFile.Txt", "pub/\n" + (places / "etc").string() + "/\n" +
                                                 (places / "state").string() + "/*\n");
    RunResult test = Run({"TEST"}, "\n");
    EXPECT_EQ(test.status, 0) << test.out;
    for (const char* folder : {"etc", "state"}) {
        SCOPED_TRACE(folder);
        std::string refused = "Line " + (places / folder).string() + "/";
        EXPECT_NE(test.out.find(refused), std::string::npos) << test.out;
    }
    EXPECT_EQ(test.out.find("pub"), std::string::npos) << test.out;

    // A relative SRIF, request and response list are the program folder's too,
    // and the mailer is told the granted file by its full path.
    WriteFile(bin() / "in.srif", "Sysop Test Requester\nAKA 2:5020/1\nRequestList in.req\nResponseList out.rsp\n");
    WriteFile(bin() / "in.req", "nodelist.zip !SECRET\r\n");
    RunResult session = Run({"SRIF", "2:5020/9999", "in.srif"});
    EXPECT_EQ(session.status, 0) << session.out;
    std::vector<std::string> response = Lines(ReadFile(bin() / "out.rsp"));
    ASSERT_EQ(response.size(), 2u);
    EXPECT_EQ(response[1], "+" + (bin() / "pub" / "nodelist.zip").string());
    EXPECT_FALSE(fs::exists(bin() / "in.req"));

    // A failed run keeps its trace in the state folder and names it in full.
    RunResult failed = Run({"SRIF", "2:5020/9999", "missing.srif"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(namesIn(places / "state"), std::vector<std::string>{"Debug001.Txt"});
    EXPECT_NE(failed.out.find("See " + (places / "state" / "Debug001.Txt").string()), std::string::npos) << failed.out;

    // Nothing but the program's own inputs and outputs lands beside it.
    EXPECT_EQ(namesIn(places / "log"), std::vector<std::string>{"QARVEX.Log"});
    EXPECT_FALSE(fs::exists(bin() / "QARVEX.Log"));
    EXPECT_TRUE(DebugFiles().empty());
}
