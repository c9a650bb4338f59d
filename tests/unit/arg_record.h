// Reading what the argument recorder (tests/tools/arg_recorder.cpp) wrote
// beside itself: on Windows the show-window value first, then its
// arguments, one a line.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace telvora_test {

// The recorder runs on its own: wait up to 15 s for its record.
inline std::vector<std::string> wait_for_record(const std::string& program) {
  const std::string path = program + ".txt";
  for (int i = 0; i < 300 && !platform::file_exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!platform::file_exists(path)) return {"<not started>"};
  std::string text = platform::read_file_bytes(path);
#ifdef _WIN32
  text = platform::ansi_to_utf8(text);  // the program got its arguments in the ANSI code page
#endif
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace telvora_test
