// The one error type of the system: a numbered error with its source and
// description, as the registry classes and the platform services raise them.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace platform {

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(long number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  long number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }

 private:
  long number_;
  std::string source_;
  std::string description_;
};

// Numbers of the language runtime's own errors that the system raises.
namespace errnum {
constexpr long overflow = 6;            // "Overflow"
constexpr long out_of_memory = 7;       // "Out of memory"
constexpr long file_not_found = 53;     // "File not found"
constexpr long permission_denied = 70;  // "Permission denied"
constexpr long path_file_access = 75;   // "Path/File access error"
constexpr long path_not_found = 76;     // "Path not found"
}  // namespace errnum

}  // namespace platform
