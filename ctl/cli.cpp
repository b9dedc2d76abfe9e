#include "ctl/cli.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <exception>

#include "ctl/commands.h"
#include "ctl/watch.h"

#ifndef TQ5271CTL_VERSION
#define TQ5271CTL_VERSION "0"
#endif

namespace tq::ctl {
namespace {

// The longest watch: a year, which keeps its end well inside the clock.
constexpr double kMaxWatchSeconds = 365.0 * 24 * 3600;

// --for's range in plain words, where CLI11 would print a double's bounds.
std::string CheckSeconds(std::string& text) {
  double seconds = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, seconds);
  if (error == std::errc{} && stop == end && seconds > 0 && seconds <= kMaxWatchSeconds) return "";
  return "'" + text + "' is not a time to watch for: give the seconds as a number above 0 and "
         "at most 31536000 (a year), such as 10 or 0.5";
}

CLI::App* FindCommand(CLI::App& app, const std::string& name) {
  const auto found =
      app.get_subcommands([&](const CLI::App* command) { return command->get_name() == name; });
  return found.empty() ? nullptr : found.front();
}

std::string NoCommand(CLI::App& app, const std::string& name) {
  std::string names;
  for (const CLI::App* command : app.get_subcommands({})) {
    names += (names.empty() ? "" : ", ") + command->get_name();
  }
  return (name.empty() ? "no command given" : "no command '" + name + "'") +
         "; the commands are " + names;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, HidApi& api, const HostHints& hints,
                   std::ostream& out, std::ostream& err) {
  CLI::App app{"Lists TQ5271 boards, shows their settings, saves them to a file and puts them "
               "back.",
               "tq5271ctl"};
  app.set_version_flag("--version", "tq5271ctl " TQ5271CTL_VERSION);
  app.require_subcommand(1);

  std::optional<std::string> serial;
  std::string file;
  bool json = false;
  bool dryRun = false;
  std::vector<std::string> assignments;
  const auto serialOption = [&](CLI::App* command) {
    command->add_option("--serial", serial, "the board's serial number (needed with several)");
  };

  CLI::App* list = app.add_subcommand(
      "list", "every HID interface of the accepted vendors; exit 0 when a board is usable, 1 "
              "when none is, 2 on an error");
  CLI::App* show = app.add_subcommand("show", "the board's settings by name and as bytes");
  serialOption(show);
  show->add_flag("--json", json, "as JSON");
  CLI::App* save = app.add_subcommand("save", "every setting byte of the board to a JSON file");
  save->add_option("FILE", file, "the file to write")->required();
  serialOption(save);
  CLI::App* restore = app.add_subcommand(
      "restore", "put a saved file's settings back onto a board and verify them");
  restore->add_option("FILE", file, "a file written by save")->required();
  serialOption(restore);
  restore->add_flag("--dry-run", dryRun, "say what would be sent; send nothing");
  CLI::App* set = app.add_subcommand(
      "set", "change a few settings: enc1..enc16=OFF|1:1|1:2|1:4, pulse=8ms..200ms, "
             "invert=1,3|none, mode1..mode8=normal|zoom (not mode7), auto=on|off");
  set->add_option("NAME=VALUE", assignments, "the settings to change")->required();
  serialOption(set);
  set->add_flag("--dry-run", dryRun, "say what would be sent; send nothing");
  WatchOptions watchOptions;
  CLI::App* watch = app.add_subcommand(
      "watch", "one line per change of the board's inputs (axis, button, encoder pulse with its "
               "length, a pair marked against its settings) until Ctrl-C or the time is up");
  serialOption(watch);
  watch->add_flag("--json", watchOptions.json, "one JSON object per line");
  watch->add_option("--for", watchOptions.forSeconds, "stop after SECONDS")
      ->type_name("SECONDS")
      ->check(CLI::Validator(CheckSeconds, "SECONDS"));
  std::string topic;
  CLI::App* helpCommand =
      app.add_subcommand("help", "this text; help COMMAND: that command's options");
  helpCommand->add_option("COMMAND", topic, "the command to explain");

  // Anything but an option where the command goes is named, rather than
  // reported as a missing command.
  const std::string first = argc > 1 ? argv[1] : "";
  if (!first.starts_with("-") && FindCommand(app, first) == nullptr) {
    err << "tq5271ctl: " << NoCommand(app, first) << "\n";
    return kExitError;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help, out, err);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help, out, err);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version, out, err);
  } catch (const CLI::ParseError& error) {
    err << "tq5271ctl: " << error.what() << " (see tq5271ctl --help)\n";
    return kExitError;
  }

  if (helpCommand->parsed()) {
    if (topic.empty()) {
      // The whole program's, where app.help() would now give the help command's own.
      out << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
      return kExitOk;
    }
    CLI::App* command = FindCommand(app, topic);
    if (command == nullptr) {
      err << "tq5271ctl: " << NoCommand(app, topic) << "\n";
      return kExitError;
    }
    out << command->help(app.get_name());
    return kExitOk;
  }

  const Console console{api, hints, out, err};
  // Whatever goes wrong ends in one line of ours, never in terminate().
  try {
    if (list->parsed()) return List(console);
    if (show->parsed()) return Show(console, serial, json);
    if (save->parsed()) return Save(console, file, serial);
    if (restore->parsed()) return Restore(console, file, serial, dryRun);
    if (watch->parsed()) return Watch(console, serial, watchOptions);
    return Set(console, assignments, serial, dryRun);
  } catch (const std::exception& error) {
    err << "tq5271ctl: " << error.what() << "\n";
    return kExitError;
  }
}

}  // namespace tq::ctl
