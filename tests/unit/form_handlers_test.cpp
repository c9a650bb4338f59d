#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "forms/command_line.h"
#include "forms/controls.h"
#include "forms/layout.h"
#include "platform/error.h"
#include "platform/registry_emulated.h"
#include "scripted_ui.h"

namespace {

using telvora_test::MessageBoxCall;
using telvora_test::press;
using telvora_test::ScriptedUi;
using telvora_test::WindowCall;
namespace f1 = forms::form1;
using Shown = std::vector<std::pair<window::ControlId, bool>>;

TEST(MainWindowLoad, FillsTheProgramListAndShowsTheOutlookPicture) {
  ScriptedUi ui;
  forms::on_load(ui, forms::Form1);
  EXPECT_EQ(ui.items[f1::CmbApp], (std::vector<std::string>{"Microsoft Outlook", "Outlook Express"}));
  EXPECT_EQ(ui.list_index(f1::CmbApp), 0);
  // The selection event that setting the index fires swapped the pictures.
  EXPECT_EQ(ui.visibility_changes, (Shown{{f1::Image2, true}, {f1::Image3, false}}));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(ui.focus_moves.empty());
}

TEST(MainWindowLoad, FillsInWhatTheCommandLineGivesAndPutsTheFocusOnTheButton) {
  ScriptedUi ui;
  forms::StartValues options;
  options.name = "Ayşe Işık";
  options.email = "ayse@örnek.com";
  options.program = 1;
  forms::on_load(ui, forms::Form1, options);
  EXPECT_EQ(ui.texts[f1::txtadsoyad], "Ayşe Işık");
  EXPECT_EQ(ui.texts[f1::txteposta], "ayse@örnek.com");
  EXPECT_EQ(ui.list_index(f1::CmbApp), 1);
  EXPECT_EQ(ui.visibility_changes.back(), (std::pair<window::ControlId, bool>{f1::Image3, true}));
  EXPECT_EQ(ui.focus_moves, std::vector<window::ControlId>{f1::Command1});
  EXPECT_TRUE(ui.boxes.empty());

  // A box the command line left empty takes the focus instead.
  ScriptedUi partly;
  options.email.reset();
  forms::on_load(partly, forms::Form1, options);
  EXPECT_EQ(partly.focus_moves, std::vector<window::ControlId>{f1::txteposta});
}

TEST(MainWindowLoad, TellsAWrongCommandLineAndOpensEmptyOrListsTheSwitches) {
  ScriptedUi ui;
  forms::StartValues options;
  options.name = "Ali";
  options.error = "Tanınmayan anahtar: /foo";
  forms::on_load(ui, forms::Form1, options);
  ASSERT_EQ(ui.boxes.size(), 1U);
  EXPECT_EQ(ui.boxes[0].style, 16);
  EXPECT_EQ(ui.boxes[0].caption, "Telvora");
  EXPECT_EQ(ui.boxes[0].text.rfind("Tanınmayan anahtar: /foo\r\n\r\nKullanım:\r\nTelvora.exe", 0), 0U);
  EXPECT_EQ(ui.texts[f1::txtadsoyad], "");
  EXPECT_EQ(ui.list_index(f1::CmbApp), 0);
  EXPECT_FALSE(ui.exit_code.has_value());

  ScriptedUi help;
  forms::StartValues asks;
  asks.help = true;
  EXPECT_THROW(forms::on_load(help, forms::Form1, asks), telvora_test::ProcessEnded);
  EXPECT_EQ(help.boxes, (std::vector<MessageBoxCall>{{forms::usage_text(), 64, "Telvora"}}));
  EXPECT_EQ(help.exit_code, 0);
}

TEST(MainWindowLoad, OtherWindowsLoadWithoutTouchingAnything) {
  ScriptedUi ui;
  forms::on_load(ui, forms::Form2);
  forms::on_load(ui, forms::Form3);
  EXPECT_TRUE(ui.items.empty());
  EXPECT_TRUE(ui.visibility_changes.empty());
}

TEST(ProgramChoice, ShowsExactlyOnePictureSettingImage2First) {
  ScriptedUi ui;
  forms::on_load(ui, forms::Form1);
  const struct {
    int index;
    bool outlook;
  } choices[] = {{1, false}, {0, true}, {-1, false}, {1, false}, {0, true}};
  for (const auto& choice : choices) {
    SCOPED_TRACE(choice.index);
    ui.visibility_changes.clear();
    ui.choose(f1::CmbApp, choice.index);
    EXPECT_EQ(ui.visibility_changes, (Shown{{f1::Image2, choice.outlook}, {f1::Image3, !choice.outlook}}));
  }
  // A selection event of another control changes nothing.
  ui.visibility_changes.clear();
  forms::on_selection_change(ui, f1::txteposta);
  EXPECT_TRUE(ui.visibility_changes.empty());
}

TEST(AboutWindow, OpensModelessOverTheMainWindowAndKapatUnloadsIt) {
  ScriptedUi ui;
  platform::EmulatedRegistry registry;
  forms::on_load(ui, forms::Form1);
  const WindowCall about{WindowCall::show, forms::Form2, false, forms::Form1};

  EXPECT_EQ(press(ui, f1::Command2, registry), std::nullopt);
  EXPECT_EQ(press(ui, f1::Command2, registry), std::nullopt);
  // Both presses show the one window; none closes or makes another.
  EXPECT_EQ(ui.window_calls, (std::vector<WindowCall>{about, about}));

  EXPECT_EQ(press(ui, forms::form2::Command1, registry), std::nullopt);
  EXPECT_EQ(ui.window_calls.back(), (WindowCall{WindowCall::unload, forms::Form2, false, 0}));
  EXPECT_EQ(ui.open_forms, std::set<window::FormId>{forms::Form1});

  // It opens again after being closed.
  EXPECT_EQ(press(ui, f1::Command2, registry), std::nullopt);
  EXPECT_EQ(ui.window_calls.back(), about);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(CompletionWindow, KapatEndsTheProcessWhileTheMainWindowIsOpen) {
  ScriptedUi ui;
  platform::EmulatedRegistry registry;
  EXPECT_EQ(press(ui, forms::form3::Command1, registry), 0);
  EXPECT_TRUE(ui.open_forms.empty());
  EXPECT_TRUE(ui.boxes.empty());
}

// A user interface whose list refuses an item, with the given failure.
template <typename Failure>
class RefusingUi : public ScriptedUi {
 public:
  explicit RefusingUi(Failure failure) : failure_(std::move(failure)) {}
  void add_item(window::ControlId, const std::string&) override { throw failure_; }

 private:
  Failure failure_;
};

template <typename Failure>
void expect_reported_and_ended(Failure failure, const std::string& message) {
  RefusingUi<Failure> ui(std::move(failure));
  try {
    forms::on_load(ui, forms::Form1);
    ADD_FAILURE() << "the process did not end";
  } catch (const telvora_test::ProcessEnded& ended) {
    EXPECT_EQ(ended.exit_code, 1);
  }
  EXPECT_EQ(ui.boxes, (std::vector<MessageBoxCall>{{message, 16, "Telvora"}}));
  EXPECT_EQ(ui.calls_after_end, 0);
}

TEST(EscapedError, IsShownWithNumberAndTurkishDescriptionAndEndsTheProcessWithCode1) {
  expect_reported_and_ended(platform::RuntimeError(380, "Telvora", "Invalid property value"),
                            "Çalışma zamanı hatası '380':\r\n\r\nGeçersiz özellik değeri");
  // Failures of the library never unwind into the window layer either.
  expect_reported_and_ended(std::bad_alloc(), "Çalışma zamanı hatası '7':\r\n\r\nYetersiz bellek");
  expect_reported_and_ended(std::length_error("basic_string"), "Çalışma zamanı hatası '51':\r\n\r\nİç hata");
  // A number without a text of its own keeps the error's description.
  expect_reported_and_ended(platform::RuntimeError(1004, "Telvora", "Uygulama hatası"),
                            "Çalışma zamanı hatası '1004':\r\n\r\nUygulama hatası");
}

}  // namespace
