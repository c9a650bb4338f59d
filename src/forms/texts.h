// Every text of the three windows, in one place: the layouts show them, the
// handlers fill the program list with them, and the quiet run prints the
// completion window's heading. The setup's own messages are the setup's.
#pragma once

namespace forms::text {

// Form1, the main window.
inline constexpr const char* kForm1Caption = "Otomatik Microsoft Outlook ve Outlook Express Hesap Kurulum Programı";
inline constexpr const char* kNameLabel = "Adınız - Soyadınız :";
inline constexpr const char* kEmailLabel = "E-Posta Adresiniz :";
inline constexpr const char* kProgramLabel = "Program :";
inline constexpr const char* kSetUpButton = "Hesabı Kontrol et ve Kur";
// What the setup button reads while the mail server is checked.
inline constexpr const char* kChecking = "Denetleniyor…";
inline constexpr const char* kAboutButton = "Hakkında";
// The program list, in the order of its indices.
inline constexpr const char* kOutlook = "Microsoft Outlook";
inline constexpr const char* kExpress = "Outlook Express";

// Form2 and Form3 close with the same button.
inline constexpr const char* kCloseButton = "Kapat";

// Form2, the About window.
inline constexpr const char* kForm2Caption = "Hakkında";
inline constexpr const char* kAbout =
    "Bu uygulama bilgisayarınızda yüklü olan\r\n"
    "Microsoft Outlook ya da Outlook Express programınıza\r\n"
    "otomatik olarak yeni e-posta hesabınızı \r\n"
    "tanımlayabilmeniz \r\n"
    "için\r\n"
    "hazırlanmıştır.\r\n"
    "\r\n"
    "E-posta şifreniz dışında tüm ayarlarınız otomatik olarak \r\n"
    "tanımlanacaktır.\r\n"
    "\r\n"
    "Bu programın tüm hakları Telvora geliştiricilerine\r\n"
    "aittir.\r\n";

// Form3, the completion window.
inline constexpr const char* kForm3Caption = "Kurulum Tamamlandı.";
inline constexpr const char* kCompletionHeading = "Hesabın kurulumu için gerekli ayarlar başarıyla tamamlandı.";
inline constexpr const char* kCompletion =
    "Hesap Kurulumunuz başarıyla tamamlandı.\r\n"
    "\r\n"
    "Hesabınızın çalışır hale gelebilmesi için son olarak \r\n"
    "Microsoft Outlook ya da Outlook Express programında \r\n"
    "şifrenizi belirtmeniz gerekmektedir.\r\n"
    "Bu işlemi yeni posta kontrolü yapılırken karşınıza \r\n"
    "çıkacak ekrandan yapabilirsiniz.\r\n"
    "\r\n"
    "İyi çalışmalar dileriz.\r\n";

}  // namespace forms::text
