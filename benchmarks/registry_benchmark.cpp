// Times clsRegistryAccess's export and import against the system's registry
// editor on the same tree, in one run and side by side, and the same work on
// the emulated registry. A measurement, not a test: it asserts nothing about
// speed, it only refuses to time work that was not done.
//
//   registry_benchmark [repetitions]      (default 5; run under Wine)
//
// It prints the registry calls the class makes per value (counted by a
// wrapper around the registry), the time ratios against regedit, how much
// faster the same work runs on the emulated registry, and first of all, while
// the process's peak memory is still its own, the import of a 100 MB script
// that writes the same keys over and over (time and peak memory above what
// the process held before it) and the refusal of a 100 MB file whose first
// line is not the header.
//
// The tree: 1,000 keys three levels deep (10 keys, 9 below each, 10 below
// each of those) with 20 values each: 8 strings, 6 binaries, 6 DWORDs.
// Export: ExportToReg against "regedit /e" of the same key. Wine's regedit
// writes only the version-5 format (UTF-16), so the two files differ in form.
// Import: ImportFromReg against "regedit /s" of the same file, our REGEDIT4
// export, each into a tree deleted beforehand. The order of the two
// alternates between repetitions, so that neither always runs on a warm
// registry. regedit's times include starting the process; its start-up
// alone is printed too.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "forwarding_registry.h"
#include "platform/registry.h"
#include "platform/registry_emulated.h"
#include "process_memory.h"
#include "registry_access/clsRegistryAccess.h"
#include "system/process_wait.h"

namespace {

namespace fs = std::filesystem;

constexpr char kSubKey[] = "Software\\TelvoraBenchmark";
constexpr char kPath[] = "HKEY_CURRENT_USER\\Software\\TelvoraBenchmark";
constexpr int kLevel1 = 10;
constexpr int kLevel2 = 9;
constexpr int kLevel3 = 10;
constexpr int kKeys = kLevel1 + kLevel1 * kLevel2 + kLevel1 * kLevel2 * kLevel3;  // 1,000
constexpr int kValuesPerKey = 20;
constexpr unsigned long kRegeditTimeoutMs = 600000;

// Forwards every call to a registry and counts it.
class CountingRegistry : public telvora_test::ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  unsigned long calls = 0;

 protected:
  void note(Fn /*which*/, platform::Hkey /*key*/, std::string_view /*name*/, std::uint32_t /*number*/) override {
    ++calls;
  }
};

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "registry_benchmark: %s\n", what.c_str());
  std::exit(1);
}

std::string hex_text(int seed, int bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (int i = 0; i < bytes; ++i) {
    const int b = (seed * 31 + i * 7) & 0xFF;
    hex += ' ';
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

void fill_key(clsRegistryAccess& access, const std::string& path, int seed) {
  for (int i = 0; i < 8; ++i) {
    access.WriteString(path, "Metin " + std::to_string(i),
                       "Değer " + std::to_string(seed) + " " + std::string(static_cast<std::size_t>(10 + 12 * i), 'a'));
  }
  for (int i = 0; i < 6; ++i) access.WriteBinary(path, "İkili " + std::to_string(i), hex_text(seed + i, 16 + 8 * i));
  for (int i = 0; i < 6; ++i) access.WriteDWORD(path, "Sayı " + std::to_string(i), seed * 100 + i - 300);
}

void build_tree(clsRegistryAccess& access) {
  int seed = 0;
  for (int a = 0; a < kLevel1; ++a) {
    const std::string pa = std::string(kPath) + "\\Anahtar " + std::to_string(a);
    fill_key(access, pa, seed++);
    for (int b = 0; b < kLevel2; ++b) {
      const std::string pb = pa + "\\Alt " + std::to_string(b);
      fill_key(access, pb, seed++);
      for (int c = 0; c < kLevel3; ++c) fill_key(access, pb + "\\Derin " + std::to_string(c), seed++);
    }
  }
}

// Keys and values below HKEY_CURRENT_USER\sub, the key itself included, read
// through the registry directly.
void count_tree(platform::Registry& reg, const std::string& sub, int& keys, int& values) {
  platform::Hkey key = 0;
  if (reg.open_key_ex(platform::hkey::current_user, sub, 0, platform::access::read, &key) != platform::win::success) {
    return;
  }
  ++keys;
  std::vector<char> name(16384);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t len = static_cast<std::uint32_t>(name.size());
    if (reg.enum_value(key, i, name.data(), &len, nullptr, nullptr, nullptr) != platform::win::success) break;
    ++values;
  }
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t len = static_cast<std::uint32_t>(name.size());
    if (reg.enum_key_ex(key, i, name.data(), &len) != platform::win::success) break;
    children.emplace_back(name.data(), len);
  }
  reg.close_key(key);
  for (const std::string& child : children) count_tree(reg, sub + "\\" + child, keys, values);
}

void delete_tree(platform::Registry& reg, const std::string& sub) {
  platform::Hkey key = 0;
  if (reg.open_key_ex(platform::hkey::current_user, sub, 0, platform::access::all, &key) != platform::win::success) {
    return;
  }
  std::vector<std::string> children;
  std::vector<char> name(256);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t len = static_cast<std::uint32_t>(name.size());
    if (reg.enum_key_ex(key, i, name.data(), &len) != platform::win::success) break;
    children.emplace_back(name.data(), len);
  }
  reg.close_key(key);
  for (const std::string& child : children) delete_tree(reg, sub + "\\" + child);
  reg.delete_key(platform::hkey::current_user, sub);
}

void expect_whole_tree(platform::Registry& reg, const char* after) {
  int keys = 0;
  int values = 0;
  count_tree(reg, kSubKey, keys, values);
  // The tree's own top key holds no values.
  if (keys != kKeys + 1 || values != kKeys * kValuesPerKey) {
    fail(std::string("after ") + after + ": " + std::to_string(keys) + " keys and " + std::to_string(values) +
         " values instead of " + std::to_string(kKeys + 1) + " and " + std::to_string(kKeys * kValuesPerKey));
  }
}

double seconds_of(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void regedit(const std::string& arguments) {
  const long code = sys::run_and_wait("regedit.exe " + arguments, kRegeditTimeoutMs);
  if (code != 0) fail("regedit " + arguments + " ended with " + std::to_string(code));
}

struct Spread {
  double min, median, max;
};

Spread spread(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  return {v.front(), median, v.back()};
}

void print_times(const char* what, const std::vector<double>& seconds) {
  const Spread s = spread(seconds);
  std::printf("  %-34s %9.1f %9.1f %9.1f ms\n", what, s.min * 1000, s.median * 1000, s.max * 1000);
}

void print_ratio(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ours.size(); ++i) ratios.push_back(ours[i] / theirs[i]);
  const Spread s = spread(ratios);
  std::printf("  %-34s %9.2f %9.2f %9.2f\n", what, s.min, s.median, s.max);
}

std::string quoted(const fs::path& p) {
  std::string text = "\"";
  text += p.string();
  text += '"';
  return text;
}

std::uintmax_t size_of(const fs::path& p) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(p, ec);
  return ec ? 0 : n;
}

struct Memory {
  double now_mb, peak_mb;
};

Memory memory() {
  const bench::ProcessMemory m = bench::process_memory();
  return {static_cast<double>(m.working_set) / (1 << 20), static_cast<double>(m.peak_working_set) / (1 << 20)};
}

// A script of at least `bytes` that writes the benchmark's 1,000 keys with
// their 20 values over and over, each pass with other data; the first line
// is `header`.
void write_big_script(const fs::path& file, const std::string& header, std::uintmax_t bytes) {
  std::ofstream out(file, std::ios::binary);
  out << header << "\r\n\r\n";
  std::uintmax_t written = 0;
  for (int pass = 0; written < bytes; ++pass) {
    std::string block;
    int seed = 0;
    for (int a = 0; a < kLevel1; ++a) {
      for (int b = -1; b < kLevel2; ++b) {
        const int c_end = b < 0 ? 0 : kLevel3;  // a level-1 key has no level-3 keys of its own
        for (int c = -1; c < c_end; ++c) {
          std::string key = std::string(kPath) + "\\Anahtar " + std::to_string(a);
          if (b >= 0) key += "\\Alt " + std::to_string(b);
          if (c >= 0) key += "\\Derin " + std::to_string(c);
          block += "[" + key + "]\r\n";
          for (int i = 0; i < 8; ++i) {
            block += "\"Metin " + std::to_string(i) + "\"=\"Deger " + std::to_string(pass) + " " +
                     std::string(static_cast<std::size_t>(10 + 12 * i), 'a') + "\"\r\n";
          }
          for (int i = 0; i < 6; ++i) {
            std::string hex = hex_text(seed + pass + i, 16 + 8 * i).substr(1);
            std::replace(hex.begin(), hex.end(), ' ', ',');
            block += "\"Ikili " + std::to_string(i) + "\"=hex:" + hex + "\r\n";
          }
          for (int i = 0; i < 6; ++i) {
            char digits[9];
            std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(seed * 100 + i + pass));
            block += "\"Sayi " + std::to_string(i) + "\"=dword:" + digits + "\r\n";
          }
          block += "\r\n";
          ++seed;
        }
      }
    }
    out << block;
    written += block.size();
  }
}

// Imports a big script into a fresh emulated registry: the result, the time,
// and the process's memory before, after and at its peak.
void big_import(const fs::path& file, const char* what, std::int32_t expected) {
  platform::EmulatedRegistry emulated;
  clsRegistryAccess access(emulated);
  const Memory before = memory();
  std::int32_t result = -1;
  const double seconds = seconds_of([&] { result = access.ImportFromReg(file.string()); });
  const Memory after = memory();
  if (result != expected) fail(std::string(what) + ": ImportFromReg answered " + std::to_string(result));
  char peak[64] = "not raised by it";
  if (after.peak_mb > before.peak_mb) std::snprintf(peak, sizeof peak, "%+.1f MB", after.peak_mb - before.now_mb);
  std::printf("  %-34s %7.1f MB in %8.1f ms; memory after %+.1f MB, peak %s\n", what,
              static_cast<double>(size_of(file)) / (1 << 20), seconds * 1000, after.now_mb - before.now_mb, peak);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path dir = fs::temp_directory_path() / "telvora-benchmark";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path ours_file = dir / "ours.reg";
  const fs::path regedit_file = dir / "regedit.reg";
  const fs::path scratch_file = dir / "scratch.reg";
  const fs::path empty_file = dir / "empty.reg";
  std::ofstream(empty_file, std::ios::binary) << "REGEDIT4\r\n";

  // First, while the process's peak memory is still its own.
  std::printf("A 100 MB script on the emulated registry\n");
  const fs::path big_file = dir / "big.reg";
  write_big_script(big_file, "REGEDIT4", std::uintmax_t{100} << 20);
  big_import(big_file, "import of the same keys over and over", 1);
  write_big_script(big_file, "REGEDIT5", std::uintmax_t{100} << 20);
  big_import(big_file, "refusal of a bad header", 0);
  fs::remove(big_file);
  std::printf("\n");

  platform::Registry& reg = platform::default_registry();
  CountingRegistry counting(reg);
  clsRegistryAccess access(counting);
  delete_tree(reg, kSubKey);
  const double build = seconds_of([&] { build_tree(access); });
  expect_whole_tree(reg, "building the tree");

  std::vector<double> export_ours, export_regedit, import_ours, import_regedit, startup;
  unsigned long export_calls = 0;
  unsigned long import_calls = 0;
  for (int i = 0; i < repetitions; ++i) {
    auto ours = [&] {
      fs::remove(ours_file);
      counting.calls = 0;
      export_ours.push_back(seconds_of([&] {
        if (access.ExportToReg(kPath, ours_file.string()) != 1) fail("ExportToReg failed");
      }));
      export_calls = counting.calls;
    };
    auto theirs = [&] {
      fs::remove(regedit_file);
      export_regedit.push_back(seconds_of([&] { regedit("/e " + quoted(regedit_file) + " " + kPath); }));
      if (size_of(regedit_file) == 0) fail("regedit /e wrote nothing");
    };
    if (i % 2 == 0) {
      ours();
      theirs();
    } else {
      theirs();
      ours();
    }
  }

  // Both import the same file: our last export, kept aside.
  fs::copy_file(ours_file, scratch_file, fs::copy_options::overwrite_existing);
  for (int i = 0; i < repetitions; ++i) {
    auto ours = [&] {
      delete_tree(reg, kSubKey);
      counting.calls = 0;
      import_ours.push_back(seconds_of([&] {
        if (access.ImportFromReg(scratch_file.string()) != 1) fail("ImportFromReg failed");
      }));
      import_calls = counting.calls;
      expect_whole_tree(reg, "ImportFromReg");
    };
    auto theirs = [&] {
      delete_tree(reg, kSubKey);
      import_regedit.push_back(seconds_of([&] { regedit("/s " + quoted(scratch_file)); }));
      expect_whole_tree(reg, "regedit /s");
    };
    if (i % 2 == 0) {
      ours();
      theirs();
    } else {
      theirs();
      ours();
    }
    startup.push_back(seconds_of([&] { regedit("/s " + quoted(empty_file)); }));
  }
  delete_tree(reg, kSubKey);

  // The same work on the emulated registry.
  std::vector<double> emulated_build, emulated_export, emulated_import;
  for (int i = 0; i < repetitions; ++i) {
    platform::EmulatedRegistry emulated;
    clsRegistryAccess on_emulated(emulated);
    emulated_build.push_back(seconds_of([&] { build_tree(on_emulated); }));
    fs::remove(ours_file);
    emulated_export.push_back(seconds_of([&] {
      if (on_emulated.ExportToReg(kPath, ours_file.string()) != 1) fail("ExportToReg on the emulated registry failed");
    }));
    platform::EmulatedRegistry fresh;
    clsRegistryAccess on_fresh(fresh);
    emulated_import.push_back(seconds_of([&] {
      if (on_fresh.ImportFromReg(scratch_file.string()) != 1) fail("ImportFromReg on the emulated registry failed");
    }));
    expect_whole_tree(fresh, "ImportFromReg on the emulated registry");
  }

  std::printf("Tree: %d keys, %d values each (8 strings, 6 binaries, 6 DWORDs), 3 levels; %d repetitions\n", kKeys,
              kValuesPerKey, repetitions);
  std::printf("Files: ours %ju bytes (REGEDIT4, ANSI), regedit /e %ju bytes (version 5, UTF-16)\n",
              size_of(scratch_file), size_of(regedit_file));
  std::printf("Building the tree with the class: %.1f ms\n\n", build * 1000);
  std::printf("  %-34s %9s %9s %9s\n", "system registry", "min", "median", "max");
  print_times("ExportToReg", export_ours);
  print_times("regedit /e", export_regedit);
  print_times("ImportFromReg", import_ours);
  print_times("regedit /s", import_regedit);
  print_times("regedit start-up (empty script)", startup);
  std::printf("\n  %-34s %9s %9s %9s\n", "ratio ours/regedit", "min", "median", "max");
  print_ratio("export", export_ours, export_regedit);
  print_ratio("import", import_ours, import_regedit);
  std::printf("\n  %-34s %9s %9s %9s\n", "emulated registry", "min", "median", "max");
  print_times("building the tree", emulated_build);
  print_times("ExportToReg", emulated_export);
  print_times("ImportFromReg", emulated_import);
  std::printf("\n  %-34s %9s\n", "faster than in Wine's registry", "median");
  std::printf("  %-34s %8.1fx\n", "ExportToReg", spread(export_ours).median / spread(emulated_export).median);
  std::printf("  %-34s %8.1fx\n", "ImportFromReg", spread(import_ours).median / spread(emulated_import).median);
  constexpr double values = kKeys * kValuesPerKey;
  std::printf("\nRegistry calls of the class per value: export %.2f (%lu calls), import %.2f (%lu calls)\n",
              export_calls / values, export_calls, import_calls / values, import_calls);

  fs::remove_all(dir);
  return 0;
}
