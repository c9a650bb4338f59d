// The one text form in which an error that reaches the program's top is
// shown, in the window's language.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "platform/error.h"
#include "platform/runtime_error.h"

namespace sys {

// What the user reads about an error that reached the top, in the window's
// language: the runtime's errors by their number, the registry class's errors
// (11001 to 11008, described by the operation's name) as a registry failure of
// that operation; any other error keeps its own description.
inline std::string user_description(const platform::RuntimeError& error) {
  switch (error.number()) {
    case 5: return "Geçersiz yordam çağrısı veya bağımsız değişken";
    case 6: return "Taşma";
    case 7: return "Yetersiz bellek";
    case 51: return "İç hata";
    case 52: return "Hatalı dosya adı veya numarası";
    case 53: return "Dosya bulunamadı";
    case 57: return "Aygıt G/Ç hatası";
    case 61: return "Disk dolu";
    case 70: return "İzin reddedildi";
    case 75: return "Yol/Dosya erişim hatası";
    case 76: return "Yol bulunamadı";
    case 380: return "Geçersiz özellik değeri";
    case 424: return "Nesne gerekli";
    case 481: return "Geçersiz resim";
    default: break;
  }
  if (error.number() >= 11001 && error.number() <= 11008) {
    return "Kayıt defteri işlemi yapılamadı (" + error.description() + ")";
  }
  return error.description();
}

// Any exception as the runtime error it stands for: the library's own
// failures are the runtime's "Out of memory" (7) and "Internal error" (51).
inline platform::RuntimeError as_runtime_error(const std::exception& error) {
  if (const auto* runtime = dynamic_cast<const platform::RuntimeError*>(&error)) return *runtime;
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
    return {platform::errnum::out_of_memory, platform::program_name,
            platform::runtime_error_description(platform::errnum::out_of_memory)};
  }
  return {51, platform::program_name, "Internal error"};
}

// The box text for an error that ends the program: its number, then its
// description.
inline std::string escaped_error_text(const platform::RuntimeError& error) {
  return "Çalışma zamanı hatası '" + std::to_string(error.number()) + "':\r\n\r\n" + user_description(error);
}

}  // namespace sys
