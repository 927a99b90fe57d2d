#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Common/FileTestSupport.h"
#include "Common/DateCommon.h"
#include "Common/FolderItem.h"
#include "Common/exceptions.h"

namespace {

using rt::FolderItem;
using rt::String;

std::string text(const String& s) { return s.str(); }

// Names in the order readdir gives them, without "." and "..".
std::vector<std::string> directoryOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(d);
    return names;
}

// Changes the working directory for the life of the guard.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const char* to) : saved_(getcwd(nullptr, 0)) { EXPECT_EQ(chdir(to), 0); }
    ~WorkingDirectory() {
        EXPECT_EQ(chdir(saved_), 0);
        free(saved_);
    }

private:
    char* saved_;
};

class FolderItemTest : public FileTest {};

} // namespace

TEST_F(FolderItemTest, RelativePathsResolveInTheApplicationFolderWhateverTheWorkingDirectory) {
    WorkingDirectory elsewhere("/");
    EXPECT_EQ(text(FolderItem::at("OkFile.Txt").absolutePath()), path("OkFile.Txt"));
    EXPECT_EQ(text(FolderItem::at("").absolutePath()), root() + "/");
    EXPECT_EQ(text(FolderItem::at("/tmp/x").absolutePath()), "/tmp/x");
}

TEST_F(FolderItemTest, ApplicationFolderComesFromARelativeExecutablePathAgainstTheWorkingDirectory) {
    std::filesystem::create_directory(path("bin"));
    {
        WorkingDirectory inside(root().c_str());
        RuntimeSetExecutablePath("bin/qarvex");
    }
    EXPECT_EQ(text(FolderItem::at("OkFile.Txt").absolutePath()), path("bin/OkFile.Txt"));
}

TEST_F(FolderItemTest, FolderPathsEndWithASlashAndNamesDoNot) {
    std::filesystem::create_directory(path("sub"));
    FolderItem folder = FolderItem::at(String(path("sub")));
    EXPECT_EQ(text(folder.absolutePath()), path("sub/"));
    EXPECT_EQ(text(folder.name()), "sub");
    EXPECT_TRUE(folder.directory());
    FolderItem top = FolderItem::at("/");
    EXPECT_EQ(text(top.name()), "/");
    EXPECT_FALSE(top.parent());
    EXPECT_EQ(text(folder.parent().absolutePath()), root() + "/");
    EXPECT_EQ(text(FolderItem::at("/tmp").parent().absolutePath()), "/");
}

TEST_F(FolderItemTest, MissingFileAnswersFalseAndZeroWithENOENT) {
    FolderItem missing = FolderItem::at(String(path("missing.txt")));
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.lastErrorCode(), ENOENT);
    EXPECT_FALSE(missing.directory());
    EXPECT_EQ(missing.length(), 0);
    EXPECT_TRUE(missing.isReadable());
    EXPECT_EQ(missing.count(), 0);
    EXPECT_FALSE(missing.item(1));
}

TEST_F(FolderItemTest, InvalidPathsGiveNil) {
    writeFile("plain", "x");
    const std::string rows[] = {path("plain/below"), std::string("/tmp/a\0b", 8)};
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(FolderItem::at(String::fromBytes(row, kEncodingUTF8)));
    }
    EXPECT_FALSE(FolderItem::at("x", FolderItemPathType(7)));
}

TEST_F(FolderItemTest, PathsInOtherEncodingsAreTakenAsUTF8) {
    FolderItem item = FolderItem::at(String::fromBytes(path("caf\xE9"), 0x201));  // ISO Latin 1
    EXPECT_EQ(text(item.absolutePath()), path("caf\xC3\xA9"));
}

TEST_F(FolderItemTest, ShellPathsMustBeAbsolute) {
    EXPECT_EQ(text(FolderItem::at("/tmp/x", kShellPath).absolutePath()), "/tmp/x");
    try {
        (void)FolderItem::at("relative", kShellPath);
        ADD_FAILURE() << "no exception";
    } catch (const rt::RaisedException& e) {
        EXPECT_EQ(String::retain(e.message()).str(), "Passing non-absolute shell paths is not currently supported");
    }
    EXPECT_EQ(text(FolderItem::at("file:///tmp/a%20b", kURLPath).absolutePath()), "/tmp/a b");
}

TEST_F(FolderItemTest, PathConstructorRaisesOnAnInvalidPath) {
    rt::Ref<> item = rt::Ref<>::adopt(RuntimeNewObject(RuntimeFolderItemClass()));
    FolderItemPathCtor(item.get(), String(path("f")).get(), kNativePath);
    EXPECT_EQ(text(String::adopt(fileAbsolutePathGetter(item.get()))), path("f"));
    try {
        FolderItemPathCtor(item.get(), String::fromBytes(std::string("a\0", 2), kEncodingUTF8).get(), kNativePath);
        ADD_FAILURE() << "no exception";
    } catch (const rt::RaisedException& e) {
        EXPECT_EQ(String::retain(e.message()).str(), "The path passed into new FolderItem was invalid");
    }
    rt::Ref<> copy = rt::Ref<>::adopt(RuntimeNewObject(RuntimeFolderItemClass()));
    FolderItemCopyCtor(copy.get(), item.get());
    FolderItemCreateAsFolder(copy.get());
    EXPECT_EQ(text(String::adopt(fileAbsolutePathGetter(copy.get()))), path("f/"));
    EXPECT_EQ(text(String::adopt(fileAbsolutePathGetter(item.get()))), path("f"));
}

TEST_F(FolderItemTest, ItemWithoutImplementationAnswersNothingAndReportsRequiredUse) {
    rt::Ref<> bare = rt::Ref<>::adopt(RuntimeNewObject(RuntimeFolderItemClass()));
    EXPECT_FALSE(fileExistsGetter(bare.get()));
    EXPECT_EQ(fileNameGetter(bare.get()), nullptr);
    EXPECT_EQ(fileSizeGetter(bare.get()), 0);
    EXPECT_EQ(folderParentGetter(bare.get()), nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(FolderItemDelete(bare.get()));
    EXPECT_EQ(FolderItemOpenTextFile(bare.get()), nullptr);
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("Failure Condition: entry->mImp"), std::string::npos) << report;
}

TEST_F(FolderItemTest, ItemsFollowDirectoryOrderAndEndsGiveNil) {
    for (const char* name : {"b", "a", "c", ".hidden"}) writeFile(name, "");
    std::filesystem::create_directory(path("d"));
    FolderItem folder = FolderItem::at(String(root()));
    std::vector<std::string> expected = directoryOrder(root());
    ASSERT_EQ(folder.count(), int32_t(expected.size()));
    EXPECT_FALSE(folder.item(0));
    EXPECT_FALSE(folder.item(folder.count() + 1));
    for (int32_t i = 1; i <= folder.count(); ++i) {
        SCOPED_TRACE(i);
        FolderItem entry = folder.item(i);
        EXPECT_EQ(text(entry.name()), expected[size_t(i - 1)]);
        EXPECT_EQ(entry.directory(), expected[size_t(i - 1)] == "d");
    }
}

TEST_F(FolderItemTest, ListingReflectsChangesMadeRightAfterItWasRead) {
    writeFile("one", "");
    FolderItem folder = FolderItem::at(String(root()));
    for (int round = 0; round < 3; ++round) {  // changes within one timestamp tick of the read
        SCOPED_TRACE(round);
        int32_t before = folder.count();
        writeFile("added" + std::to_string(round), "");
        EXPECT_EQ(folder.count(), before + 1);
        EXPECT_TRUE(folder.item(before + 1));
        std::filesystem::rename(path("added" + std::to_string(round)), path("renamed" + std::to_string(round)));
        std::vector<std::string> names;
        for (int32_t i = 1; i <= folder.count(); ++i) names.push_back(text(folder.item(i).name()));
        EXPECT_EQ(names, directoryOrder(root()));
    }
    std::filesystem::remove(path("one"));
    EXPECT_EQ(folder.count(), 3);
    // The folder replaced by another of the same name is read anew.
    std::filesystem::remove_all(root());
    std::filesystem::create_directory(root());
    EXPECT_EQ(folder.count(), 0);
}

TEST_F(FolderItemTest, EachWalkSeesTheFolderAsItWasWhenTheWalkStarted) {
    // Entries of a walk share the listing its Count checked; the next Count
    // checks again, however soon it comes, and an entry asked for ticks later
    // without a Count checks too.
    using Change = void (*)(const std::string& file);
    struct Row {
        const char* name;
        int pauseMs;  // 0: within one tick and the time-stamp margin; 70: beyond both
        Change change;
        int added;
    };
    const Change create = [](const std::string& file) { std::ofstream(file) << "x"; };
    const Change remove = [](const std::string& file) { std::filesystem::remove(file); };
    const Change rename = [](const std::string& file) { std::filesystem::rename(file, file + ".renamed"); };
    const Row rows[] = {
        {"created at once", 0, create, 1},   {"created later", 70, create, 1}, {"removed at once", 0, remove, -1},
        {"removed later", 70, remove, -1},   {"renamed at once", 0, rename, 0}, {"renamed later", 70, rename, 0},
    };
    FolderItem folder = FolderItem::at(String(root()));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string name = std::string("walk-") + row.name, file = path(name);
        if (row.added <= 0) writeFile(name, "x");
        int32_t before = folder.count();
        for (int32_t i = 1; i <= before; ++i) ASSERT_TRUE(folder.item(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(row.pauseMs));
        row.change(file);
        if (row.pauseMs > 0 && row.added > 0) {
            EXPECT_TRUE(folder.item(before + 1));
        }
        std::vector<std::string> names;
        int32_t count = folder.count();
        for (int32_t i = 1; i <= count; ++i) names.push_back(text(folder.item(i).name()));
        EXPECT_EQ(count, before + row.added);
        EXPECT_EQ(names, directoryOrder(root()));
    }
}

TEST_F(FolderItemTest, FinalLinksAreFollowedOnlyByTheFollowingForms) {
    writeFile("target.txt", "12345");
    std::filesystem::create_directory(path("dir"));
    ASSERT_EQ(symlink("target.txt", path("rel").c_str()), 0);       // relative to the link's folder
    ASSERT_EQ(symlink(path("rel").c_str(), path("chain").c_str()), 0);
    ASSERT_EQ(symlink("dir", path("dirlink").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", path("dangling").c_str()), 0);
    struct Row {
        const char* name;
        std::string followed;
        std::string kept;
    } rows[] = {
        {"rel", path("target.txt"), path("rel")},
        {"chain", path("target.txt"), path("chain")},
        {"dirlink", path("dirlink/"), path("dirlink/")},
        {"dangling", path("nowhere"), path("dangling")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(text(FolderItem::at(String(path(row.name))).absolutePath()), row.followed);
        FolderItem kept = FolderItem::trueAt(String(path(row.name)));
        EXPECT_EQ(text(kept.absolutePath()), row.kept);
        FolderItem folder = FolderItem::at(String(root()));
        EXPECT_EQ(text(folder.child(row.name).absolutePath()), row.followed);
        EXPECT_EQ(text(folder.trueChild(row.name).absolutePath()), row.kept);
    }
    EXPECT_TRUE(FolderItem::trueAt(String(path("rel"))).get() &&
                fileAliasGetter(FolderItem::trueAt(String(path("rel"))).get()));
    EXPECT_EQ(FolderItem::at(String(path("rel"))).length(), 5);
}

TEST_F(FolderItemTest, ChildNamesDotAndDotDotAndNeedsAnExistingFolder) {
    std::filesystem::create_directory(path("sub"));
    writeFile("file", "");
    FolderItem sub = FolderItem::at(String(path("sub")));
    EXPECT_EQ(text(sub.child(".").absolutePath()), path("sub/"));
    EXPECT_EQ(text(sub.child("..").absolutePath()), root() + "/");
    EXPECT_EQ(text(sub.child("new").absolutePath()), path("sub/new"));
    EXPECT_FALSE(FolderItem::at(String(path("file"))).child("x"));
    EXPECT_FALSE(FolderItem::at(String(path("none"))).child("x"));
}

TEST_F(FolderItemTest, DeleteAndCreateAsFolderReportErrno) {
    FolderItem folder = FolderItem::at(String(path("made")));
    folder.createAsFolder();
    EXPECT_EQ(text(folder.absolutePath()), path("made/"));
    EXPECT_TRUE(folder.directory());
    folder.createAsFolder();
    EXPECT_EQ(folder.lastErrorCode(), EEXIST);
    writeFile("made/inner", "x");
    EXPECT_FALSE(folder.remove());
    EXPECT_EQ(folder.lastErrorCode(), ENOTEMPTY);
    EXPECT_TRUE(folder.child("inner").remove());
    EXPECT_TRUE(folder.remove());
    EXPECT_FALSE(folder.exists());
    EXPECT_FALSE(folder.remove());
    EXPECT_EQ(folder.lastErrorCode(), ENOENT);
}

TEST_F(FolderItemTest, WriteabilityTestLeavesNoScratchFileBehind) {
    EXPECT_TRUE(FolderItem::at(String(path("missing"))).isWriteable());
    EXPECT_TRUE(FolderItem::at(String(root())).isWriteable());
    EXPECT_EQ(directoryOrder(root()), std::vector<std::string>{});
    // Nothing can be created under /proc, root or not.
    FolderItem refused = FolderItem::at("/proc/qarvex-none");
    EXPECT_FALSE(refused.isWriteable());
    EXPECT_TRUE(refused.locked());
    EXPECT_FALSE(refused.createTextFile());
    EXPECT_FALSE(refused.appendToTextFile());
    EXPECT_FALSE(refused.createBinaryFile());
}

TEST_F(FolderItemTest, StreamOpenersGiveNilWithTheFileError) {
    std::filesystem::create_directory(path("sub"));
    FolderItem folder = FolderItem::at(String(path("sub")));
    EXPECT_FALSE(folder.openAsTextFile());
    EXPECT_EQ(folder.lastErrorCode(), EISDIR);
    EXPECT_FALSE(folder.openAsBinaryFile(rt::BinaryAccess::ReadWrite));
    EXPECT_EQ(folder.lastErrorCode(), EISDIR);
    FolderItem missing = FolderItem::at(String(path("missing")));
    EXPECT_FALSE(missing.openAsTextFile());
    EXPECT_EQ(missing.lastErrorCode(), ENOENT);
    rt::TextOutputStream created = missing.appendToTextFile();
    ASSERT_TRUE(created);
    created.writeLine("first");
    created.close();
    EXPECT_EQ(readFile("missing"), "first\n");
}

TEST_F(FolderItemTest, CreateDropsATrailingSlashAndEmptiesTheFile) {
    writeFile("old", "previous contents");
    FolderItem item = FolderItem::at(String(path("old") + "/"));
    EXPECT_FALSE(item);  // a file with a slash after it is no path
    FolderItem made = FolderItem::at(String(path("dir")));
    made.createAsFolder();
    ASSERT_TRUE(made.remove());
    rt::BinaryStream stream = made.createBinaryFile("TEXT");
    ASSERT_TRUE(stream);
    EXPECT_EQ(text(made.absolutePath()), path("dir"));
    rt::TextOutputStream emptied = FolderItem::at(String(path("old"))).createTextFile();
    emptied.close();
    EXPECT_EQ(readFile("old"), "");
}

TEST_F(FolderItemTest, CopyMoveAndRenameKeepTheBytes) {
    writeFile("a", "payload");
    std::filesystem::create_directory(path("into"));
    FolderItem source = FolderItem::at(String(path("a")));
    FolderItemCopyFileTo(source.get(), FolderItem::at(String(path("into"))).get());
    EXPECT_EQ(readFile("into/a"), "payload");
    FolderItemCopyFileTo(source.get(), FolderItem::at(String(path("b"))).get());
    EXPECT_EQ(readFile("b"), "payload");
    FolderItemMoveFileTo(FolderItem::at(String(path("b"))).get(), FolderItem::at(String(path("c"))).get());
    EXPECT_EQ(readFile("c"), "payload");
    EXPECT_FALSE(std::filesystem::exists(path("b")));
    fileNameSetter(source.get(), String("renamed").get());
    EXPECT_EQ(text(source.absolutePath()), path("renamed"));
    EXPECT_EQ(readFile("renamed"), "payload");
    FolderItemCopyFileTo(FolderItem::at(String(path("none"))).get(), source.get());
    EXPECT_EQ(FolderItem::at(String(path("renamed"))).length(), 7);
}

// A copy never writes through a link planted under the target's name, never
// blocks on a FIFO at either end, and never empties its own source.
TEST_F(FolderItemTest, CopyRefusesTargetsThatAreNotItsOwnPlainFile) {
    writeFile("victim", "precious");
    std::filesystem::create_directory(path("into"));
    const struct {
        const char* what;
        std::string source, destination;
        std::function<void()> plant;
    } rows[] = {
        {"link planted under the name in the folder", "a", "into",
         [&] { std::filesystem::create_symlink(path("victim"), path("into/a")); }},
        {"fifo as the target", "a", "into", [&] { mkfifo(path("into/a").c_str(), 0644); }},
        {"fifo as the source", "fifo", "b", [&] { mkfifo(path("fifo").c_str(), 0644); }},
        {"the source itself", "victim", "victim", [] {}},
        {"the source's folder", "victim", "", [] {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        writeFile("a", "payload");
        row.plant();
        FolderItem source = FolderItem::at(String(path(row.source)));
        FolderItemCopyFileTo(source.get(), FolderItem::at(String(path(row.destination))).get());
        EXPECT_NE(FolderItemGetLastError(source.get()), 0);
        EXPECT_EQ(readFile("victim"), "precious");
        for (const char* planted : {"into/a", "b", "fifo", "a"}) std::filesystem::remove(path(planted));
    }
}

TEST_F(FolderItemTest, PosixAttributesAndOtherForms) {
    writeFile(".dot", "");
    FolderItem dot = FolderItem::at(String(path(".dot")));
    EXPECT_FALSE(fileVisibleGetter(dot.get()));
    filePermissionsSetter(dot.get(), 0640);
    EXPECT_EQ(filePermissionsGetter(dot.get()), 0640);
    EXPECT_FALSE(String::adopt(fileOwnerGetter(dot.get())).empty());
    EXPECT_EQ(fileTypeGetter(dot.get()), nullptr);
    EXPECT_EQ(String::adopt(FileURLGetter(FolderItem::at("/tmp/a b").get())).str(), "file:///tmp/a%20b");
    String saved = String::adopt(FolderItemGetSaveInfo(dot.get(), nullptr, 0));
    FolderItem back = FolderItem::adopt(FolderItemGetRelative(nullptr, saved.get()));
    EXPECT_EQ(text(back.absolutePath()), path(".dot"));
}

TEST_F(FolderItemTest, ModificationDateReadsAndSetsTheFileTime) {
    writeFile("f", "");
    FolderItem item = FolderItem::at(String(path("f")));
    rt::Ref<> date = rt::Ref<>::adopt(RuntimeNewObject(DateClass()));
    const std::pair<DateField, int32_t> fieldValues[] = {
        {kDateYear, 2001}, {kDateMonth, 2}, {kDateDay, 3}, {kDateHour, 4}, {kDateMinute, 5}, {kDateSecond, 6},
    };
    for (auto [field, value] : fieldValues) dateFieldSetter(date.get(), field, value);
    folderSetModified(item.get(), date.get());
    tm local{};
    local.tm_year = 2001 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 4;
    local.tm_min = 5;
    local.tm_sec = 6;
    local.tm_isdst = -1;
    struct stat info;
    ASSERT_EQ(stat(path("f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, mktime(&local));
    rt::Ref<> read = rt::Ref<>::adopt(folderGetModified(item.get()));
    ASSERT_TRUE(read);
    for (auto [field, value] : fieldValues) {
        SCOPED_TRACE(field);
        EXPECT_EQ(dateFieldGetter(read.get(), field), value);
    }
    EXPECT_EQ(folderGetModified(FolderItem::at(String(path("none"))).get()), nullptr);
    folderSetCreation(item.get(), date.get());
    EXPECT_EQ(item.lastErrorCode(), ENOTSUP);
    if (RuntimeObject* born = folderGetCreation(item.get())) {  // where the file system records it
        time_t now = time(nullptr);
        tm today{};
        localtime_r(&now, &today);
        EXPECT_EQ(dateFieldGetter(born, kDateYear), today.tm_year + 1900);
        RuntimeUnlockObject(born);
    }
}
