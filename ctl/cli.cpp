#include "ctl/cli.h"

#include <CLI/CLI.hpp>

#include "ctl/commands.h"
#include "ctl/watch.h"

#ifndef TQ5271CTL_VERSION
#define TQ5271CTL_VERSION "0"
#endif

namespace tq::ctl {

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
      ->check(CLI::PositiveNumber);

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

  const Console console{api, hints, out, err};
  if (list->parsed()) return List(console);
  if (show->parsed()) return Show(console, serial, json);
  if (save->parsed()) return Save(console, file, serial);
  if (restore->parsed()) return Restore(console, file, serial, dryRun);
  if (watch->parsed()) return Watch(console, serial, watchOptions);
  return Set(console, assignments, serial, dryRun);
}

}  // namespace tq::ctl
