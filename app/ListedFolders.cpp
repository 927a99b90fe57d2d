#include "app/ListedFolders.h"

#include <cstring>

#include "Common/Linux/FolderNames.h"
#include "Common/Linux/SafeFiles.h"
#include "Common/runBinaryStream.h"
#include "Common/runFolderItem.h"
#include "app/NeverServed.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/App.h"
#include "app/Interruption.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/SafeText.h"

bool SameFolder(const rt::FolderItem& a, const rt::FolderItem& b) {
    if (!a || !b) return false;
    std::optional<FileIdentity> first = IdentityOf(a.absolutePath().str());
    return first && first == IdentityOf(b.absolutePath().str());
}

// Opening a pipe or a device found in a listed folder could hold the session
// for ever.
bool IsPlainFile(const rt::FolderItem& item) {
    std::optional<PathStamp> stamp = StampOf(item.absolutePath().str());
    return stamp && stamp->plain;
}

bool IsProgramFolder(const rt::FolderItem& folder) {
    // The empty path names the program's folder.
    return SameFolder(folder, rt::FolderItem::at({})) || IsPlaceFolder(folder);
}

rt::String FolderForMailer(const rt::String& folder, const rt::FolderItem& item, const rt::String& separator) {
    if (equalsIgnoringCase(FirstCharacter(folder), separator)) return folder;
    // Without its final "/": the root's absolute form is then the empty path,
    // and every granted name is that plus "/" and the file's name.
    std::string absolute = item ? item.absolutePath().str() : std::string();
    while (!absolute.empty() && absolute.back() == '/') absolute.pop_back();
    return rt::String(absolute);
}

rt::FolderItem ListedFile(const rt::FolderItem& folder, int32_t index) {
    rt::FolderItem entry = folder.trueItem(index);
    if (!entry || entry.directory()) return {};
    return entry;
}

rt::String WhyNotServable(const rt::FolderItem& file, const rt::String& name) {
    if (!MailerCanCarry(name)) return "a name the mailer cannot carry";
    if (!file.exists()) return "a link to nothing";
    if (!IsPlainFile(file)) return "not a plain file";
    if (rt::String why = WhyNeverServed(file); !why.empty()) return why;
    rt::BinaryStream opened = file.openAsBinaryFile(rt::BinaryAccess::ReadOnly);
    if (!opened) return rt::String("unreadable, ") + rt::String(std::strerror(file.lastErrorCode()));
    opened.close();
    return {};
}

RunResult<bool> HoldsAFittingFile(RuntimeObject* app, const rt::FolderItem& folder, const rt::String& mask) {
    int32_t count = folder.count();
    for (int32_t i = 1; i <= count; ++i) {
        rt::FolderItem entry = ListedFile(folder, i);
        TRY(SafePoint());
        if (entry && AppItsaMatch(app, entry.name(), mask)) return true;
    }
    return false;
}
