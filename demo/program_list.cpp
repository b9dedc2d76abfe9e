#include "demo/program_list.h"

#include <algorithm>

namespace tq::demo {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

ProgramList ParseProgramList(const std::string& argument, const std::vector<std::string>& offered) {
  ProgramList list;
  const auto refuse = [&](const std::string& why) {
    list.names.clear();
    list.error = why + "; this demo offers " + Joined(offered) +
                 ", comma-separated (--program encoders,monitor)";
    return list;
  };
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = argument.find(',', start);
    const std::string name = argument.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name.empty()) return refuse("--program lacks a name in \"" + argument + "\"");
    if (std::find(offered.begin(), offered.end(), name) == offered.end()) {
      return refuse("no program \"" + name + "\" in this build");
    }
    if (std::find(list.names.begin(), list.names.end(), name) != list.names.end()) {
      return refuse("\"" + name + "\" is named twice");
    }
    list.names.push_back(name);
    if (comma == std::string::npos) return list;
    start = comma + 1;
  }
}

std::string ScreenshotPath(const std::string& file, const std::string& program, bool several) {
  if (!several) return file;
  const std::size_t slash = file.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = file.find_last_of('.');
  // A dot that leads the name ("/tmp/.png") or sits in a folder's name is no
  // extension.
  if (dot == std::string::npos || dot <= nameStart) return file + "-" + program;
  return file.substr(0, dot) + "-" + program + file.substr(dot);
}

}  // namespace tq::demo
