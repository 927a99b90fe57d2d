#include "app/Places.h"

#include "app/ListedFolders.h"

// Each folder is set at configure time; empty means the program folder.
#ifndef QARVEX_CONFIG_DIR
#define QARVEX_CONFIG_DIR ""
#endif
#ifndef QARVEX_LOG_DIR
#define QARVEX_LOG_DIR ""
#endif
#ifndef QARVEX_STATE_DIR
#define QARVEX_STATE_DIR ""
#endif

namespace {

constexpr const char* kFolders[] = {QARVEX_CONFIG_DIR, QARVEX_LOG_DIR, QARVEX_STATE_DIR};

std::string inFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string shown(const std::string& folder, const std::string& name) {
    return folder.empty() ? name + " in the folder of the executable (links followed)" : inFolder(folder, name);
}

} // namespace

rt::String PermissionListPath() { return rt::String(inFolder(QARVEX_CONFIG_DIR, "OkFile.Txt")); }

rt::String SettingsPath() { return rt::String(inFolder(QARVEX_CONFIG_DIR, "qarvex.conf")); }

rt::String CallerCountsPath() { return rt::String(inFolder(QARVEX_STATE_DIR, "qarvex.counts")); }

rt::String LogPath() { return rt::String(inFolder(QARVEX_LOG_DIR, "QARVEX.Log")); }

rt::String DebugFilePath(const rt::String& name) { return rt::String(inFolder(QARVEX_STATE_DIR, name.str())); }

bool IsPlaceFolder(const rt::FolderItem& folder) {
    for (const char* place : kFolders)
        if (*place && SameFolder(folder, rt::FolderItem::at(rt::String(place)))) return true;
    return false;
}

std::string PlacesText() {
    return "Permission list  " + shown(QARVEX_CONFIG_DIR, "OkFile.Txt") + "\n" +
           "Settings         " + shown(QARVEX_CONFIG_DIR, "qarvex.conf") + "\n" +
           "Session log      " + shown(QARVEX_LOG_DIR, "QARVEX.Log") + "\n" +
           "Debug files      " + shown(QARVEX_STATE_DIR, "DebugNNN.Txt") + "\n" +
           "Caller counts    " + shown(QARVEX_STATE_DIR, "qarvex.counts") + "\n" +
           "Relative paths   from the folder of the executable\n";
}
