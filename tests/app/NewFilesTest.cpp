// Files made new: only where nothing of the name stands, a link there never
// followed, and a failure that names the file and the system's reason.
#include "app/NewFiles.h"

#include <unistd.h>

#include <cerrno>

#include "Common/FileTestSupport.h"
#include "app/FileFailure.h"

namespace {

class NewFiles : public FileTest {};

} // namespace

TEST_F(NewFiles, CreatesOnlyWhereNothingStandsAndNamesTheFileItCouldNotMake) {
    WriteFile(path("taken.pkt"), "old");
    ASSERT_EQ(symlink(path("elsewhere").c_str(), path("planted.pkt").c_str()), 0);
    struct Row {
        const char* name;
        int32_t error;  // 0: created
    };
    const Row rows[] = {
        {"new.pkt", 0},
        {"taken.pkt", EEXIST},
        {"planted.pkt", EEXIST},  // a dangling link: never followed to make its target
        {"missing/new.pkt", ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ErrorOr<CreatedFile, FileFailure> created =
            CreateNewFile(rt::String(path(row.name)), CreatedMode::UmaskApplies);
        if (row.error == 0) {
            ASSERT_FALSE(created.isError());
            EXPECT_EQ(created.value().item.absolutePath().str(), path(row.name));
            EXPECT_EQ(close(created.value().descriptor), 0);
            continue;
        }
        ASSERT_TRUE(created.isError());
        EXPECT_EQ(created.error().error, row.error);
        EXPECT_EQ(created.error().path.str(), path(row.name));
        EXPECT_EQ(FailureLine(created.error()).str().rfind("   Unable to create " + path(row.name) + ": ", 0), 0u);
    }
    EXPECT_EQ(ReadFile(path("taken.pkt")), "old");
    EXPECT_FALSE(std::filesystem::exists(path("elsewhere")));
}
