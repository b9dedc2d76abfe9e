#include "devlink/platform/hidraw/node_cache.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "devlink/platform/hidraw/sysfs.h"

namespace tq::hidraw {
namespace {

constexpr std::string_view kNodePrefix = "hidraw";

// "hidraw12" -> 12.
std::optional<unsigned> NodeNumber(std::string_view name) {
  if (!name.starts_with(kNodePrefix)) return std::nullopt;
  name.remove_prefix(kNodePrefix.size());
  return ParseUnsigned(name, 10);
}

}  // namespace

std::optional<NodeIdentity> IdentityOf(KernelCalls& kernel, int fd) {
  struct stat status{};
  if (kernel.Fstat(fd, status) < 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
  return NodeIdentity{status.st_rdev, status.st_ino};
}

NodeCache::NodeCache(std::string classDir, std::string nodePathPrefix, KernelCalls& kernel)
    : classDir_(std::move(classDir)), nodePathPrefix_(std::move(nodePathPrefix)), kernel_(kernel) {}

void NodeCache::List() {
  listed_.clear();
  if (DIR* dir = ::opendir(classDir_.c_str())) {
    while (const dirent* item = ::readdir(dir)) {
      if (const auto number = NodeNumber(item->d_name)) {
        listed_.push_back(ListedNode{*number, item->d_ino});
      }
    }
    ::closedir(dir);
  }
  std::ranges::sort(listed_);
  std::erase_if(nodes_, [this](const auto& node) {
    const auto it = std::ranges::lower_bound(listed_, node.first, {}, &ListedNode::number);
    if (it == listed_.end() || it->number != node.first) return true;
    NodeFacts& facts = *node.second;
    if (facts.classEntry != 0 && facts.classEntry != it->entry) return true;
    facts.classEntry = it->entry;
    return false;
  });
}

std::optional<unsigned> NodeCache::NumberOfPath(std::string_view path) const {
  if (!path.starts_with(nodePathPrefix_)) return std::nullopt;
  path.remove_prefix(nodePathPrefix_.size());
  if (path.size() > 1 && path.front() == '0') return std::nullopt;
  return ParseUnsigned(path, 10);
}

std::shared_ptr<NodeFacts> NodeCache::FactsFor(std::string_view path, int fd) {
  const auto identity = IdentityOf(kernel_, fd);
  const auto number = NumberOfPath(path);
  if (!identity || !number) return std::make_shared<NodeFacts>(identity);
  std::shared_ptr<NodeFacts>& cached = nodes_[*number];
  if (!cached || cached->identity != identity) {
    cached = std::make_shared<NodeFacts>(identity);
    const auto it = std::ranges::lower_bound(listed_, *number, {}, &ListedNode::number);
    if (it != listed_.end() && it->number == *number) cached->classEntry = it->entry;
  }
  return cached;
}

std::shared_ptr<NodeFacts> NodeCache::KnownAsListed(std::optional<unsigned> number) const {
  if (!number) return nullptr;
  const auto it = nodes_.find(*number);
  if (it == nodes_.end()) return nullptr;
  const NodeFacts& facts = *it->second;
  if (!facts.identity || facts.classEntry == 0 || !facts.info.Known()) return nullptr;
  return it->second;
}

}  // namespace tq::hidraw
