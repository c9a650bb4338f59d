// The language runtime's own numbered errors, raised by the platform services
// with the program's name as source and the runtime's English description.
#pragma once

#include <string>

#include "platform/error.h"

namespace platform {

inline constexpr const char* program_name = "Telvora";

namespace errnum {
constexpr long invalid_procedure_call = 5;    // "Invalid procedure call or argument"
constexpr long bad_file_name_or_number = 52;  // "Bad file name or number"
}  // namespace errnum

inline std::string runtime_error_description(long number) {
  switch (number) {
    case errnum::invalid_procedure_call: return "Invalid procedure call or argument";
    case errnum::overflow: return "Overflow";
    case errnum::out_of_memory: return "Out of memory";
    case errnum::bad_file_name_or_number: return "Bad file name or number";
    case errnum::file_not_found: return "File not found";
    case errnum::permission_denied: return "Permission denied";
    case errnum::path_file_access: return "Path/File access error";
    case errnum::path_not_found: return "Path not found";
    default: return "Application-defined or object-defined error";
  }
}

[[noreturn]] inline void raise_runtime_error(long number) {
  throw RuntimeError(number, program_name, runtime_error_description(number));
}

}  // namespace platform
