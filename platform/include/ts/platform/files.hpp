// Files written safely: whole, through a temporary file renamed into place; reading and
// writing whole streams.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace ts::platform {

// Creates the folder and its parents (mode 0700 for new ones); false on failure.
bool makeFolders(const std::string& folder);

// Writes `contents` to `path`: into a temporary file in the same folder, flushed, then
// renamed onto `path`.  A new file gets `mode`; an existing one keeps its own.  On failure
// the file is as it was and no temporary file is left.
bool writeFileAtomically(const std::string& path, std::string_view contents, mode_t mode);

// Renames `from` to `to` unless `to` exists: never replaces a file (renameat2 with
// RENAME_NOREPLACE, or a hard link and unlink where the file system lacks it).  On failure
// returns false with errno set (EEXIST when `to` exists).
bool renameNoReplace(const std::string& from, const std::string& to);

}  // namespace ts::platform

namespace ts::platform {

// Writes all n bytes to fd, again after interruptions and short writes.  False with errno
// set on failure (a write of nothing counts as EIO).
bool writeAll(int fd, const void* data, std::size_t n);

// Reads fd to its end in pieces of `pieceSize` bytes, handing each to `piece`; a piece
// callback that returns false stops the reading.  False with errno set on a read error.
bool readInPieces(int fd, std::size_t pieceSize,
                  const std::function<bool(std::string_view piece)>& piece);

}  // namespace ts::platform
