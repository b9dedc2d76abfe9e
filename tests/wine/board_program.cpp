#include "tests/wine/board_program.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tq::winetest {

std::optional<BoardRequest> ParseBoardRequest(const std::string& line) {
  std::istringstream words(line);
  BoardRequest request;
  std::string value;
  std::string length;
  if (!(words >> request.type >> value >> length)) return std::nullopt;
  if (value.rfind("value=", 0) != 0 || length.rfind("length=", 0) != 0) return std::nullopt;
  try {
    request.value = static_cast<std::uint16_t>(std::stoul(value.substr(6), nullptr, 16));
    request.length = static_cast<std::uint16_t>(std::stoul(length.substr(7)));
    for (std::string word; words >> word;) {
      if (word == "stall") {
        request.stalled = true;
      } else {
        request.bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
      }
    }
  } catch (const std::logic_error&) {
    return std::nullopt;
  }
  return request;
}

BoardProgram::BoardProgram() {
  const char* folder = std::getenv("TQ_BOARD_FOLDER");
  if (folder == nullptr || *folder == '\0') throw std::runtime_error("TQ_BOARD_FOLDER is not set");
  // Wine shows the whole Unix tree as drive Z.
  folder_ = std::string("Z:") + folder + "\\";
  for (char& c : folder_) {
    if (c == '/') c = '\\';
  }
}

std::vector<BoardRequest> BoardProgram::Log(int board) const {
  std::ifstream file(folder_ + "board" + std::to_string(board) + ".log");
  std::vector<BoardRequest> requests;
  for (std::string line; std::getline(file, line);) {
    // A line still being written has no end yet and is read next time.
    if (file.eof()) break;
    if (auto request = ParseBoardRequest(line)) requests.push_back(std::move(*request));
  }
  return requests;
}

std::vector<BoardRequest> BoardProgram::Since(int board, std::size_t mark,
                                            const std::string& type) const {
  const auto all = Log(board);
  std::vector<BoardRequest> requests;
  for (std::size_t i = mark; i < all.size(); ++i) {
    if (type.empty() || all[i].type == type) requests.push_back(all[i]);
  }
  return requests;
}

bool BoardProgram::Ask(const std::string& command, const std::string& done) {
  const std::string request = folder_ + "request";
  const std::string reply = folder_ + "reply";
  DeleteFileA(reply.c_str());
  {
    std::ofstream file(request + ".tmp");
    file << command << "\n";
  }
  // The guest script picks the request up only once it is whole.
  if (!MoveFileExA((request + ".tmp").c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return false;
  }
  std::string answer;
  WaitUntil(
      [&] {
        std::ifstream file(reply);
        return static_cast<bool>(std::getline(file, answer));
      },
      std::chrono::seconds(60));
  DeleteFileA(reply.c_str());
  return answer.rfind(done + " ", 0) == 0;
}

Bytes SetData(std::uint8_t command, std::uint8_t value, std::size_t reportLength) {
  Bytes bytes(reportLength - 1, 0);
  bytes.at(0) = command;
  bytes.at(1) = value;
  return bytes;
}

std::vector<Bytes> SetsIn(const std::vector<BoardRequest>& requests) {
  std::vector<Bytes> sets;
  for (const auto& request : requests) {
    if (request.type == "SET_REPORT") sets.push_back(request.bytes);
  }
  return sets;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    // What is waited for happens in another process (the guest's script,
    // Wine's device handling) on the VM's clock, and tells this one nothing
    // it could wait on: it is looked at again a quarter second later.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  return true;
}

}  // namespace tq::winetest
