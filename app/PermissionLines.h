// The text rules shared by the permission pass and the test mode for a line
// of OkFile.Txt: comments, trimming, splitting into tokens, and cutting a path
// into folder and mask.
#pragma once
#include <vector>

#include "Common/String.h"

/// The line without its comment (from the first ";") and without surrounding white space.
rt::String StripCommentAndTrim(const rt::String& line);

/// The tokens between blanks (spaces or tabs). A run of blanks is one
/// separator and blanks at either end give no token, so a list aligned in
/// columns reads as it looks.
std::vector<rt::String> SplitAtSpaces(const rt::String& line);

/// A path cut at its last separator: the folder before it and the mask after it.
struct FolderAndMask {
    rt::String folder;
    rt::String mask;  // "*" when nothing follows the separator, or there is none
};

/// The byte position (1-based) of the last `separator` in `path`, 0 when there is none.
int32_t LastSeparator(const rt::String& path, const rt::String& separator);

/// Cuts `path` at its last `separator`. Without one, the folder is the whole path.
FolderAndMask SplitFolderAndMask(const rt::String& path, const rt::String& separator);

/// `folder` without one final `separator`: the folder a permission line lists
/// ("//" and "/" both leave the empty path, the program's own folder).
rt::String WithoutFinalSeparator(const rt::String& folder, const rt::String& separator);

/// The first character of `text`, or the empty string.
rt::String FirstCharacter(const rt::String& text);

/// One entry of the permission list as serving reads it: every token sorted
/// by its first character, the last path token naming folder and mask.
struct PermissionLine {
    rt::String text;                    // the entry as read, without its comment
    rt::String magicName;               // after the last "@", empty without one
    bool namesFiles = false;            // some "@" token names FILES
    rt::String password;                // the last "!" token, "!" included
    std::vector<rt::String> pathTokens; // every path token; serving uses the last
    std::vector<rt::String> ignored;    // "$" and "+" tokens
    bool lastTokenIsPlus = false;       // such a line grants nothing
    rt::String folder;                  // the last path token's folder, without a final separator
    rt::String mask;
};

/// Reads a trimmed, non-empty entry `text` of the permission list.
PermissionLine ParsePermissionLine(const rt::String& text, const rt::String& separator);
