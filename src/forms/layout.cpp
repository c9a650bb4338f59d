#include "forms/layout.h"

#include <array>
#include <stdexcept>

#include "forms/controls.h"
#include "forms/resource_ids.h"
#include "forms/texts.h"

namespace forms {

namespace {

using window::Border;
using window::ControlKind;
using window::ControlLayout;
using window::FormLayout;
using window::StartPosition;

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kDarkBlue = 0x400000;  // RGB 0, 0, 64 as 0x00BBGGRR

constexpr ControlLayout control(window::ControlId id, const char* name, ControlKind kind, const char* text, int left,
                                int top, int width, int height, int tab_index, window::ControlId parent = 0) {
  return {.id = id,
          .name = name,
          .kind = kind,
          .text = text,
          .left = left,
          .top = top,
          .width = width,
          .height = height,
          .tab_index = tab_index,
          .parent = parent,
          .visible = true,
          .bold = false,
          .text_color = kBlack,
          .picture = 0,
          .default_button = false,
          .cancel_button = false};
}

constexpr ControlLayout picture(window::ControlId id, const char* name, int left, int top, int width, int height,
                                int resource) {
  ControlLayout c = control(id, name, ControlKind::picture, "", left, top, width, height, -1);
  c.picture = resource;
  return c;
}

// text::kCloseButton answers Esc; Enter presses it too while it has the focus, which is
// where each window puts the focus first.
constexpr ControlLayout close_button(window::ControlId id, int left, int top, int width, int height) {
  ControlLayout c = control(id, "Command1", ControlKind::button, text::kCloseButton, left, top, width, height, 0);
  c.cancel_button = true;
  return c;
}

constexpr ControlLayout hidden(ControlLayout c) {
  c.visible = false;
  return c;
}

constexpr ControlLayout heading(ControlLayout c) {
  c.bold = true;
  c.text_color = kDarkBlue;
  return c;
}

// The z-order is the order of these rows. Each label comes directly before the
// field it names, so that screen readers announce the field by it, and the
// controls that take the focus come in the order of their tab indices, so
// that the keyboard order follows from the z-order as the dialog manager
// walks it. Frame1's buttons are placed relative to the frame.
constexpr std::array kForm1Controls = {
    picture(form1::Image1, "Image1", 120, 120, 2775, 600, TELVORA_LOGO),
    control(form1::Label3, "Label3", ControlKind::label, text::kNameLabel, 120, 960, 1815, 255, 9),
    control(form1::txtadsoyad, "txtadsoyad", ControlKind::text_box, "", 2040, 840, 3615, 315, 0),
    control(form1::Label1, "Label1", ControlKind::label, text::kEmailLabel, 120, 1440, 1815, 255, 6),
    control(form1::txteposta, "txteposta", ControlKind::text_box, "", 2040, 1320, 3615, 315, 1),
    control(form1::Label2, "Label2", ControlKind::label, text::kProgramLabel, 120, 1920, 1815, 255, 7),
    control(form1::CmbApp, "CmbApp", ControlKind::drop_down_list, "", 2040, 1800, 3615, 330, 2),
    picture(form1::Image2, "Image2", 5760, 600, 1440, 1440, TELVORA_PIC_OUTLOOK),
    picture(form1::Image3, "Image3", 5760, 600, 1440, 1440, TELVORA_PIC_EXPRESS),
    control(form1::Frame1, "Frame1", ControlKind::frame, "", 120, 2280, 7095, 855, 8),
    control(form1::Command1, "Command1", ControlKind::button, text::kSetUpButton, 4440, 240, 2535, 495, 3,
            form1::Frame1),
    control(form1::Command2, "Command2", ControlKind::button, text::kAboutButton, 120, 240, 1095, 495, 4,
            form1::Frame1),
    // Never shown and never read: the password is typed in the mail program.
    hidden(control(form1::txtsifre, "txtsifre", ControlKind::text_box, "", 3120, 0, 2775, 315, 5)),
};

constexpr std::array kForm2Controls = {
    picture(form2::Image1, "Image1", 120, 120, 2775, 600, TELVORA_LOGO),
    close_button(form2::Command1, 4440, 3960, 1215, 495),
    control(form2::Text1, "Text1", ControlKind::multi_line_text_box, text::kAbout, 120, 840, 5535, 2895, 1),
};

// The heading label comes directly before the text it heads.
constexpr std::array kForm3Controls = {
    close_button(form3::Command1, 4440, 3120, 1335, 495),
    heading(control(form3::Label1, "Label1", ControlKind::label, text::kCompletionHeading, 120, 120, 5655, 495, 2)),
    control(form3::Text1, "Text1", ControlKind::multi_line_text_box, text::kCompletion, 120, 720, 5655, 2175, 1),
    picture(form3::Image1, "Image1", 120, 3000, 2775, 600, TELVORA_LOGO),
};

const FormLayout kForm1{.id = Form1,
                        .name = "Form1",
                        .caption = text::kForm1Caption,
                        .client_width = 7350,
                        .client_height = 3255,
                        .border = Border::fixed_single,
                        .icon = TELVORA_ICON,
                        .start_position = StartPosition::center_screen,
                        .show_in_taskbar = true,
                        .controls = kForm1Controls};
const FormLayout kForm2{.id = Form2,
                        .name = "Form2",
                        .caption = text::kForm2Caption,
                        .client_width = 5850,
                        .client_height = 4620,
                        .border = Border::fixed_tool_window,
                        .icon = 0,
                        .start_position = StartPosition::center_owner,
                        .show_in_taskbar = false,
                        .controls = kForm2Controls};
const FormLayout kForm3{.id = Form3,
                        .name = "Form3",
                        .caption = text::kForm3Caption,
                        .client_width = 5940,
                        .client_height = 3720,
                        .border = Border::fixed_tool_window,
                        .icon = 0,
                        .start_position = StartPosition::center_owner,
                        .show_in_taskbar = false,
                        .controls = kForm3Controls};

constexpr std::array<const FormLayout*, 3> kForms = {&kForm1, &kForm2, &kForm3};

}  // namespace

std::span<const window::FormLayout* const> form_layouts() { return kForms; }

const window::FormLayout& form_layout(window::FormId form) {
  switch (form) {
    case Form1: return kForm1;
    case Form2: return kForm2;
    case Form3: return kForm3;
    default: throw std::out_of_range("no such window");
  }
}

}  // namespace forms
