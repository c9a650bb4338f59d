// Control IDs of the three windows, fixed so that the window layer, the
// handlers and the tests that drive the real windows all name the same
// control. IDs are unique over all forms.
#pragma once

#include "window/ui.h"

namespace forms {

// Form1, the main window.
namespace form1 {
constexpr window::ControlId txtadsoyad = 101;
constexpr window::ControlId txteposta = 102;
constexpr window::ControlId CmbApp = 103;
constexpr window::ControlId Command1 = 104;  // "Hesabı Kontrol et ve Kur"
constexpr window::ControlId Command2 = 105;  // "Hakkında"
constexpr window::ControlId txtsifre = 106;
constexpr window::ControlId Frame1 = 107;
constexpr window::ControlId Label1 = 111;
constexpr window::ControlId Label2 = 112;
constexpr window::ControlId Label3 = 113;
constexpr window::ControlId Image1 = 121;
constexpr window::ControlId Image2 = 122;
constexpr window::ControlId Image3 = 123;
}  // namespace form1

// Form2, the About window.
namespace form2 {
constexpr window::ControlId Text1 = 201;
constexpr window::ControlId Command1 = 202;  // "Kapat"
constexpr window::ControlId Image1 = 221;
}  // namespace form2

// Form3, the completion window.
namespace form3 {
constexpr window::ControlId Text1 = 301;
constexpr window::ControlId Command1 = 302;  // "Kapat"
constexpr window::ControlId Label1 = 311;
constexpr window::ControlId Image1 = 321;
}  // namespace form3

}  // namespace forms
