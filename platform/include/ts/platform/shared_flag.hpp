// A block of memory shared by name between processes: the file `name` in $TMPDIR (/tmp
// without it), mapped shared.  An existing file of `size` bytes or more is the existing
// block; otherwise the file is made anew with that size.
#pragma once

#include <cstddef>
#include <string>

#include "ts/platform/paths.hpp"

namespace ts::platform {

// The mapped block, or nullptr when it cannot be opened or mapped (or the file belongs to
// another user or is a symbolic link).  One process keeps one mapping per file.
void* mapSharedBlock(const std::string& name, std::size_t size);

}  // namespace ts::platform
