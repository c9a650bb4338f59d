// Process start and environment expansion of the native build. The command
// line follows the Windows rules: the program is found as CreateProcess finds
// it, and the arguments are split as a Windows program's C runtime splits
// them, so the started program sees what it would see on Windows.
#include "system/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/runtime_error.h"
#include "system/command_line.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace sys {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_executable_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A name without a folder is looked up on PATH, as Windows does.
std::optional<std::string> find_program(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (is_executable_file(name)) return name;
    return std::nullopt;
  }
  const char* path_variable = std::getenv("PATH");
  const std::string search = path_variable != nullptr ? path_variable : "/usr/bin:/bin";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = search.find(':', start);
    // A view, not a string: g++ 12 at -O2 warns falsely (-Wrestrict) on the
    // assignment of "." to a std::string here.
    std::string_view folder =
        std::string_view(search).substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = std::string(folder) + "/" + name;
    if (is_executable_file(candidate)) return candidate;
    if (end == std::string::npos) return std::nullopt;
    start = end + 1;
  }
}

// CreateProcess without an application name: a quoted first token is the
// program; an unquoted one is tried up to each blank in turn, so that
// C:\Program Files\App\app.exe runs without quotes.
std::optional<std::string> resolve_program(const std::string& line) {
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    return find_program(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  }
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || is_blank(line[i])) {
      if (auto found = find_program(line.substr(0, i))) return found;
    }
  }
  return std::nullopt;
}

}  // namespace

// The C runtime's splitting: the program name ends at a blank outside quotes
// and knows no escapes; in the arguments 2n backslashes before a quote give n
// backslashes and the quote opens or closes, 2n+1 give n and a literal quote,
// and other backslashes are literal.
std::vector<std::string> split_command_line(const std::string& line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  std::string program;
  bool quoted = false;
  for (; i < line.size() && (quoted || !is_blank(line[i])); ++i) {
    if (line[i] == '"') {
      quoted = !quoted;
    } else {
      program += line[i];
    }
  }
  args.push_back(program);
  for (;;) {
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size()) break;
    std::string arg;
    quoted = false;
    while (i < line.size() && (quoted || !is_blank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t count = 0;
        while (i < line.size() && line[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < line.size() && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (line[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

unsigned long start_process(const std::string& command_line, int /*show_window: no windows here*/) {
  const std::optional<std::string> program = resolve_program(command_line);
  if (!program) platform::raise_runtime_error(platform::errnum::file_not_found);
  std::vector<std::string> args = split_command_line(command_line);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // The program runs on its own, as a started Windows program does: its own
  // session, no terminal streams of ours.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const int fd : {0, 1, 2}) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  const int result = posix_spawn(&pid, program->c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) platform::raise_runtime_error(platform::errnum::file_not_found);

  // Nobody waits for the program, but it must not stay a zombie: a detached
  // thread collects its exit status.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return static_cast<unsigned long>(pid);
}

namespace {

// Windows looks names up without regard to letter case.
std::optional<std::string> environment_value(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* eq = std::strchr(*entry, '=');
    if (eq == nullptr || static_cast<std::size_t>(eq - *entry) != name.size()) continue;
    if (strncasecmp(*entry, name.c_str(), name.size()) == 0) return std::string(eq + 1);
  }
  return std::nullopt;
}

}  // namespace

// As ExpandEnvironmentStrings: an unknown %NAME% stays as it is, both signs
// included, and the scan goes on after it; a "%" without a partner stays.
std::string expand_environment_strings(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    const std::size_t close = text.find('%', i + 1);
    if (close == std::string::npos) {
      out += text.substr(i);
      break;
    }
    const auto value = environment_value(text.substr(i + 1, close - i - 1));
    out += value ? *value : text.substr(i, close - i + 1);
    i = close + 1;
  }
  return out;
}

}  // namespace sys
