#include "app/SessionListings.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "Common/FileTestSupport.h"
#include "app/Session.h"

namespace {

class SessionListings : public FileTest {
protected:
    // The names `request` finds by its folding in the folder "area", as request number `number` sees it.
    std::vector<std::string> named(int64_t number, std::string_view request) {
        ListedFolder& folder = listings.Check(rt::String(path("area")), "/", number);
        std::vector<std::string> found;
        if (!folder.usable) return {"(no folder)"};
        for (uint32_t index : FolderListings::Named(folder, request))
            found.emplace_back(folder.names->NameOf(folder.names->entries[index]));
        std::sort(found.begin(), found.end());
        return found;
    }

    FolderListings listings;
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(SessionListings, ExactNamesAreFoundByTheMatchersFoldingAndChangesBetweenRequestsAreSeen) {
    writeFile("area/NodeList.Zip", "a");
    writeFile("area/nodelist.zip", "b");
    writeFile("area/\xC3\x84.zip", "c");  // the matcher folds ASCII letters only
    EXPECT_EQ(named(1, "NODELIST.ZIP"), (Names{"NodeList.Zip", "nodelist.zip"}));
    EXPECT_EQ(named(1, "\xC3\xA4.zip"), Names{});
    EXPECT_EQ(named(1, "\xC3\x84.ZIP"), Names{"\xC3\x84.zip"});

    writeFile("area/new.arj", "d");  // added before the second request
    EXPECT_EQ(named(2, "NEW.ARJ"), Names{"new.arj"});
    unlink(path("area/nodelist.zip").c_str());  // and one gone before the third
    EXPECT_EQ(named(3, "nodelist.zip"), Names{"NodeList.Zip"});
    std::filesystem::remove_all(path("area"));
    EXPECT_EQ(named(4, "new.arj"), Names{"(no folder)"});
}

TEST(SessionSeconds, TheMailersTimeOnlyShortensTheSession) {
    struct Row {
        int32_t configured, srifMinutes, seconds;
    };
    const Row rows[] = {{60, -1, 60}, {60, 5, 60}, {60, 1, 60}, {60, 0, 0}, {600, 2, 120}, {60, INT32_MAX, 60}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.configured) + " " + std::to_string(row.srifMinutes));
        EXPECT_EQ(SessionSeconds(row.configured, row.srifMinutes), row.seconds);
    }
}
