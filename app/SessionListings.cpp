#include "app/SessionListings.h"

#include <algorithm>
#include <functional>

#include "Common/FolderItem.h"
#include "Common/StringFunctions.h"
#include "app/ListedFolders.h"
#include "app/Places.h"
#include "app/WildcardMatch.h"

namespace {

std::string withoutFinalSlash(std::string path) {
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

} // namespace

ListedFolder& FolderListings::Check(const rt::String& folder, const rt::String& separator, int64_t request) {
    auto [at, added] = folders_.try_emplace(folder.str());
    ListedFolder& listed = at->second;
    if (added) {
        // The empty path names the program's folder; a relative one lies in it.
        rt::FolderItem item = rt::FolderItem::at(folder);
        if (item) listed.path = withoutFinalSlash(item.absolutePath().str());
        listed.grantFolder = FolderForMailer(folder, item, separator);
        listed.place = item && IsPlaceFolder(item);
    }
    if (listed.checkedFor == request) return listed;
    listed.checkedFor = request;
    listed.stamp = listed.path.empty() ? std::nullopt : StampOf(listed.path);
    listed.usable = listed.stamp && listed.stamp->folder;
    if (!programKnown_) {
        rt::FolderItem program = rt::FolderItem::at({});
        if (program) program_ = StampOf(program.absolutePath().str());
        programKnown_ = true;
    }
    listed.program = listed.usable && ((program_ && listed.stamp->SameFile(*program_)) || listed.place);
    return listed;
}

const FolderNames* FolderListings::Names(ListedFolder& folder) {
    if (folder.names && folder.stamp && folder.stamp->Unchanged(folder.names->stamp)) return &*folder.names;
    folder.byFoldedName.clear();
    folder.names = ReadFolderNames(folder.path);
    return folder.names ? &*folder.names : nullptr;
}

std::vector<uint32_t> FolderListings::Named(ListedFolder& folder, std::string_view name) {
    const FolderNames* names = Names(folder);
    if (!names) return {};
    std::hash<std::string_view> hash;
    std::string folded;
    auto foldedHash = [&](std::string_view text) {
        folded = MatchFolded(text);
        return uint64_t(hash(folded));
    };
    if (folder.byFoldedName.size() != names->entries.size()) {
        folder.byFoldedName.clear();
        folder.byFoldedName.reserve(names->entries.size());
        for (uint32_t i = 0; i < names->entries.size(); ++i)
            folder.byFoldedName.emplace_back(foldedHash(names->NameOf(names->entries[i])), i);
        std::sort(folder.byFoldedName.begin(), folder.byFoldedName.end());
    }
    uint64_t wanted = foldedHash(name);
    std::string foldedName = folded;
    std::vector<uint32_t> found;
    auto first = std::lower_bound(folder.byFoldedName.begin(), folder.byFoldedName.end(), std::pair(wanted, 0u));
    for (auto it = first; it != folder.byFoldedName.end() && it->first == wanted; ++it)
        if (MatchFolded(names->NameOf(names->entries[it->second])) == foldedName) found.push_back(it->second);
    // Sorted by hash, then by index: the entries of one folding come in directory order.
    return found;
}
