// A user-interface double for the handlers and the setup run: it holds the
// texts and lists of the controls, records what the program shows and does
// to the windows, answers message boxes at once, and plays the window layer's
// part of firing the list's selection event. Yes/No boxes take the answers a
// test queues, else the default button's (as Enter would). Busy work runs at
// once. Ending the process throws ProcessEnded so that a test sees the exit
// code.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/handlers.h"
#include "forms/layout.h"
#include "mailcheck/mail_check.h"
#include "setup/ServerCheck.h"
#include "window/ui.h"

namespace telvora_test {

struct ProcessEnded {
  int exit_code;
};

struct MessageBoxCall {
  std::string text;
  int style;
  std::string caption;
  bool operator==(const MessageBoxCall&) const = default;
};

struct BusyRun {
  window::ControlId button;
  std::string text;
  bool operator==(const BusyRun&) const = default;
};

struct WindowCall {
  enum Kind { show, unload } kind;
  window::FormId form;
  bool modal;
  window::FormId owner;
  bool operator==(const WindowCall&) const = default;
};

class ScriptedUi : public window::Ui {
 public:
  // What the user does while a modal window is up; returning from it closes
  // the window from its frame.
  std::function<void(window::FormId)> while_modal;
  // Runs while a message box is up, before it is answered.
  std::function<void(const MessageBoxCall&)> while_message_box;

  std::vector<MessageBoxCall> boxes;  // the Yes/No boxes too
  std::deque<bool> answers;           // of the next Yes/No boxes: true for Yes
  std::vector<BusyRun> busy_runs;
  std::vector<window::ControlId> focus_moves;
  std::vector<std::pair<window::ControlId, bool>> visibility_changes;
  std::vector<WindowCall> window_calls;
  std::set<window::FormId> open_forms{forms::Form1};
  std::map<window::ControlId, std::string> texts;
  std::map<window::ControlId, std::vector<std::string>> items;
  std::map<window::ControlId, int> indexes;
  std::map<window::ControlId, bool> visible;
  std::optional<int> exit_code;
  int calls_after_end = 0;  // anything the program did after ending itself

  void message_box(const std::string& text, int style, const std::string& caption) override {
    note_call();
    boxes.push_back({text, style, caption});
    if (while_message_box) while_message_box(boxes.back());
  }
  bool ask(const std::string& text, int style, const std::string& caption) override {
    note_call();
    boxes.push_back({text, style, caption});
    if (while_message_box) while_message_box(boxes.back());
    if (answers.empty()) return (style & 0x100) == 0;  // MB_DEFBUTTON2 makes No the default
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  void run_busy(window::ControlId button, const std::string& busy_text, const std::function<void()>& work) override {
    note_call();
    busy_runs.push_back({button, busy_text});
    work();
  }
  std::string text(window::ControlId control) override {
    note_call();
    return texts[control];
  }
  void set_text(window::ControlId control, const std::string& text) override {
    note_call();
    texts[control] = text;
  }
  int list_index(window::ControlId control) override {
    note_call();
    const auto found = indexes.find(control);
    return found == indexes.end() ? -1 : found->second;
  }
  void add_item(window::ControlId control, const std::string& text) override {
    note_call();
    items[control].push_back(text);
  }
  void set_list_index(window::ControlId control, int index) override {
    note_call();
    indexes[control] = index;
    forms::on_selection_change(*this, control);
  }
  void set_focus(window::ControlId control) override {
    note_call();
    focus_moves.push_back(control);
  }
  void set_visible(window::ControlId control, bool shown) override {
    note_call();
    visibility_changes.emplace_back(control, shown);
    visible[control] = shown;
  }
  void show_window(window::FormId form, bool modal, window::FormId owner) override {
    note_call();
    window_calls.push_back({WindowCall::show, form, modal, owner});
    open_forms.insert(form);
    if (modal) {
      if (while_modal) while_modal(form);
      open_forms.erase(form);
    }
  }
  void unload_window(window::FormId form) override {
    note_call();
    window_calls.push_back({WindowCall::unload, form, false, 0});
    open_forms.erase(form);
  }
  [[noreturn]] void end_process(int code) override {
    note_call();
    exit_code = code;
    open_forms.clear();
    throw ProcessEnded{code};
  }
  void do_events() override { note_call(); }

  // The user chooses an item of a list, as the window layer reports it.
  void choose(window::ControlId control, int index) {
    indexes[control] = index;
    forms::on_selection_change(*this, control);
  }

 private:
  void note_call() {
    if (exit_code) ++calls_after_end;
  }
};

// A server check that answers at once with the outcome, without any network;
// a side that answered did so on its encrypted routes too, all trusted.
inline setup::ServerCheck check_giving(mailcheck::Outcome outcome, bool pop3_answered = true,
                                       bool smtp_answered = true) {
  return [=](const std::string& /*email*/) {
    mailcheck::CheckReport report;
    report.outcome = outcome;
    report.pop3.answered = pop3_answered;
    report.smtp.answered = smtp_answered;
    for (auto [route, answered] : {std::pair{&report.pop3_tls, pop3_answered}, {&report.smtp_tls, smtp_answered}}) {
      *route = {answered, answered ? mailcheck::Certificate::trusted : mailcheck::Certificate::none, ""};
    }
    return report;
  };
}

// Presses a button; the exit code when the press ended the process. The
// server check answers "both services answered" unless a test hands in
// another.
inline std::optional<int> press(ScriptedUi& ui, window::ControlId control, platform::Registry& registry,
                                const setup::ServerCheck& check = check_giving(mailcheck::Outcome::answered)) {
  try {
    forms::on_click(ui, control, registry, check);
  } catch (const ProcessEnded& ended) {
    return ended.exit_code;
  }
  return std::nullopt;
}

}  // namespace telvora_test
