// Drives a running Telvora.exe from another process, as a user would: finds
// its windows by caption and controls by ID, types, chooses, clicks, presses
// keys, answers message boxes and reads texts back through window messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

std::wstring widen(const std::string& utf8);
std::string to_utf8(const std::wstring& wide);
// The ANSI bytes of a text in the given code page, as the program writes them.
std::string to_code_page(const std::wstring& wide, UINT code_page);
// A Unix path of the build as Wine sees it (drive Z: is the Unix root).
std::wstring from_unix_path(const std::string& unix_path);

void remove_tree(const std::wstring& folder);
void make_folders(const std::wstring& folder);
bool file_exists(const std::wstring& path);
std::string read_file(const std::wstring& path);  // bytes; empty when missing

// Polls until the condition holds or the time is up; returns the last result.
template <class F>
bool wait_until(F&& condition, int timeout_ms = 10000) {
  for (int waited = 0;; waited += 20) {
    if (condition()) return true;
    if (waited >= timeout_ms) return false;
    Sleep(20);
  }
}

enum class Icon { none, error, information, exclamation, other };
const char* icon_name(Icon icon);

struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  Icon icon = Icon::none;
  int default_button = 0;  // IDOK, IDYES, IDNO...: what Enter presses
};

// Text of a window of any process (WM_GETTEXT, which also reads an edit's
// current text, not its creation text).
std::wstring text_of(HWND hwnd);
void type(HWND edit, const std::wstring& text);
// Selects a list item and tells the window, as a user's choice does.
void choose(HWND combo, int index);
// Posted, so that a modal box the click opens does not block the driver.
void click(HWND button);
void press_key(WORD virtual_key);
// Client-relative rectangle of a child window.
RECT client_rect_of(HWND child);
bool save_png(HWND window, const std::wstring& path);
// The colour on the screen at a client point of the window (0x00RRGGBB).
std::uint32_t pixel_at(HWND window, int x, int y);

// One run of the program, with its own temporary folder, its arguments and,
// when a file is named, its standard output going to that file.
class App {
 public:
  App(const std::wstring& exe, const std::wstring& temp_folder, const std::wstring& standin_log,
      const std::wstring& arguments = L"", const std::wstring& output_file = L"");
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  // A visible top-level window of this process with the caption; null when
  // none comes in time.
  HWND wait_window(const std::wstring& caption, int timeout_ms = 10000);
  std::vector<HWND> windows_with_caption(const std::wstring& caption);
  // A message box of this process once its text is set; hwnd null when none.
  MessageBoxSeen wait_message_box(int timeout_ms = 10000);
  bool message_box_open();
  // Presses the box's button (OK by default) and waits for the box to go.
  void answer(const MessageBoxSeen& box, int button = IDOK);
  HWND focus();
  HWND active();
  bool wait_focus(HWND expected, int timeout_ms = 5000);
  // Exit code, or STILL_ACTIVE when the process has not ended in time.
  DWORD wait_exit(int timeout_ms = 10000);
  // Watches the process until it ends: the exit code, and in windows_seen
  // every top-level window it had meanwhile, shown or not.
  DWORD watch_until_exit(std::vector<HWND>& windows_seen, int timeout_ms = 10000);
  bool bring_to_front(HWND window);

 private:
  std::vector<HWND> top_level_windows(bool hidden_too = false);
  PROCESS_INFORMATION process_{};
};

}  // namespace e2e
