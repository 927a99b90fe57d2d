#include "app/NeverServed.h"

#include <optional>

#include "Common/Linux/SafeFiles.h"
#include "app/App.h"
#include "app/Interruption.h"
#include "app/KeptFiles.h"
#include "app/ListedFolders.h"
#include "app/Output.h"

rt::String WhyNeverServed(const rt::FolderItem& file) {
    rt::String path = file.absolutePath();
    if (IsKeptFile(path)) return "a file qarvex keeps";
    // A link is trusted as its owner's word: whoever may write in a served
    // folder must not hand out a file of another user, nor a private one.
    std::optional<LinkTrust> trust = TrustOfLink(path.str());
    if (trust && !trust->sameOwner) return "a link to a file of another owner";
    if (trust && !trust->othersMayRead) return "a link to a file others may not read";
    return {};
}

RunResult<int> NameNeverServed(RuntimeObject* app, const rt::FolderItem& folder, const rt::String& mask) {
    int named = 0;
    int32_t count = folder.count();
    for (int32_t i = 1; i <= count; ++i) {
        rt::FolderItem entry = ListedFile(folder, i);
        TRY(SafePoint());
        if (!entry || !AppItsaMatch(app, entry.name(), mask)) continue;
        if (rt::String why = WhyNeverServed(entry); !why.empty()) {
            rt::String message = entry.absolutePath() + rt::String(" Never Served: ") + why;
            StdOut(message);
            Debug(app, message);
            ++named;
        }
    }
    return named;
}
