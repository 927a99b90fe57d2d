// qarvex --check: the permission list checked as serving reads it, one
// numbered finding a line, the status telling a script whether it holds an error.
#include <grp.h>

#include <regex>

#include "QarvexHarness.h"

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class ConfigCheck : public QarvexFolder {
protected:
    void SetUp() override {
        QarvexFolder::SetUp();
        WriteFile(root() / "pub" / "a.zip", "x");
    }
    // "{F}" stands for the scratch root, "{L}" for the list's full path.
    std::string expand(const std::string& text) const {
        return replaceAll(replaceAll(text, "{F}", root().string()), "{L}", (bin() / "OkFile.Txt").string());
    }
    void writeList(const std::string& text, fs::perms mode = fs::perms(0600)) {
        WriteFile(bin() / "OkFile.Txt", expand(text));
        fs::permissions(bin() / "OkFile.Txt", mode);
    }
};

} // namespace

TEST_F(ConfigCheck, NamesEachFindingByLineAndFailsOnlyOnErrors) {
    struct Row {
        const char* list;
        int status;
        std::vector<const char*> findings;  // each must appear, "{L}" and "{F}" expanded
    };
    const Row rows[] = {
        {"; the area\n\n{F}/pub/\n", 0,
         {"{L}:3: warning: folder '{F}/pub' lies under /tmp", "{L}: 0 errors, 1 warning\n"}},
        {"\xEF\xBB\xBF{F}/pub/*.zip\n", 0, {"{L}: 0 errors, 1 warning\n"}},
        // Serving takes the last path token: the first one is not what is served.
        {"{F}/pub/ {F}/secret/\n", 1,
         {"{L}:1: error: 2 path tokens: only the last one, '{F}/secret/', is served\n",
          "{L}:1: error: folder '{F}/secret' does not exist\n", "{L}: 2 errors, 0 warnings\n"}},
        {"{F}/pub/ secret\n", 1, {"{L}:1: error: 2 path tokens: only the last one, 'secret', is served; a password needs its '!'\n"}},
        {"{F}/pub/ !\n", 1, {"{L}:1: error: the password token '!' is empty\n"}},
        {"{F}/pub/ +upd\n", 1, {"{L}:1: error: the last token '+upd' starts with '+': the line grants nothing\n"}},
        {"$ {F}/pub/\n", 0, {"{L}:1: warning: token '$' asks for a function that is not supported; it is ignored\n"}},
        {"@FILES\n", 1, {"{L}:1: error: no folder or mask: the line names the program's folder"}},
        {"{F}/bin/*.zip\n", 1, {"{L}:1: error: folder '{F}/bin/' is the program's own or holds its files"}},
        {"{F}/pub/a.zip/\n", 1, {"{L}:1: error: '{F}/pub/a.zip' is not a folder\n"}},
        {"{F}/pub/*.arj\n", 0, {"{L}:1: warning: no file in '{F}/pub' fits the mask '*.arj'\n"}},
        {"; nothing but a note\n", 0, {"{L}: warning: holds no entry: no file can be requested\n"}},
        {"", 1, {"{L}: error: the list is empty\n", "{L}: 1 error, 0 warnings\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        writeList(row.list);
        RunResult run = Run({"--check"});
        EXPECT_EQ(run.status, row.status) << run.out;
        for (const char* finding : row.findings) EXPECT_NE(run.out.find(expand(finding)), std::string::npos) << run.out;
        // A check writes nothing: no log, no debug file.
        EXPECT_FALSE(fs::exists(bin() / "QARVEX.Log"));
        EXPECT_TRUE(DebugFiles().empty());
    }
}

TEST_F(ConfigCheck, AListOthersCanReadOrNoListAtAll) {
    writeList("{F}/pub/\n", fs::perms(0644));
    RunResult run = Run({"--check"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(expand("{L}: warning: readable by every user of this system, though it holds passwords")),
              std::string::npos)
        << run.out;
    fs::remove(bin() / "OkFile.Txt");
    run = Run({"--check"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, expand("{L}: error: No such file or directory\n{L}: 1 error, 0 warnings\n"));
}

// What the mailer's user may read is what counts: as another user, a folder
// it cannot open gives the system's reason, in --check and in TEST alike.
TEST_F(ConfigCheck, AFolderTheUserCannotReadGivesTheSystemsReason) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the check as another user";
    constexpr uid_t kNobody = 65534;
    fs::create_directories(root() / "locked");
    WriteFile(root() / "locked" / "a.zip", "x");
    fs::permissions(root() / "locked", fs::perms(0700));
    fs::permissions(root(), fs::perms(0755));
    writeList("{F}/locked/\n{F}/pub/\n");
    ASSERT_EQ(chown(bin().c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown((bin() / "OkFile.Txt").c_str(), kNobody, kNobody), 0);
    auto asNobody = [] {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(125);
    };
    RunResult check = Run({"--check"}, "", {}, asNobody);
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.out.find(expand("{L}:1: error: folder '{F}/locked' cannot be read: Permission denied\n")),
              std::string::npos)
        << check.out;
    RunResult test = Run({"TEST"}, "\n", {}, asNobody);
    EXPECT_EQ(test.status, 0);
    EXPECT_NE(test.out.find(expand("Path {F}/locked: Permission denied\n")), std::string::npos) << test.out;
    EXPECT_EQ(test.out.find("Not Found"), std::string::npos) << test.out;
}

// The example list the package installs grants nothing; its example lines,
// once a sysop takes their ";" away, are well formed: their only errors are
// folders this machine does not have.
TEST_F(ConfigCheck, TheExampleListHoldsNoFaultButItsFolders) {
    std::string example = ReadFile(fs::path(QARVEX_SOURCE_DIR) / "examples/OkFile.Txt");
    WriteFile(bin() / "OkFile.Txt", std::regex_replace(example, std::regex("^;([/@])", std::regex::multiline), "$1"));
    fs::permissions(bin() / "OkFile.Txt", fs::perms(0640));
    RunResult run = Run({"--check"});
    EXPECT_EQ(run.status, 1);
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_TRUE(lines[i].ends_with("' does not exist")) << lines[i];
    EXPECT_TRUE(lines.back().ends_with(": 4 errors, 0 warnings")) << run.out;
}

// The settings file is checked after the list, with its own findings and
// summary; an error there fails the check even when the list holds none.
TEST_F(ConfigCheck, TheSettingsFileHasFindingsOfItsOwn) {
    struct Row {
        std::string settings;
        int status;
        const char* tail;  // the output after the list's summary, "{S}" the settings file's path
    };
    const Row rows[] = {
        {"MaxFiles 20\n", 0, "{S}: 0 errors, 0 warnings\n"},
        {"; nothing set\nMaxbytes 2000000\n", 0, "{S}: 0 errors, 0 warnings\n"},
        {"MaxFiles twenty\nColour blue\n", 1,
         "{S}:1: error: MaxFiles needs a whole number from 0, not 'twenty'\n"
         "{S}:2: error: unknown setting 'Colour'\n{S}: 2 errors, 0 warnings\n"},
        {"Area {F}/pub/ Listed\nArea {F}/other Listed\n", 1,
         "{S}:2: error: no entry of the permission list names the folder '{F}/other' of this Area\n"
         "{S}: 1 error, 0 warnings\n"},
        {std::string(9000, 'x') + "\nMaxFiles 1\n", 1,
         "{S}:1: error: line longer than 8192 bytes\n{S}: 1 error, 0 warnings\n"},
    };
    writeList("{F}/pub/\n", fs::perms(0600));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings.substr(0, 40));
        WriteFile(bin() / "qarvex.conf", expand(row.settings));
        RunResult run = Run({"--check"});
        EXPECT_EQ(run.status, row.status) << run.out;
        std::string summary = expand("{L}: 0 errors, 1 warning\n");
        ASSERT_NE(run.out.find(summary), std::string::npos) << run.out;
        EXPECT_EQ(run.out.substr(run.out.find(summary) + summary.size()),
                  replaceAll(expand(row.tail), "{S}", (bin() / "qarvex.conf").string()));
    }
}

// The example settings the package installs set nothing as shipped; with its
// ";" taken away, its only faults are the Area folders this list lacks.
TEST_F(ConfigCheck, TheExampleSettingsSetNothingUntilUncommented) {
    std::string example = ReadFile(fs::path(QARVEX_SOURCE_DIR) / "examples/qarvex.conf");
    writeList("{F}/pub/\n");
    const std::string settings = (bin() / "qarvex.conf").string();
    for (bool uncommented : {false, true}) {
        SCOPED_TRACE(uncommented);
        WriteFile(bin() / "qarvex.conf",
                  uncommented ? std::regex_replace(example, std::regex("^;([A-Za-z])", std::regex::multiline), "$1")
                              : example);
        RunResult run = Run({"--check"});
        std::string tail = run.out.substr(run.out.find(expand("{L}: 0 errors, 1 warning\n")));
        std::vector<std::string> lines = Lines(tail);
        ASSERT_EQ(lines.size(), uncommented ? 4u : 2u) << run.out;
        for (size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_TRUE(lines[i].ends_with("' of this Area")) << lines[i];
        EXPECT_EQ(lines.back(), settings + (uncommented ? ": 2 errors, 0 warnings" : ": 0 errors, 0 warnings"));
    }
}
