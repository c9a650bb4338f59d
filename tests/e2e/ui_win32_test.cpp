// The window layer in this process, on windows of its own: what the handlers
// rely on from the user-interface services, which a scripted double cannot
// show.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <span>
#include <vector>

#include "driver.h"
#include "platform/error.h"
#include "window/ui_win32.h"

namespace {

using window::ControlKind;
using window::ControlLayout;
using window::FormLayout;

constexpr window::ControlId kName = 1001, kList = 1002, kGo = 1003, kHeading = 1004;
constexpr window::ControlId kInfo = 2001, kClose = 2002;

constexpr ControlLayout row(window::ControlId id, ControlKind kind, const char* text, int left, int top, int width,
                            int height, int tab, bool cancel = false) {
  return {id, "c", kind, text, left, top, width, height, tab, 0, true, false, 0, 0, false, cancel};
}

constexpr std::array kMainControls = {
    row(kHeading, ControlKind::label, "Başlık", 120, 120, 1800, 255, -1),
    row(kName, ControlKind::text_box, "", 120, 480, 3000, 315, 0),
    row(kList, ControlKind::drop_down_list, "", 120, 960, 3000, 330, 1),
    row(kGo, ControlKind::button, "Tamam", 120, 1440, 1200, 495, 2),
};
constexpr std::array kInfoControls = {
    row(kClose, ControlKind::button, "Kapat", 120, 1800, 1200, 495, 0, true),
    row(kInfo, ControlKind::multi_line_text_box, "ilk\r\nikinci", 120, 120, 3000, 1500, 1),
};
const FormLayout kMain{1,
                       "Main",
                       "Sınama Penceresi",
                       4500,
                       2400,
                       window::Border::fixed_single,
                       0,
                       window::StartPosition::center_screen,
                       true,
                       kMainControls};
const FormLayout kInfoForm{2,
                           "Info",
                           "Bilgi Penceresi",
                           3600,
                           2700,
                           window::Border::fixed_tool_window,
                           0,
                           window::StartPosition::center_owner,
                           false,
                           kInfoControls};

const std::array<const FormLayout*, 2> kForms = {&kMain, &kInfoForm};

// Records what the window layer reports and lets a test react to it.
class Events : public window::UiEvents {
 public:
  std::span<const FormLayout* const> layouts() override { return kForms; }
  void on_load(window::Ui& ui, window::FormId form) override {
    loads.push_back(form);
    if (form == 1) {
      ui.add_item(kList, "Birinci");
      ui.add_item(kList, "İkinci");
      ui.set_list_index(kList, 0);
    }
  }
  void on_click(window::Ui& ui, window::ControlId control) override {
    clicks.push_back(control);
    if (click) click(ui, control);
  }
  void on_selection_change(window::Ui& ui, window::ControlId control) override {
    selections.push_back(ui.list_index(control));
  }

  std::vector<window::FormId> loads;
  std::vector<window::ControlId> clicks;
  std::vector<int> selections;
  std::function<void(window::Ui&, window::ControlId)> click;
};

HWND own_window(const wchar_t* caption) {
  HWND found = nullptr;
  for (HWND h = FindWindowExW(nullptr, nullptr, nullptr, caption); h; h = FindWindowExW(nullptr, h, nullptr, caption)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId()) found = h;
  }
  return found;
}

int count_own_windows(const wchar_t* caption) {
  int n = 0;
  for (HWND h = FindWindowExW(nullptr, nullptr, nullptr, caption); h; h = FindWindowExW(nullptr, h, nullptr, caption)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    n += pid == GetCurrentProcessId();
  }
  return n;
}

// Runs f from the message loop a moment after the call.
void later(std::function<void()> f) {
  static std::function<void()> pending;
  pending = std::move(f);
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto run = std::move(pending);
    run();
  });
}

TEST(Win32Ui, SettingTheListIndexRunsTheSelectionHandlerAndRefusesAnIndexOutOfRange) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  EXPECT_EQ(events.selections, std::vector<int>{0}) << "the load step's selection ran no handler";
  ui.set_list_index(kList, 1);
  ui.set_list_index(kList, -1);
  EXPECT_EQ(events.selections, (std::vector<int>{0, 1, -1}));
  EXPECT_EQ(ui.list_index(kList), -1);
  for (int bad : {2, -2}) {
    try {
      ui.set_list_index(kList, bad);
      ADD_FAILURE() << "index " << bad << " was taken";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(e.number(), 380);
    }
  }
  EXPECT_EQ(events.selections.size(), 3u);
  // Items are appended in order, whatever their letters.
  HWND list = GetDlgItem(own_window(L"Sınama Penceresi"), kList);
  ui.set_list_index(kList, 1);
  EXPECT_EQ(e2e::text_of(list), L"İkinci");
}

TEST(Win32Ui, TextsCrossTheWindowsAsUnicode) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  HWND main = own_window(L"Sınama Penceresi");
  ASSERT_NE(main, nullptr) << "the caption did not reach the window as Unicode";
  EXPECT_EQ(e2e::text_of(GetDlgItem(main, kHeading)), L"Başlık");
  const std::string text = "Şükrü Işık ğĞ iİ ıI\r\nikinci satır ";
  ui.set_text(kName, text);
  EXPECT_EQ(ui.text(kName), text);
  EXPECT_EQ(e2e::text_of(GetDlgItem(main, kName)), e2e::widen(text));
  ui.set_visible(kGo, false);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, kGo)));
  ui.set_visible(kGo, true);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, kGo)));
  try {
    ui.text(4242);
    ADD_FAILURE() << "an unknown control was found";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 424);
  }
}

TEST(Win32Ui, ModelessWindowHasOneInstanceAndIsCreatedAnewAfterUnload) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  ui.show_window(2, false, 1);
  HWND info = own_window(L"Bilgi Penceresi");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(GetWindow(info, GW_OWNER), own_window(L"Sınama Penceresi"));
  ui.show_window(2, false, 1);
  EXPECT_EQ(count_own_windows(L"Bilgi Penceresi"), 1);
  EXPECT_EQ(events.loads, (std::vector<window::FormId>{1, 2}));
  EXPECT_EQ(e2e::text_of(GetDlgItem(info, kInfo)), L"ilk\r\nikinci");

  ui.unload_window(2);
  EXPECT_FALSE(IsWindow(info));
  ui.show_window(2, false, 1);
  EXPECT_EQ(events.loads, (std::vector<window::FormId>{1, 2, 2})) << "the window was not created anew";
  EXPECT_EQ(count_own_windows(L"Bilgi Penceresi"), 1);
}

TEST(Win32Ui, ModalWindowHoldsTheCallerAndDisablesTheOthersUntilItIsClosed) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  HWND main = own_window(L"Sınama Penceresi");
  bool main_enabled_meanwhile = true;
  // Esc, as the dialog manager reports it, presses the cancel button, whose
  // handler unloads the window.
  events.click = [&](window::Ui& u, window::ControlId c) {
    if (c == kClose) u.unload_window(2);
  };
  later([&] {
    main_enabled_meanwhile = IsWindowEnabled(main) != FALSE;
    SendMessageW(own_window(L"Bilgi Penceresi"), WM_COMMAND, IDCANCEL, 0);
  });
  ui.show_window(2, true, 1);  // returns once the window is gone
  EXPECT_FALSE(main_enabled_meanwhile);
  EXPECT_EQ(events.clicks, std::vector<window::ControlId>{kClose});
  EXPECT_EQ(own_window(L"Bilgi Penceresi"), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main)) << "the owner stays disabled";

  // Closed from its frame, the modal window lets the caller go on as well.
  later([&] { PostMessageW(own_window(L"Bilgi Penceresi"), WM_SYSCOMMAND, SC_CLOSE, 0); });
  ui.show_window(2, true, 1);
  EXPECT_EQ(own_window(L"Bilgi Penceresi"), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main));
}

TEST(Win32Ui, MessageLoopEndsWhenTheLastWindowIsGone) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  ui.show_window(2, false, 1);
  HWND info = own_window(L"Bilgi Penceresi");
  // Closing the main window takes its owned window with it.
  later([] { PostMessageW(own_window(L"Sınama Penceresi"), WM_SYSCOMMAND, SC_CLOSE, 0); });
  // A loop that does not end on its own is ended with another code.
  const UINT_PTR guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(77); });
  EXPECT_EQ(ui.run(), 0);
  KillTimer(nullptr, guard);
  EXPECT_FALSE(IsWindow(info));
  EXPECT_EQ(own_window(L"Sınama Penceresi"), nullptr);
}

TEST(Win32Ui, DoEventsHandlesWhatIsQueued) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  HWND go = GetDlgItem(own_window(L"Sınama Penceresi"), kGo);
  PostMessageW(go, BM_CLICK, 0, 0);
  EXPECT_TRUE(events.clicks.empty());
  ui.do_events();
  EXPECT_EQ(events.clicks, std::vector<window::ControlId>{kGo});
}

TEST(Win32Ui, BusyWorkRunsOffTheWindowsThreadWhileTheWindowAnswersAndItsButtonWaits) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  HWND main = own_window(L"Sınama Penceresi");
  HWND go = GetDlgItem(main, kGo);
  struct {
    DWORD thread = 0;
    bool answered = false, enabled = true, moved = false;
    std::wstring label;
    HCURSOR cursor = nullptr;
  } seen;
  // The window's thread, meanwhile, is asked for its cursor.
  HANDLE cursor_asked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const auto ask_cursor = [main] {
    SendMessageW(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  later([&] {
    seen.cursor = ask_cursor();
    SetEvent(cursor_asked);
  });
  ui.run_busy(kGo, "Denetleniyor…", [&] {
    WaitForSingleObject(cursor_asked, 5000);
    seen.thread = GetCurrentThreadId();
    DWORD_PTR result = 0;
    seen.answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    seen.label = e2e::text_of(go);
    seen.enabled = IsWindowEnabled(go) != FALSE;
    // A press that reaches the window anyway starts nothing.
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(kGo, BN_CLICKED), reinterpret_cast<LPARAM>(go));
    RECT before, after;
    GetWindowRect(main, &before);
    SetWindowPos(main, nullptr, before.left + 20, before.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(main, &after);
    seen.moved = after.left == before.left + 20 && after.top == before.top + 10;
  });
  EXPECT_NE(seen.thread, GetCurrentThreadId());
  EXPECT_TRUE(seen.answered) << "the window did not answer during the work";
  EXPECT_EQ(seen.label, L"Denetleniyor…");
  EXPECT_FALSE(seen.enabled);
  EXPECT_TRUE(seen.moved);
  EXPECT_EQ(seen.cursor, LoadCursorW(nullptr, IDC_WAIT)) << "no busy cursor";
  EXPECT_NE(ask_cursor(), LoadCursorW(nullptr, IDC_WAIT)) << "the busy cursor stays";
  CloseHandle(cursor_asked);
  EXPECT_TRUE(events.clicks.empty());
  EXPECT_EQ(e2e::text_of(go), L"Tamam");
  EXPECT_TRUE(IsWindowEnabled(go));

  // An error of the work reaches the caller, with the button restored.
  try {
    ui.run_busy(kGo, "Denetleniyor…", [] { throw platform::RuntimeError(7, "Telvora", "Out of memory"); });
    ADD_FAILURE() << "the error was lost";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 7);
  }
  EXPECT_EQ(e2e::text_of(go), L"Tamam");
  EXPECT_TRUE(IsWindowEnabled(go));
  ui.do_events();
  PostMessageW(go, BM_CLICK, 0, 0);
  ui.do_events();
  EXPECT_EQ(events.clicks, std::vector<window::ControlId>{kGo}) << "the button does not work again";
}

TEST(Win32Ui, YesNoBoxAnswersWithTheButtonPressed) {
  Events events;
  window::Win32Ui ui(events);
  ui.show_window(1, false, 0);
  for (const int button : {IDYES, IDNO}) {
    later([button] {
      HWND box = nullptr;
      e2e::wait_until([&] { return (box = own_window(L"Sınama")) != nullptr; });
      PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ui.ask("Soru?", 52, "Sınama"), button == IDYES);
  }
}

}  // namespace
