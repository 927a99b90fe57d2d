// The folders a permission list names, and the files in them that may leave
// this system: shared by the permission pass and the test mode.
#pragma once
#include "Common/FolderItem.h"
#include "Common/String.h"
#include "Universal/Forward.h"
#include "app/RunFailure.h"

/// Whether `folder` (a folder item) is the program's own folder or one of the
/// folders of the permission list with its passwords, the log and the debug
/// files (the same in a build without an install layout), never served,
/// whatever path names it.
bool IsProgramFolder(const rt::FolderItem& folder);

/// Whether `a` and `b` are the same folder (device and inode, links followed); false when either is nil.
bool SameFolder(const rt::FolderItem& a, const rt::FolderItem& b);

/// Whether `item` names a regular file (after links): the only kind sent,
/// and the only kind a failed session takes back.
bool IsPlainFile(const rt::FolderItem& item);

/// Entry `index` (1-based) of `folder` as a file under its own name: a link is
/// not followed for the name or path, only for the size and type. Nil for a
/// folder, a link to one, or an index past the end.
rt::FolderItem ListedFile(const rt::FolderItem& folder, int32_t index);

/// Why the listed `file` named `name` cannot be sent: a name a mailer cannot
/// carry, a dangling link, anything but a plain file, a file never served
/// (NeverServed.h), or a file that cannot be opened. Empty when it can.
rt::String WhyNotServable(const rt::FolderItem& file, const rt::String& name);

/// The folder `folder` of a permission line (found as `item`) as the mailer
/// must be told it: a relative one (or none) lies in the program folder, but
/// the mailer would take it against its own working folder, so it is given
/// absolute.
rt::String FolderForMailer(const rt::String& folder, const rt::FolderItem& item, const rt::String& separator);

/// Whether `folder` holds a file (not a folder) whose name fits `mask`.
RunResult<bool> HoldsAFittingFile(RuntimeObject* app, const rt::FolderItem& folder, const rt::String& mask);
