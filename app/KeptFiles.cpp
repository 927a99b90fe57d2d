#include "app/KeptFiles.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "Common/FolderItem.h"
#include "Common/Linux/SafeFiles.h"
#include "Common/RuntimeMain.h"
#include "app/DebugFile.h"
#include "app/Places.h"

namespace {

// Where a kept file lies or would be made: its folder and its name.
struct Place {
    FileIdentity folder;
    std::string name;
};

struct Kept {
    std::vector<FileIdentity> files;
    std::vector<Place> places;
    std::optional<FileIdentity> debugFolder;
};

std::optional<FileIdentity> identity(const rt::FolderItem& item) {
    if (!item) return std::nullopt;
    return IdentityOf(item.absolutePath().str());
}

// Gathered once a run: the kept files change only by the run's own hand.
const Kept& kept() {
    static const Kept gathered = [] {
        Kept k;
        for (const rt::String& name : {PermissionListPath(), SettingsPath(), CallerCountsPath(), LogPath()}) {
            rt::FolderItem item = rt::FolderItem::trueAt(name);
            if (auto file = identity(item)) k.files.push_back(*file);
            if (auto folder = item ? identity(item.parent()) : std::nullopt)
                k.places.push_back({*folder, item.name().str()});
        }
        if (auto program = IdentityOf(RuntimeExecutablePath())) k.files.push_back(*program);
        for (const rt::FolderItem& debug : DebugFiles())
            if (auto file = identity(debug)) k.files.push_back(*file);
        k.debugFolder = identity(DebugFolder());
        return k;
    }();
    return gathered;
}

} // namespace

bool IsKeptFile(const rt::String& path) {
    const Kept& k = kept();
    rt::FolderItem item = rt::FolderItem::trueAt(path);
    if (!item) return false;
    if (auto file = identity(item); file && std::ranges::find(k.files, *file) != k.files.end()) return true;
    std::optional<FileIdentity> folder = identity(item.parent());
    if (!folder) return false;
    std::string name = item.name().str();
    if (k.debugFolder == folder && IsDebugFileName(name)) return true;
    return std::ranges::any_of(k.places, [&](const Place& p) { return p.folder == *folder && p.name == name; });
}
