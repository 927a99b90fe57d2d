#include "Common/runFolderItem.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <type_traits>
#include <utility>

#include "Common/DateCommon.h"
#include "Common/Linux/FolderItemImpUnix.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Universal/DateImp/DateImpUnix.h"
#include "Universal/FileIO/file.h"
#include "Universal/FileStreams.h"
#include "Universal/VELQstring.h"

namespace {

// A saved-location record is these four bytes followed by the absolute path.
constexpr char kSaveInfoMagic[] = {'\x00', '\xF1', '\xD1', '\x73'};
constexpr std::string_view kSaveInfoPrefix(kSaveInfoMagic, sizeof kSaveInfoMagic);

FolderItemFields* fields(RuntimeObject* item) { return ObjectFields<FolderItemFields>(item); }

// The implementation, or null for a nil item or one without.
FolderItemImpUnix* imp(RuntimeObject* item) { return item ? fields(item)->mImp : nullptr; }

// What an entry answers from the implementation, or `none` for an item without one.
template <typename None, typename Question>
auto ask(RuntimeObject* item, None none, Question question) {
    using Result = std::invoke_result_t<Question, FolderItemImpUnix&>;
    FolderItemImpUnix* found = imp(item);
    return found ? question(*found) : Result(none);
}

// The implementation of an entry that cannot do without one.
FolderItemImpUnix* requiredImp(RuntimeObject* item) {
    FolderItemImpUnix* found = imp(item);
    if (!found) RUNTIME_ASSERT_FAILED("runFolderItem", "entry->mImp", nullptr);
    return found;
}

void finalizeFolderItem(RuntimeObject* item) { delete std::exchange(fields(item)->mImp, nullptr); }

void replaceImp(RuntimeObject* item, std::unique_ptr<FolderItemImpUnix> replacement) {
    delete std::exchange(fields(item)->mImp, replacement.release());
}

RuntimeObject* newFolderItem(std::unique_ptr<FolderItemImpUnix> implementation) {
    if (!implementation) return nullptr;
    RuntimeObject* item = RuntimeNewObject(RuntimeFolderItemClass());
    fields(item)->mImp = implementation.release();
    return item;
}

RTString utf8String(std::string_view text) { return StringFromBytes(text.data(), text.size(), kEncodingUTF8); }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The path of a "file://" URL, percent escapes decoded; the URL itself when it
// is not one.
std::string pathFromURL(std::string_view url) {
    constexpr std::string_view scheme = "file://";
    if (url.size() >= scheme.size() && strncasecmp(url.data(), scheme.data(), scheme.size()) == 0)
        url.remove_prefix(scheme.size());
    std::string path;
    for (size_t i = 0; i < url.size(); ++i) {
        int high, low;
        if (url[i] == '%' && i + 2 < url.size() && (high = hexValue(url[i + 1])) >= 0 &&
            (low = hexValue(url[i + 2])) >= 0) {
            path += char(high * 16 + low);
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

// The implementation for a path of any type; null when the path is invalid.
std::unique_ptr<FolderItemImpUnix> impForPath(RTString path, int32_t pathType, LinkPolicy links) {
    RTString utf8 = ConvertStringToCode(path, kEncodingUTF8);
    std::string text(StringBytes(utf8), StringLength(utf8));
    RuntimeUnlockString(utf8);
    if (text.starts_with(kSaveInfoPrefix)) return MakeFolderItemImp(text.substr(kSaveInfoPrefix.size()), links);
    switch (pathType) {
    case kNativePath: return MakeFolderItemImp(text, links);
    case kShellPath:
        if (!text.starts_with('/'))
            RuntimeRaiseMessage(ExceptionKind::RuntimeException,
                                "Passing non-absolute shell paths is not currently supported");
        return MakeFolderItemImp(text, links);
    case kURLPath: return MakeFolderItemImp(pathFromURL(text), links);
    default: return nullptr;
    }
}

RuntimeObject* itemForPath(RTString path, int32_t pathType, LinkPolicy links) {
    return newFolderItem(impForPath(path, pathType, links));
}

RuntimeObject* entry(RuntimeObject* item, int32_t index, LinkPolicy links) {
    FolderItemImpUnix* found = imp(item);
    if (!found || index < 1) return nullptr;
    return newFolderItem(found->EntryItem(index - 1, links));
}

RuntimeObject* child(RuntimeObject* item, RTString name, LinkPolicy links) {
    FolderItemImpUnix* found = imp(item);
    if (!found || !found->IsDirectory()) return nullptr;
    std::string_view text(StringBytes(name), StringLength(name));
    if (text == ".") return newFolderItem(MakeFolderItemImp(found->Path(), links));
    if (text == "..") return folderParentGetter(item);
    return newFolderItem(MakeFolderItemImp(found->ChildPath(text), links));
}

// Opens the item's file; null with the item's error set from the file's.
std::unique_ptr<UnixDataFile> openFile(FolderItemImpUnix& found, FileAccess access) {
    auto file = std::make_unique<UnixDataFile>();
    if (file->Open(found.Path().c_str(), access)) return file;
    found.SetLastError(file->LastError());
    return nullptr;
}

std::unique_ptr<UnixDataFile> createFile(FolderItemImpUnix& found) {
    if (!found.IsWriteable()) return nullptr;
    found.RemoveTrailingSlash();
    auto file = std::make_unique<UnixDataFile>();
    if (file->Create(found.Path().c_str())) return file;
    found.SetLastError(file->LastError());
    return nullptr;
}

std::string percentEncoded(std::string_view path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

// The instant a Date names: its fields in local time, less the offset the
// date was moved to.
timespec instantOf(RuntimeObject* date) {
    tm local{};
    local.tm_year = dateFieldGetter(date, kDateYear) - 1900;
    local.tm_mon = dateFieldGetter(date, kDateMonth) - 1;
    local.tm_mday = dateFieldGetter(date, kDateDay);
    local.tm_hour = dateFieldGetter(date, kDateHour);
    local.tm_min = dateFieldGetter(date, kDateMinute);
    local.tm_sec = dateFieldGetter(date, kDateSecond);
    local.tm_isdst = -1;
    return {ClockOfLocalTime(local) - time_t(dateGMTOffsetGetter(date) * 3600), 0};
}

} // namespace

RuntimeClass* RuntimeFolderItemClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "FolderItem",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(FolderItemFields)),
        .finalizer = &finalizeFolderItem,
    });
    return c;
}

void RuntimeSetExecutablePath(std::string_view resolvedPath) { SetApplicationExecutablePath(resolvedPath); }

extern "C" RuntimeObject* RuntimeGetFolderItem(RTString path, int32_t pathType) {
    return itemForPath(path, pathType, LinkPolicy::Follow);
}

extern "C" RuntimeObject* RuntimeGetTrueFolderItem(RTString path, int32_t pathType) {
    return itemForPath(path, pathType, LinkPolicy::Keep);
}

extern "C" void FolderItemPathCtor(RuntimeObject* item, RTString path, int32_t pathType) {
    auto implementation = impForPath(path, pathType, LinkPolicy::Follow);
    if (!implementation)
        RuntimeRaiseMessage(ExceptionKind::RuntimeException, "The path passed into new FolderItem was invalid");
    replaceImp(item, std::move(implementation));
}

extern "C" void FolderItemCopyCtor(RuntimeObject* item, RuntimeObject* other) {
    FolderItemImpUnix* source = imp(other);
    replaceImp(item, source ? std::make_unique<FolderItemImpUnix>(*source) : nullptr);
}

extern "C" bool fileExistsGetter(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return f.Exists(); });
}

extern "C" bool fileDirectoryGetter(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return f.IsDirectory(); });
}

extern "C" RTString fileNameGetter(RuntimeObject* item) {
    return ask(item, nullptr, [](FolderItemImpUnix& f) { return utf8String(f.Name()); });
}

extern "C" RTString FileDisplayNameGetter(RuntimeObject* item) { return fileNameGetter(item); }

extern "C" void fileNameSetter(RuntimeObject* item, RTString name) {
    if (FolderItemImpUnix* found = imp(item)) found->Rename({StringBytes(name), StringLength(name)});
}

extern "C" int64_t fileSizeGetter(RuntimeObject* item) {
    return ask(item, 0, [](FolderItemImpUnix& f) { return f.Length(); });
}

extern "C" int32_t fileCountGetter(RuntimeObject* item) {
    return ask(item, 0, [](FolderItemImpUnix& f) { return f.Count(); });
}

extern "C" RTString fileAbsolutePathGetter(RuntimeObject* item) {
    return ask(item, nullptr, [](FolderItemImpUnix& f) { return utf8String(f.Path()); });
}

extern "C" RTString FileShellPathGetter(RuntimeObject* item) { return fileAbsolutePathGetter(item); }

extern "C" RTString FileURLGetter(RuntimeObject* item) {
    return ask(item, nullptr, [](FolderItemImpUnix& f) { return utf8String(percentEncoded(f.Path())); });
}

extern "C" RuntimeObject* folderParentGetter(RuntimeObject* item) {
    FolderItemImpUnix* found = imp(item);
    if (!found) return nullptr;
    auto parent = found->ParentPath();
    return parent ? newFolderItem(MakeFolderItemImp(*parent, LinkPolicy::Follow)) : nullptr;
}

extern "C" bool FolderItemIsCurrentlyReadable(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return f.IsReadable(); });
}

extern "C" bool FolderItemIsCurrentlyWriteable(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return f.IsWriteable(); });
}

extern "C" bool fileLockedGetter(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return !f.IsWriteable(); });
}

extern "C" int32_t FolderItemGetLastError(RuntimeObject* item) {
    return ask(item, 0, [](FolderItemImpUnix& f) { return f.LastError(); });
}

extern "C" void FolderItemSetLastError(RuntimeObject* item, int32_t code) {
    if (FolderItemImpUnix* found = imp(item)) found->SetLastError(code);
}

extern "C" RuntimeObject* FolderItemItem(RuntimeObject* item, int32_t index) {
    return entry(item, index, LinkPolicy::Follow);
}

extern "C" RuntimeObject* FolderItemTrueItem(RuntimeObject* item, int32_t index) {
    return entry(item, index, LinkPolicy::Keep);
}

extern "C" RuntimeObject* FolderChild(RuntimeObject* item, RTString name) {
    return child(item, name, LinkPolicy::Follow);
}

extern "C" RuntimeObject* FolderTrueChild(RuntimeObject* item, RTString name) {
    return child(item, name, LinkPolicy::Keep);
}

extern "C" bool FolderItemDelete(RuntimeObject* item) {
    FolderItemImpUnix* found = requiredImp(item);
    return found && found->Delete();
}

extern "C" bool FolderItemCreateNewFile(RuntimeObject* item) {
    FolderItemImpUnix* found = requiredImp(item);
    return found && found->CreateNewFile();
}

extern "C" void FolderItemCreateAsFolder(RuntimeObject* item) {
    if (FolderItemImpUnix* found = requiredImp(item)) found->CreateAsFolder();
}

extern "C" bool fileAliasGetter(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return f.IsAlias(); });
}

extern "C" bool fileVisibleGetter(RuntimeObject* item) {
    return ask(item, false, [](FolderItemImpUnix& f) { return !f.Name().starts_with('.'); });
}

extern "C" void fileVisibleSetter(RuntimeObject*, bool) {}

extern "C" RTString fileTypeGetter(RuntimeObject*) { return nullptr; }

extern "C" int32_t filePermissionsGetter(RuntimeObject* item) {
    return ask(item, 0, [](FolderItemImpUnix& f) { return f.Permissions(); });
}

extern "C" void filePermissionsSetter(RuntimeObject* item, int32_t mode) {
    if (FolderItemImpUnix* found = imp(item)) found->SetPermissions(mode);
}

extern "C" RTString fileOwnerGetter(RuntimeObject* item) {
    return ask(item, nullptr, [](FolderItemImpUnix& f) { return utf8String(f.Owner()); });
}

extern "C" void fileOwnerSetter(RuntimeObject* item, RTString name) {
    if (FolderItemImpUnix* found = imp(item)) found->SetOwner({StringBytes(name), StringLength(name)});
}

extern "C" RTString fileGroupGetter(RuntimeObject* item) {
    return ask(item, nullptr, [](FolderItemImpUnix& f) { return utf8String(f.Group()); });
}

extern "C" void fileGroupSetter(RuntimeObject* item, RTString name) {
    if (FolderItemImpUnix* found = imp(item)) found->SetGroup({StringBytes(name), StringLength(name)});
}

extern "C" RuntimeObject* folderGetModified(RuntimeObject* item) {
    FolderItemImpUnix* found = imp(item);
    auto when = found ? found->ModificationTime() : std::nullopt;
    return when ? NewDateAtClock(when->tv_sec) : nullptr;
}

extern "C" void folderSetModified(RuntimeObject* item, RuntimeObject* date) {
    FolderItemImpUnix* found = imp(item);
    if (!found) return;
    if (!date) {
        found->SetLastError(EINVAL);
        return;
    }
    found->SetModificationTime(instantOf(date));
}

extern "C" RuntimeObject* folderGetCreation(RuntimeObject* item) {
    FolderItemImpUnix* found = imp(item);
    auto when = found ? found->CreationTime() : std::nullopt;
    return when ? NewDateAtClock(when->tv_sec) : nullptr;
}

extern "C" void folderSetCreation(RuntimeObject* item, RuntimeObject*) {
    if (FolderItemImpUnix* found = imp(item)) found->SetLastError(ENOTSUP);
}

extern "C" void FolderItemCopyFileTo(RuntimeObject* item, RuntimeObject* destination) {
    FolderItemImpUnix* found = imp(item);
    FolderItemImpUnix* target = imp(destination);
    if (!found) return;
    if (!target) {
        found->SetLastError(EINVAL);
        return;
    }
    found->CopyTo(*target);
}

extern "C" void FolderItemMoveFileTo(RuntimeObject* item, RuntimeObject* destination) {
    FolderItemImpUnix* found = imp(item);
    FolderItemImpUnix* target = imp(destination);
    if (!found) return;
    if (!target) {
        found->SetLastError(EINVAL);
        return;
    }
    found->MoveTo(*target);
}

extern "C" RTString FolderItemGetSaveInfo(RuntimeObject* item, RuntimeObject*, int32_t) {
    FolderItemImpUnix* found = imp(item);
    if (!found) return nullptr;
    std::string record = std::string(kSaveInfoPrefix) + found->Path();
    return StringFromBytes(record.data(), record.size(), kEncodingUnknown);
}

extern "C" RuntimeObject* FolderItemGetRelative(RuntimeObject*, RTString saveInfo) {
    return RuntimeGetFolderItem(saveInfo, kNativePath);
}

extern "C" RuntimeObject* FolderItemOpenTextFile(RuntimeObject* item) {
    FolderItemImpUnix* found = requiredImp(item);
    if (!found) return nullptr;
    auto file = openFile(*found, FileAccess::Read);
    return file ? NewTextInputStream(std::move(file)) : nullptr;
}

extern "C" RuntimeObject* FolderItemCreateTextFile(RuntimeObject* item) {
    FolderItemImpUnix* found = requiredImp(item);
    if (!found) return nullptr;
    auto file = createFile(*found);
    return file ? NewTextOutputStream(std::move(file)) : nullptr;
}

extern "C" RuntimeObject* FolderItemAppendTextFile(RuntimeObject* item) {
    FolderItemImpUnix* found = requiredImp(item);
    if (!found || !found->IsWriteable()) return nullptr;
    // Append mode, not a position taken once at opening: another process
    // appending at the same time must not have its lines overwritten.
    auto file = openFile(*found, FileAccess::Append);
    if (!file) return FolderItemCreateTextFile(item);
    return NewTextOutputStream(std::move(file));
}

extern "C" RuntimeObject* FolderItemOpenBinaryFile(RuntimeObject* item, bool readWrite) {
    FolderItemImpUnix* found = requiredImp(item);
    if (!found) return nullptr;
    auto file = openFile(*found, readWrite ? FileAccess::ReadWrite : FileAccess::Read);
    return file ? NewBinaryStream(std::make_unique<FileStore>(std::move(file))) : nullptr;
}

extern "C" RuntimeObject* FolderItemCreateBinaryFile(RuntimeObject* item, RTString) {
    FolderItemImpUnix* found = requiredImp(item);
    if (!found) return nullptr;
    auto file = createFile(*found);
    return file ? NewBinaryStream(std::make_unique<FileStore>(std::move(file))) : nullptr;
}
