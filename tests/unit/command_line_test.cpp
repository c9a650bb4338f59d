#include "forms/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "system/command_line.h"

namespace {

// What a command line gives, split by the system's rules as the program's own is.
forms::StartOptions parse(const std::string& command_line) {
  std::vector<std::string> arguments = sys::split_command_line("Telvora.exe " + command_line);
  arguments.erase(arguments.begin());
  return forms::parse_command_line(arguments);
}

TEST(CommandLine, ReadsEverySwitchFormAndTheLastOfTwo) {
  struct Case {
    std::string line;
    std::optional<std::string> name, email;
    std::optional<int> program;
    bool quiet = false, help = false, no_check = false, require_tls = false;
  };
  const Case cases[] = {
      {"", {}, {}, {}},
      {R"(/name:"Ali Veli" -EMAIL=ali@ornek.com /Program:Express)", "Ali Veli", "ali@ornek.com", 1},
      {R"("/name:Ayşe Işık" /email="ayse@örnek.com" /program:OUTLOOK)", "Ayşe Işık", "ayse@örnek.com", 0},
      {"/program=0", {}, {}, 0},
      {"-program:1", {}, {}, 1},
      {"/name:Eski /name:Yeni /program:express /program:outlook", "Yeni", {}, 0},
      {"/name:a:b /email=a=b@c", "a:b", "a=b@c", {}},
      {"/name:张伟😀", "张伟😀", {}, {}},
      {"/QUIET /name:x -email:y@z /program:1", "x", "y@z", 1, true},
      {"/?", {}, {}, {}, false, true},
      {"-HELP /quiet", {}, {}, {}, true, true},
      {"/NoCheck /quiet /name:x /email:y@z /program:0", "x", "y@z", 0, true, false, true},
      {"-nocheck", {}, {}, {}, false, false, true},
      {"/RequireTLS /quiet /name:x /email:y@z /program:0", "x", "y@z", 0, true, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const forms::StartOptions options = parse(c.line);
    EXPECT_EQ(options.error, "");
    EXPECT_EQ(options.name, c.name);
    EXPECT_EQ(options.email, c.email);
    EXPECT_EQ(options.program, c.program);
    EXPECT_EQ(options.quiet, c.quiet);
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.no_check, c.no_check);
    EXPECT_EQ(options.require_tls, c.require_tls);
  }
}

TEST(CommandLine, NeverGuessesAtAWrongOne) {
  struct Case {
    std::string line;
    std::string error;
    bool quiet = false;
  };
  const Case cases[] = {
      {"/foo", "Tanınmayan anahtar: /foo"},
      {"ali@ornek.com", "Tanınmayan anahtar: ali@ornek.com"},
      {"/name", "Değeri verilmemiş anahtar: /name"},
      {"/email: /name:Ali", "Değeri verilmemiş anahtar: /email:"},
      {"/program:thunderbird", "Geçersiz program: thunderbird (outlook, express, 0 ya da 1 olmalı)"},
      {"/quiet:yes", "Değer almayan anahtar: /quiet:yes"},
      {"/nocheck=1", "Değer almayan anahtar: /nocheck=1"},
      {"-requiretls:1", "Değer almayan anahtar: -requiretls:1"},
      {"/nocheck /quiet /name:x /email:y@z /program:0 -REQUIRETLS", "/requiretls ile /nocheck birlikte kullanılamaz.",
       true},
      // The first fault is told, and /quiet counts wherever it stands.
      {"/bad /name /quiet", "Tanınmayan anahtar: /bad", true},
      {"/quiet /name:Ali /program:1",
       "Pencere göstermeden kurmak için /name, /email ve /program anahtarlarının üçü de gerekli.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const forms::StartOptions options = parse(c.line);
    EXPECT_EQ(options.error, c.error);
    EXPECT_EQ(options.quiet, c.quiet);
  }
}

}  // namespace
