// What the input checks hand to the targets: the texts as typed and the values
// derived from them, for one press of the setup button.
#pragma once

#include <string>

namespace setup {

struct AccountData {
  std::string email;            // the address as typed (untrimmed)
  std::string name;             // the name as typed (untrimmed)
  std::string domain;           // after the first "@"; may be empty
  std::string incoming_server;  // "mail." + domain
  std::string outgoing_server;  // "mail." + domain, handed on separately
  std::string temp_folder;      // always ends in "\"
};

}  // namespace setup
