#include "driver.h"

#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace e2e {

namespace {

constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr int kMessageBoxTextId = 0xFFFF;

std::wstring class_of(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

bool same_name(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The pixels of a screen rectangle, 32 bits per pixel, top-down.
std::vector<std::uint32_t> grab(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  if (w <= 0 || h <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::copy_n(static_cast<std::uint32_t*>(bits), pixels.size(), pixels.data());
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The system icon drawn at the given size over a background colour.
std::vector<std::uint32_t> render_icon(LPCWSTR which, int w, int h, std::uint32_t background) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h, background);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
  HGDIOBJ old = SelectObject(memory, bitmap);
  DrawIconEx(memory, 0, 0, LoadIconW(nullptr, which), w, h, 0, nullptr, DI_NORMAL);
  GdiFlush();
  std::copy_n(static_cast<std::uint32_t*>(bits), pixels.size(), pixels.data());
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

long difference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  long sum = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
  return sum;
}

// Icons belong to the process that loaded them, so the box's icon is
// recognised by its pixels against the system's own error and information
// icons.
Icon recognise_icon(HWND box) {
  HWND icon_control = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (same_name(class_of(child), L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child))
      icon_control = child;
  if (!icon_control) return Icon::none;
  RECT r;
  GetWindowRect(icon_control, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return Icon::none;
  const auto seen = grab(r);
  const std::uint32_t background = seen.front();
  const long to_error = difference(seen, render_icon(MAKEINTRESOURCEW(32513) /* IDI_HAND */, w, h, background));
  const long to_info = difference(seen, render_icon(MAKEINTRESOURCEW(32516) /* IDI_ASTERISK */, w, h, background));
  const long to_warning =
      difference(seen, render_icon(MAKEINTRESOURCEW(32515) /* IDI_EXCLAMATION */, w, h, background));
  const long blank = difference(seen, std::vector<std::uint32_t>(seen.size(), background));
  const long best = std::min({to_error, to_info, to_warning});
  // A match must be far closer than an empty square.
  if (best * 4 > blank) return Icon::other;
  if (best == to_warning) return Icon::exclamation;
  return to_error < to_info ? Icon::error : Icon::information;
}

}  // namespace

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string to_code_page(const std::wstring& wide, UINT code_page) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string to_utf8(const std::wstring& wide) { return to_code_page(wide, CP_UTF8); }

std::wstring from_unix_path(const std::string& unix_path) {
  std::wstring path = L"Z:" + widen(unix_path);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

void make_folders(const std::wstring& folder) {
  for (std::size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
}

bool file_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string read_file(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

const char* icon_name(Icon icon) {
  switch (icon) {
    case Icon::none: return "none";
    case Icon::error: return "error";
    case Icon::information: return "information";
    case Icon::exclamation: return "exclamation";
    case Icon::other: return "other";
  }
  return "?";
}

std::wstring text_of(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(copied);
  return text;
}

void type(HWND edit, const std::wstring& text) {
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void choose(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void press_key(WORD virtual_key) {
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = virtual_key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

RECT client_rect_of(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetAncestor(child, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::uint32_t pixel_at(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return grab(RECT{p.x, p.y, p.x + 1, p.y + 1}).front() & 0xFFFFFF;
}

bool save_png(HWND window, const std::wstring& path) {
  RECT r;
  GetWindowRect(window, &r);
  const auto pixels = grab(r);
  const UINT w = static_cast<UINT>(r.right - r.left), h = static_cast<UINT>(r.bottom - r.top);
  if (pixels.empty()) return false;
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                       reinterpret_cast<void**>(&factory))) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->SetSize(w, h)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
            SUCCEEDED(frame->WritePixels(h, w * 4, w * h * 4,
                                         reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(pixels.data())))) &&
            SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  for (IUnknown* p : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                      static_cast<IUnknown*>(factory)})
    if (p) p->Release();
  return ok;
}

// ---------------------------------------------------------------- App

App::App(const std::wstring& exe, const std::wstring& temp_folder, const std::wstring& standin_log,
         const std::wstring& arguments, const std::wstring& output_file) {
  // The program learns its temporary folder from its own environment block;
  // the stand-in Outlook it starts inherits the name of its log file.
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry = p;
      const std::wstring name = entry.substr(0, entry.find(L'=', 1));
      if (same_name(name, L"TEMP") || same_name(name, L"TMP") || same_name(name, L"TELVORA_STANDIN_LOG")) continue;
      entries.push_back(entry);
    }
    FreeEnvironmentStringsW(block);
  }
  entries.push_back(L"TEMP=" + temp_folder);
  entries.push_back(L"TMP=" + temp_folder);
  entries.push_back(L"TELVORA_STANDIN_LOG=" + standin_log);
  std::wstring environment;
  for (const auto& e : entries) environment += e + L'\0';
  environment += L'\0';

  std::wstring command_line = L"\"" + exe + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  HANDLE output = nullptr;
  if (!output_file.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    output = CreateFileW(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, output != nullptr, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), nullptr, &startup, &process_))
    process_ = {};
  if (output != nullptr) CloseHandle(output);
}

App::~App() {
  if (!process_.hProcess) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

std::vector<HWND> App::top_level_windows(bool hidden_too) {
  struct Search {
    DWORD pid;
    bool hidden_too;
    std::vector<HWND> found;
  } search{process_.dwProcessId, hidden_too, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s->pid && (s->hidden_too || IsWindowVisible(hwnd))) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> App::windows_with_caption(const std::wstring& caption) {
  std::vector<HWND> found;
  for (HWND hwnd : top_level_windows())
    if (class_of(hwnd) != kMessageBoxClass && text_of(hwnd) == caption) found.push_back(hwnd);
  return found;
}

HWND App::wait_window(const std::wstring& caption, int timeout_ms) {
  HWND found = nullptr;
  wait_until(
      [&] {
        const auto windows = windows_with_caption(caption);
        found = windows.empty() ? nullptr : windows.front();
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

bool App::message_box_open() {
  for (HWND hwnd : top_level_windows())
    if (class_of(hwnd) == kMessageBoxClass) return true;
  return false;
}

MessageBoxSeen App::wait_message_box(int timeout_ms) {
  MessageBoxSeen box;
  // The box can be found before its initialisation has finished: it counts
  // once it is visible and its text is set.
  wait_until(
      [&] {
        for (HWND hwnd : top_level_windows()) {
          if (class_of(hwnd) != kMessageBoxClass) continue;
          HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
          if (!text || text_of(text).empty()) continue;
          box.hwnd = hwnd;
          box.text = text_of(text);
          box.caption = text_of(hwnd);
          return true;
        }
        return false;
      },
      timeout_ms);
  if (box.hwnd) {
    Sleep(150);  // let the icon be painted before it is looked at
    box.icon = recognise_icon(box.hwnd);
    // The default button is drawn as such and holds the focus: Enter presses it.
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(box.hwnd, nullptr), &thread);
    for (const int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
      HWND button = GetDlgItem(box.hwnd, id);
      if (button && (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
          thread.hwndFocus == button) {
        box.default_button = id;
      }
    }
  }
  return box;
}

void App::answer(const MessageBoxSeen& box, int button) {
  if (HWND pressed = GetDlgItem(box.hwnd, button))
    click(pressed);
  else
    PostMessageW(box.hwnd, WM_COMMAND, static_cast<WPARAM>(button), 0);
  wait_until([&] { return !IsWindow(box.hwnd); }, 5000);
}

HWND App::focus() {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

HWND App::active() {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndActive : nullptr;
}

bool App::wait_focus(HWND expected, int timeout_ms) {
  return wait_until([&] { return focus() == expected; }, timeout_ms);
}

DWORD App::wait_exit(int timeout_ms) {
  if (!process_.hProcess) return STILL_ACTIVE;
  WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout_ms));
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

DWORD App::watch_until_exit(std::vector<HWND>& windows_seen, int timeout_ms) {
  if (!process_.hProcess) return STILL_ACTIVE;
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    for (HWND hwnd : top_level_windows(true))
      if (std::find(windows_seen.begin(), windows_seen.end(), hwnd) == windows_seen.end()) windows_seen.push_back(hwnd);
    if (WaitForSingleObject(process_.hProcess, 10) == WAIT_OBJECT_0) break;
  }
  return wait_exit(0);
}

bool App::bring_to_front(HWND window) {
  SetForegroundWindow(window);
  return wait_until([&] { return GetForegroundWindow() == window; }, 3000);
}

}  // namespace e2e
