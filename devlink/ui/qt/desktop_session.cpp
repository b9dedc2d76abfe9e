#include "devlink/ui/qt/desktop_session.h"

#include <QApplication>
#include <QByteArray>
#include <QIcon>
#include <cstdlib>
#include <filesystem>

namespace tq::ui {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The socket of a local X display (":0", ":1.0", "unix:0"); empty for a
// display on another host, which only a connection could check.
std::string LocalXSocket(const std::string& display) {
  const auto colon = display.rfind(':');
  if (colon == std::string::npos) return {};
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return {};
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty()) return {};
  return "/tmp/.X11-unix/X" + number;
}

bool WaylandSocketExists(const std::string& display) {
  if (display.empty()) return false;
  if (display.front() == '/') return std::filesystem::exists(display);
  const std::string runtime = Env("XDG_RUNTIME_DIR");
  return !runtime.empty() && std::filesystem::exists(runtime + "/" + display);
}

}  // namespace

std::string MissingDisplay() {
  const std::string platform = Env("QT_QPA_PLATFORM");
  // Offscreen, VNC, framebuffer and the like need no desktop display.
  if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) {
    return {};
  }
  const std::string wayland = Env("WAYLAND_DISPLAY");
  if (platform.rfind("xcb", 0) != 0 && WaylandSocketExists(wayland)) return {};
  const std::string x = Env("DISPLAY");
  if (platform.rfind("wayland", 0) != 0 && !x.empty()) {
    const std::string socket = LocalXSocket(x);
    if (socket.empty() || std::filesystem::exists(socket)) return {};
    return "cannot open display \"" + x + "\": no X server listens on " + socket;
  }
  if (!wayland.empty()) return "cannot open Wayland display \"" + wayland + "\": no such socket";
  return "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
}

void PresentToDesktop(QApplication& app, const char* desktopName, const char* fallbackIcon) {
  QGuiApplication::setDesktopFileName(desktopName);
  app.setWindowIcon(QIcon::fromTheme(desktopName, QIcon(fallbackIcon)));
}

void OffscreenWithoutWindow(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg.startsWith("--screenshot") || arg == "-h" || arg == "--help" || arg == "--help-all") {
      if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
      return;
    }
  }
}

}  // namespace tq::ui
