// A file read whole only when it is a regular file of at most a given size,
// or standard input read up to that size; anything else is refused by what
// it is before a byte of it is read, so a directory, a device or a FIFO
// given by mistake never blocks, floods memory or half-reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tq::ctl {

// "-" reads standard input (a pipe from another command, or a file
// redirected to it). Returns nullopt with the content in `text`, or what
// is wrong in a few words ("is a directory, not a file").
std::optional<std::string> ReadBoundedFile(const std::string& path, std::size_t limit,
                                           std::string& text);

}  // namespace tq::ctl
