// qarvex --check: every entry of the permission list read as serving reads
// it, each finding printed with its line number, for the sysop's install
// steps and package hooks. Nothing is written: not the log, not a debug file.
#include "app/ConfigCheck.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Common/FolderItem.h"
#include "Common/Linux/PathAccess.h"
#include "Common/StringFunctions.h"
#include "app/FileFailure.h"
#include "app/Interruption.h"
#include "app/ListedFolders.h"
#include "app/Output.h"
#include "app/PermissionLines.h"
#include "app/Places.h"
#include "app/SafeText.h"
#include "app/Settings.h"

namespace {

using rt::decimal;

rt::String quoted(const rt::String& text) { return rt::String("'") + text + rt::String("'"); }

class Findings {
public:
    explicit Findings(rt::String list) : list_(std::move(list)) {}
    void error(int32_t line, const rt::String& text) {
        say(line, "error", text);
        ++errors_;
    }
    void warning(int32_t line, const rt::String& text) {
        say(line, "warning", text);
        ++warnings_;
    }
    int32_t errors() const { return errors_; }
    void summary() const {
        StdOut(list_ + rt::String(": ") + decimal(errors_) + rt::String(errors_ == 1 ? " error, " : " errors, ") +
               decimal(warnings_) + rt::String(warnings_ == 1 ? " warning" : " warnings"));
    }

private:
    // "list:line: kind: text", as compilers write theirs; a finding about the
    // whole list has no line.
    void say(int32_t line, const char* kind, const rt::String& text) const {
        rt::String where = line ? list_ + rt::String(":") + decimal(line) : list_;
        StdOut(where + rt::String(": ") + rt::String(kind) + rt::String(": ") + text);
    }
    rt::String list_;
    int32_t errors_ = 0, warnings_ = 0;
};

// Folders Debian's binkd service cannot see (ProtectHome, PrivateTmp).
const char* const kHiddenFolders[] = {"/home", "/root", "/tmp"};

bool under(std::string_view path, std::string_view folder) {
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

RunResult<> checkFolder(RuntimeObject* app, Findings& findings, int32_t n, const PermissionLine& line,
                        const rt::String& separator) {
    rt::String shown = quoted(line.folder);
    rt::FolderItem folder = rt::FolderItem::at(line.folder);
    if (!folder || !folder.exists()) {
        findings.error(n, rt::String("folder ") + shown + rt::String(" does not exist"));
        return {};
    }
    if (!folder.directory()) {
        findings.error(n, shown + rt::String(" is not a folder"));
        return {};
    }
    if (IsProgramFolder(folder)) {
        findings.error(n, rt::String("folder ") + quoted(folder.absolutePath()) +
                              rt::String(" is the program's own or holds its files; it is never served"));
        return {};
    }
    std::string absolute = folder.absolutePath().str();
    if (int error = FolderAccessError(absolute)) {
        findings.error(n, rt::String("folder ") + shown + rt::String(" cannot be read: ") +
                              rt::String(std::strerror(error)));
        return {};
    }
    rt::String mailerPath = FolderForMailer(line.folder, folder, separator);
    if (!MailerCanCarry(mailerPath)) {
        findings.error(n, rt::String("folder path ") + quoted(mailerPath) +
                              rt::String(" holds a blank or control character, where a mailer cuts the line;"
                                         " nothing is granted from it"));
        return {};
    }
    for (const char* hidden : kHiddenFolders)
        if (under(absolute, hidden))
            findings.warning(n, rt::String("folder ") + shown + rt::String(" lies under ") + rt::String(hidden) +
                                    rt::String(", which Debian's binkd service cannot see"));
    if (!TRY(HoldsAFittingFile(app, folder, line.mask)))
        findings.warning(n, rt::String("no file in ") + shown + rt::String(" fits the mask ") + quoted(line.mask));
    return {};
}

RunResult<> checkLine(RuntimeObject* app, Findings& findings, int32_t n, const rt::String& text,
                      const rt::String& separator) {
    PermissionLine line = ParsePermissionLine(text, separator);
    for (size_t i = 0; i < line.ignored.size(); ++i)
        if (i + 1 < line.ignored.size() || !line.lastTokenIsPlus)
            findings.warning(n, rt::String("token ") + quoted(line.ignored[i]) +
                                    rt::String(" asks for a function that is not supported; it is ignored"));
    if (line.lastTokenIsPlus)
        findings.error(n, rt::String("the last token ") + quoted(line.ignored.back()) +
                              rt::String(" starts with '+': the line grants nothing"));
    if (equalsIgnoringCase(line.password, "!")) findings.error(n, "the password token '!' is empty");
    if (line.pathTokens.size() > 1) {
        const rt::String& last = line.pathTokens.back();
        rt::String hint = LastSeparator(last, separator) == 0
                              ? rt::String("; a password needs its '!'")
                              : rt::String();
        findings.error(n, decimal(int64_t(line.pathTokens.size())) +
                              rt::String(" path tokens: only the last one, ") + quoted(last) +
                              rt::String(", is served") + hint);
    }
    if (line.pathTokens.empty()) {
        findings.error(n, "no folder or mask: the line names the program's folder, which is never served,"
                          " so it grants nothing");
        return {};
    }
    return checkFolder(app, findings, n, line, separator);
}

// The settings file, when there is one, checked as a run reads it; gives its
// errors. `folders` are those the permission list's entries name.
RunResult<int32_t> checkSettings(const std::vector<rt::String>& folders) {
    Settings settings;
    std::vector<SettingsFinding> found;
    RunResult<bool> read = ReadSettingsFile(settings, found);
    const FileFailure* failure = read.isError() ? std::get_if<FileFailure>(&read.error()) : nullptr;
    if (read.isError() && !failure) return read.releaseError();
    if (!failure && !read.value()) return 0;  // none: every default holds
    Findings findings(FullPathOf(SettingsPath()));
    if (failure) findings.error(0, rt::String(std::strerror(failure->error)));
    for (const SettingsFinding& finding : found) findings.error(finding.line, rt::String(finding.text));
    // An Area no entry names guards nothing: the folder it was meant for is served without it.
    for (const AreaSetting& area : settings.areas)
        if (std::none_of(folders.begin(), folders.end(),
                         [&](const rt::String& folder) { return AreaOf(settings, folder) == &area; }))
            findings.error(area.line, rt::String("no entry of the permission list names the folder '") +
                                          rt::String(area.folder) + rt::String("' of this Area"));
    findings.summary();
    return findings.errors();
}

} // namespace

bool PermissionListReadableByOthers() {
    rt::FolderItem list = rt::FolderItem::at(PermissionListPath());
    constexpr int32_t kOthersRead = 04;
    return list && list.exists() && (list.permissions() & kOthersRead) != 0;
}

namespace {

// The permission list's findings; gives the status its errors call for, and
// the folders its entries name in `folders`.
RunResult<int32_t> checkList(RuntimeObject* app, std::vector<rt::String>& folders) {
    ErrorOr<rt::TextInputStream, FileFailure> opened = OpenTextToRead(PermissionListPath());
    if (opened.isError()) {
        const FileFailure& failure = opened.error();
        Findings findings(failure.path);
        findings.error(0, failure.error ? rt::String(std::strerror(failure.error)) : rt::String("the list is empty"));
        findings.summary();
        return 1;
    }
    rt::TextInputStream list = opened.releaseValue();
    Findings findings(FullPathOf(PermissionListPath()));
    if (PermissionListReadableByOthers())
        findings.warning(0, "readable by every user of this system, though it holds passwords (chmod o-r)");
    const rt::String separator("/");
    int32_t entries = 0;
    for (int32_t n = 1; !list.eof(); ++n) {
        rt::String line = list.readLine();
        if (n == 1) line = WithoutByteOrderMark(line);
        rt::String text = StripCommentAndTrim(line);
        TRY(SafePoint());
        if (text.empty()) continue;
        ++entries;
        folders.push_back(ParsePermissionLine(text, separator).folder);
        TRY(checkLine(app, findings, n, text, separator));
    }
    list.close();
    if (entries == 0) findings.warning(0, "holds no entry: no file can be requested");
    findings.summary();
    return findings.errors() ? 1 : 0;
}

} // namespace

RunResult<int32_t> CheckPermissionList(RuntimeObject* app) {
    std::vector<rt::String> folders;
    int32_t status = TRY(checkList(app, folders));
    return TRY(checkSettings(folders)) ? 1 : status;
}
