// The program's switches: a help desk's shortcut fills the main window, an
// administrator's script sets the account up without any window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace forms {

struct StartOptions {
  std::optional<std::string> name;   // /name:<text>
  std::optional<std::string> email;  // /email:<address>
  std::optional<int> program;        // /program:outlook|express|0|1, as the program list's index
  bool quiet = false;                // /quiet: no window at all
  bool no_check = false;             // /nocheck: the mail server is not checked
  bool require_tls = false;          // /requiretls: set up only with both sides encrypted
  bool help = false;                 // /? or /help
  // What is wrong with the command line, in the window's language; empty
  // when nothing is. A wrong command line is never guessed at.
  std::string error;
};

// Reads the arguments (the program name left out). Switches start with "/" or
// "-", in any letter case; a value follows ":" or "="; a switch given twice
// counts with its last value.
StartOptions parse_command_line(const std::vector<std::string>& arguments);

// The switches and the exit codes of a quiet run, in Turkish.
std::string usage_text();

}  // namespace forms
