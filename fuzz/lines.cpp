// Permission-list and request-list lines with the wildcard matcher: the line
// is cut as the permission pass and the request list cut it, and each path
// token's mask is matched against a file name from the same input.
#include <algorithm>

#include "FuzzSupport.h"
#include "app/PermissionLines.h"

namespace {

bool holdsByte(std::string_view text, char byte) { return text.find(byte) != std::string_view::npos; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RuntimeObject* app = FuzzApp();
    FuzzedDataProvider input(data, size);
    rt::String name = FuzzString(input.ConsumeRandomLengthString(260));
    rt::String line = FuzzString(input.ConsumeRemainingBytesAsString());
    const rt::String separator("/");

    for (const rt::String& token : SplitAtSpaces(line)) (void)FirstCharacter(token);  // the request list's cut
    rt::String entry = StripCommentAndTrim(line);
    for (const rt::String& token : SplitAtSpaces(entry)) {
        (void)FirstCharacter(token);
        FolderAndMask parts = SplitFolderAndMask(token, separator);
        FuzzCheck(!holdsByte(parts.mask.bytes(), '/'), "a mask holds no separator");
        AppItsaMatch(app, name.get(), parts.mask.get());
    }

    // Names a folder can hold (no NUL) fit "*" and fit themselves as a mask
    // when they hold no wildcard.
    std::string_view bytes = name.bytes();
    if (!holdsByte(bytes, '\0')) {
        FuzzCheck(AppItsaMatch(app, name.get(), rt::String("*").get()), "every name fits *");
        if (!holdsByte(bytes, '*') && !holdsByte(bytes, '?'))
            FuzzCheck(AppItsaMatch(app, name.get(), name.get()), "a name fits itself");
    }
    return 0;
}
