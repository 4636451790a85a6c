#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// The one place where outputs are written under temporary names and put in
// place. A temporary lies beside its destination, so that the rename stays on
// one file system, and is named ".<name>.geolynx-<process id>-XXXXXX"; an old
// file set aside while a set is replaced ".<name>.geolynx-<process id>-old-XXXXXX".
// A later run to the same destination tells from the process id whether
// their writer is gone, and clears them up.

// True when a and b name the same file (hard links and symbolic links
// included); false when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// Creates a temporary file for destination, opened for writing and reading,
// with the mode of the file it replaces, else the mode a new file gets under
// the process's creation mask. Null with why set on failure.
std::FILE* CreateTemporary(const std::string& destination, std::string& path, std::string& why);

// Empty when destination may be replaced: it does not exist, or it is a
// regular file its owner may write. Else why not: a read-only file is
// refused rather than replaced without a word.
std::string ReplaceRefusal(const std::string& destination);

// Removes what a run that ended without clearing up left beside destination:
// its temporary files, and its set-aside old files (an old file is put back
// when destination is missing). Returns one line for each file handled.
std::vector<std::string> ClearLeftovers(const std::string& destination);

// Puts the new files (temporary, final) in place and removes stale, as one
// step: every old final and stale file is first moved aside; when any of
// that or any rename fails, the new files are removed, the old ones put
// back, and why says which file failed and why. The temporaries are renamed
// in the order given, so the file readers look for first goes last. On
// success the set-aside files are removed.
bool ReplaceFiles(const std::vector<std::pair<std::string, std::string>>& files,
                  const std::vector<std::string>& stale, std::string& why);
