// A file's content replaced in one step: the new content goes to a
// temporary file in the same folder, reaches the disk, and is then renamed
// over the old file. A failure anywhere (a full disk, a folder that cannot
// be written, an error midway) leaves the old file whole and no temporary
// file behind. A link is followed, so the file it names is replaced.
#pragma once

#include <string>
#include <string_view>

namespace tq::ctl {

// True once `path` holds `contents`; a file that was there keeps its
// permissions.
bool ReplaceFileContents(const std::string& path, std::string_view contents);

}  // namespace tq::ctl
