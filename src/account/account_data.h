// One account as the input checks derive it and the mail program targets
// write it: the texts as typed and the values derived from them, for one
// press of the setup button.
#pragma once

#include <string>

namespace account {

struct AccountData {
  std::string email;            // the address as typed (untrimmed)
  std::string name;             // the name as typed (untrimmed)
  std::string domain;           // after the first "@"; may be empty
  std::string incoming_server;  // "mail." + domain
  std::string outgoing_server;  // "mail." + domain, handed on separately
  // Always ends in "\"; empty only when the folder's name cannot be written
  // in the ANSI code page, not even as its short name.
  std::string temp_folder;
};

}  // namespace account
