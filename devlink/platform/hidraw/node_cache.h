// The hidraw nodes as sysfs last listed them, and what is known of each
// (node_facts.h) while the same device holds it. A walk lists the nodes
// once; every node the listing shows with the device it had when it was
// last opened is answered from here.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/platform/hidraw/kernel_calls.h"
#include "devlink/platform/hidraw/node_facts.h"

namespace tq::hidraw {

// One entry of /sys/class/hidraw.
struct ListedNode {
  unsigned number = 0;
  ino_t entry = 0;
  friend auto operator<=>(const ListedNode&, const ListedNode&) = default;
};

// The node behind an open descriptor; none for anything but a character
// device.
std::optional<NodeIdentity> IdentityOf(KernelCalls& kernel, int fd);

class NodeCache {
 public:
  // `classDir` is sysfs' hidraw class, `nodePathPrefix` the path of a node
  // without its number ("/dev/hidraw").
  NodeCache(std::string classDir, std::string nodePathPrefix, KernelCalls& kernel);

  // Lists the class in number order, and forgets every node that went or
  // was taken by another device since the last listing.
  void List();
  const std::vector<ListedNode>& Listed() const { return listed_; }

  // "<dev>/hidraw12" -> 12, only for the paths a walk hands out.
  std::optional<unsigned> NumberOfPath(std::string_view path) const;
  const std::string& NodePathPrefix() const { return nodePathPrefix_; }

  // What is known of the node just opened at `path` as `fd`: the cached
  // facts while the same device holds it, fresh ones for a new device or
  // another path.
  std::shared_ptr<NodeFacts> FactsFor(std::string_view path, int fd);

  // What is known of node `number`, if the last listing showed it with the
  // same device as when it was last opened and asked for its attributes.
  std::shared_ptr<NodeFacts> KnownAsListed(std::optional<unsigned> number) const;

 private:
  std::string classDir_;
  std::string nodePathPrefix_;  // a node's path is this and its number
  KernelCalls& kernel_;
  // What is known of each node present at the last listing, by number.
  std::map<unsigned, std::shared_ptr<NodeFacts>> nodes_;
  std::vector<ListedNode> listed_;
};

}  // namespace tq::hidraw
