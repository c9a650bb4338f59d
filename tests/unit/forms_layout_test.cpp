#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/layout.h"
#include "window/control_index.h"

namespace {

using window::ControlKind;
using window::ControlLayout;
using window::FormLayout;

bool takes_focus(const ControlLayout& c) {
  return c.kind == ControlKind::text_box || c.kind == ControlKind::multi_line_text_box ||
         c.kind == ControlKind::drop_down_list || c.kind == ControlKind::button;
}

std::vector<std::string> split_crlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  lines.push_back(text.substr(start));  // after the final CR LF: empty
  return lines;
}

const ControlLayout& find(const FormLayout& form, window::ControlId id) {
  for (const auto& c : form.controls)
    if (c.id == id) return c;
  throw std::out_of_range("control not in form");
}

TEST(FormLayout, ControlsAreUniqueAndLieInsideTheirParent) {
  std::set<window::ControlId> ids;
  for (window::FormId f : {forms::Form1, forms::Form2, forms::Form3}) {
    const FormLayout& form = forms::form_layout(f);
    EXPECT_EQ(form.id, f);
    for (const auto& c : form.controls) {
      EXPECT_TRUE(ids.insert(c.id).second) << c.name << " id " << c.id << " used twice";
      int width = form.client_width, height = form.client_height;
      if (c.parent != 0) {
        const ControlLayout& frame = find(form, c.parent);
        ASSERT_EQ(frame.kind, ControlKind::frame) << c.name;
        width = frame.width;
        height = frame.height;
      }
      EXPECT_GE(c.left, 0) << c.name;
      EXPECT_GE(c.top, 0) << c.name;
      EXPECT_LE(c.left + c.width, width) << form.name << "." << c.name;
      EXPECT_LE(c.top + c.height, height) << form.name << "." << c.name;
    }
  }
  EXPECT_THROW(forms::form_layout(4), std::out_of_range);
}

// The window layer finds a control's window through an index of the layouts,
// which refuses a control ID or a window used twice.
TEST(FormLayout, ControlIndexFindsEachControlsWindowAndRefusesAnIdUsedTwice) {
  const window::ControlIndex index(forms::form_layouts());
  struct Case {
    window::ControlId control;
    window::FormId form;  // 0: none
  };
  for (const Case& c :
       {Case{forms::form1::txtadsoyad, forms::Form1}, Case{forms::form1::Command1, forms::Form1},
        Case{forms::form2::Command1, forms::Form2}, Case{forms::form3::Label1, forms::Form3}, Case{4242, 0}}) {
    const window::ControlIndex::Place place = index.find(c.control);
    EXPECT_EQ(place.form != nullptr ? place.form->id : 0, c.form) << c.control;
    EXPECT_EQ(place.control != nullptr ? place.control->id : 0, c.form != 0 ? c.control : 0);
  }
  EXPECT_EQ(index.form(forms::Form2), &forms::form_layout(forms::Form2));
  EXPECT_EQ(index.form(4), nullptr);
  const std::vector<const FormLayout*> twice_a_window = {&forms::form_layout(forms::Form1),
                                                         &forms::form_layout(forms::Form1)};
  EXPECT_THROW(window::ControlIndex{twice_a_window}, std::invalid_argument);
  FormLayout clash = forms::form_layout(forms::Form2);
  clash.id = 9;  // another window with Form2's controls
  const std::vector<const FormLayout*> twice_a_control = {&forms::form_layout(forms::Form2), &clash};
  EXPECT_THROW(window::ControlIndex{twice_a_control}, std::invalid_argument);
}

// The window layer walks the z-order for the keyboard, so the controls that
// take the focus must come in tab-index order, and the first is where the
// focus starts.
TEST(FormLayout, ZOrderOfFocusableControlsFollowsTheirTabIndices) {
  struct Case {
    window::FormId form;
    std::vector<window::ControlId> visible_tab_stops;
  };
  const Case cases[] = {
      {forms::Form1,
       {forms::form1::txtadsoyad, forms::form1::txteposta, forms::form1::CmbApp, forms::form1::Command1,
        forms::form1::Command2}},
      {forms::Form2, {forms::form2::Command1, forms::form2::Text1}},
      {forms::Form3, {forms::form3::Command1, forms::form3::Text1}},
  };
  for (const auto& tc : cases) {
    std::vector<window::ControlId> stops;
    int last_tab = -1;
    for (const auto& c : forms::form_layout(tc.form).controls) {
      if (!takes_focus(c)) continue;
      EXPECT_GT(c.tab_index, last_tab) << c.name << " breaks the tab order";
      last_tab = c.tab_index;
      if (c.visible) stops.push_back(c.id);
    }
    EXPECT_EQ(stops, tc.visible_tab_stops) << "Form" << tc.form;
  }
  EXPECT_FALSE(find(forms::form_layout(forms::Form1), forms::form1::txtsifre).visible);
}

TEST(FormLayout, EachLabelComesDirectlyBeforeItsFieldAndSitsLower) {
  const FormLayout& form = forms::form_layout(forms::Form1);
  const std::pair<window::ControlId, window::ControlId> pairs[] = {
      {forms::form1::Label3, forms::form1::txtadsoyad},
      {forms::form1::Label1, forms::form1::txteposta},
      {forms::form1::Label2, forms::form1::CmbApp},
  };
  for (const auto& [label, field] : pairs) {
    std::size_t at = 0;
    while (at < form.controls.size() && form.controls[at].id != label) ++at;
    ASSERT_LT(at + 1, form.controls.size());
    EXPECT_EQ(form.controls[at].kind, ControlKind::label);
    EXPECT_EQ(form.controls[at + 1].id, field) << form.controls[at].name;
    EXPECT_EQ(form.controls[at].top, form.controls[at + 1].top + 120) << form.controls[at].name;
  }
  const ControlLayout& outlook = find(form, forms::form1::Image2);
  const ControlLayout& express = find(form, forms::form1::Image3);
  EXPECT_EQ(std::tie(outlook.left, outlook.top, outlook.width, outlook.height),
            std::tie(express.left, express.top, express.width, express.height));
  EXPECT_NE(outlook.picture, express.picture);
  EXPECT_NE(outlook.picture, 0);
}

TEST(FormLayout, InfoTextsKeepTheirLinesAndTrailingBlanks) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t lines;                     // without the empty rest after the last CR LF
    std::set<std::size_t> trailing_blank;  // 1-based
    std::set<std::size_t> empty;
  };
  const Case cases[] = {
      {"About", find(forms::form_layout(forms::Form2), forms::form2::Text1).text, 12, {3, 4, 8}, {7, 10}},
      {"completion", find(forms::form_layout(forms::Form3), forms::form3::Text1).text, 9, {3, 4, 6}, {2, 8}},
  };
  for (const auto& tc : cases) {
    const auto lines = split_crlf(tc.text);
    ASSERT_EQ(lines.size(), tc.lines + 1) << tc.what;
    EXPECT_EQ(lines.back(), "") << tc.what << " text must end with CR LF";
    for (std::size_t i = 1; i <= tc.lines; ++i) {
      const std::string& line = lines[i - 1];
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << tc.what << " line " << i;
      EXPECT_EQ(line.empty(), tc.empty.count(i) == 1) << tc.what << " line " << i;
      const bool blank_end = !line.empty() && line.back() == ' ';
      EXPECT_EQ(blank_end, tc.trailing_blank.count(i) == 1) << tc.what << " line " << i << ": '" << line << "'";
    }
  }
}

TEST(FormLayout, CloseButtonsAnswerAKeyAndTheHeadingIsBoldDarkBlue) {
  for (auto [form, id] : {std::pair{forms::Form2, forms::form2::Command1}, {forms::Form3, forms::form3::Command1}}) {
    const ControlLayout& kapat = find(forms::form_layout(form), id);
    EXPECT_STREQ(kapat.text, "Kapat");
    EXPECT_TRUE(kapat.default_button || kapat.cancel_button);
    EXPECT_EQ(kapat.tab_index, 0);
  }
  const ControlLayout& heading = find(forms::form_layout(forms::Form3), forms::form3::Label1);
  EXPECT_TRUE(heading.bold);
  EXPECT_EQ(heading.text_color, 0x00400000u);
  EXPECT_NE(forms::form_layout(forms::Form1).icon, 0);
  EXPECT_TRUE(forms::form_layout(forms::Form1).show_in_taskbar);
  EXPECT_FALSE(forms::form_layout(forms::Form2).show_in_taskbar);
}

}  // namespace
