#include "forms/command_line.h"

#include <algorithm>

namespace forms {

namespace {

std::string ascii_lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

std::optional<int> program_index(const std::string& value) {
  const std::string word = ascii_lower(value);
  if (word == "outlook" || word == "0") return 0;
  if (word == "express" || word == "1") return 1;
  return std::nullopt;
}

// The first fault is the one told; the scan goes on, so that /quiet is seen
// wherever it stands.
void note(StartOptions& options, const std::string& fault) {
  if (options.error.empty()) options.error = fault;
}

void read_switch(StartOptions& options, const std::string& argument) {
  if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
    note(options, "Tanınmayan anahtar: " + argument);
    return;
  }
  const std::size_t separator = argument.find_first_of(":=", 1);
  const std::string key =
      ascii_lower(argument.substr(1, separator == std::string::npos ? std::string::npos : separator - 1));
  const bool has_value = separator != std::string::npos;
  const std::string value = has_value ? argument.substr(separator + 1) : std::string();

  if (key == "?" || key == "help" || key == "quiet" || key == "nocheck" || key == "requiretls") {
    if (has_value) {
      note(options, "Değer almayan anahtar: " + argument);
    } else if (key == "quiet") {
      options.quiet = true;
    } else if (key == "nocheck") {
      options.no_check = true;
    } else if (key == "requiretls") {
      options.require_tls = true;
    } else {
      options.help = true;
    }
    return;
  }
  if (key != "name" && key != "email" && key != "program") {
    note(options, "Tanınmayan anahtar: " + argument);
    return;
  }
  if (value.empty()) {
    note(options, "Değeri verilmemiş anahtar: " + argument);
    return;
  }
  if (key == "name") {
    options.name = value;
  } else if (key == "email") {
    options.email = value;
  } else if (const auto index = program_index(value)) {
    options.program = index;
  } else {
    note(options, "Geçersiz program: " + value + " (outlook, express, 0 ya da 1 olmalı)");
  }
}

}  // namespace

StartOptions parse_command_line(const std::vector<std::string>& arguments) {
  StartOptions options;
  for (const std::string& argument : arguments) read_switch(options, argument);
  // Only the check can prove the encryption that /requiretls asks for.
  if (options.require_tls && options.no_check) note(options, "/requiretls ile /nocheck birlikte kullanılamaz.");
  if (options.quiet && !options.help && options.error.empty() &&
      (!options.name || !options.email || !options.program)) {
    options.error = "Pencere göstermeden kurmak için /name, /email ve /program anahtarlarının üçü de gerekli.";
  }
  return options;
}

std::string usage_text() {
  return "Kullanım:\r\n"
         "Telvora.exe /name:<ad soyad> /email:<adres> /program:outlook|express [/quiet] [/nocheck] "
         "[/requiretls]\r\n"
         "\r\n"
         "/name:<metin> : Adınız - Soyadınız\r\n"
         "/email:<adres> : E-Posta adresiniz\r\n"
         "/program:<ad> : outlook (0) ya da express (1)\r\n"
         "/quiet : hesabı pencere göstermeden kurar\r\n"
         "/nocheck : posta sunucusunu denetlemeden kurar\r\n"
         "/requiretls : POP3 ve SMTP şifreli bağlantıyla kurulamıyorsa hesabı kurmaz\r\n"
         "/? ya da /help : bu bilgiyi gösterir\r\n"
         "\r\n"
         "Anahtarlar \"-\" ile de başlayabilir; değer \":\" ya da \"=\" ile verilir. Boşluk içeren değeri tırnak "
         "içine alın.\r\n"
         "\r\n"
         "/quiet ile çıkış kodu:\r\n"
         "0 hesap kuruldu\r\n"
         "1 başka bir hata\r\n"
         "2 girilen bilgi kabul edilmedi\r\n"
         "3 Microsoft Outlook bulunamadı\r\n"
         "4 hesap kaydedilemedi\r\n"
         "5 Outlook başlatılamadı\r\n"
         "6 alan adı ya da posta sunucusu bulunamadı; hesap kurulmadı\r\n"
         "7 şifreli bağlantı kurulamadı (/requiretls); hesap kurulmadı\r\n"
         "64 hatalı komut satırı";
}

}  // namespace forms
