// Control IDs of the three windows, fixed so that the window layer, the
// handlers and the tests that drive the real windows all name the same
// control. IDs are unique over all forms.
#pragma once

#include "platform/ui.h"

namespace forms {

// Form1, the main window.
namespace form1 {
constexpr platform::ControlId txtadsoyad = 101;
constexpr platform::ControlId txteposta = 102;
constexpr platform::ControlId CmbApp = 103;
constexpr platform::ControlId Command1 = 104;  // "Hesabı Kontrol et ve Kur"
constexpr platform::ControlId Command2 = 105;  // "Hakkında"
constexpr platform::ControlId txtsifre = 106;
constexpr platform::ControlId Frame1 = 107;
constexpr platform::ControlId Label1 = 111;
constexpr platform::ControlId Label2 = 112;
constexpr platform::ControlId Label3 = 113;
constexpr platform::ControlId Image1 = 121;
constexpr platform::ControlId Image2 = 122;
constexpr platform::ControlId Image3 = 123;
}  // namespace form1

// Form2, the About window.
namespace form2 {
constexpr platform::ControlId Text1 = 201;
constexpr platform::ControlId Command1 = 202;  // "Kapat"
constexpr platform::ControlId Image1 = 221;
}  // namespace form2

// Form3, the completion window.
namespace form3 {
constexpr platform::ControlId Text1 = 301;
constexpr platform::ControlId Command1 = 302;  // "Kapat"
constexpr platform::ControlId Label1 = 311;
constexpr platform::ControlId Image1 = 321;
}  // namespace form3

}  // namespace forms
