// The connection settings that the server check proves, and how the sides
// left without encryption are told.
#pragma once

#include <string>

#include "account/account_data.h"
#include "mailcheck/mail_check.h"

namespace setup {

// Incoming on 995 with SSL where that route is trusted, else 110 in clear;
// outgoing on 465 where that route is trusted, else 587 with STARTTLS where
// the upgrade is, else 587 in clear.
account::ConnectionSettings proven_settings(const mailcheck::CheckReport& found);

// "POP3", "SMTP" or "POP3 ve SMTP": the sides the settings leave without
// encryption; empty when both are encrypted.
std::string plain_sides(const account::ConnectionSettings& settings);

// What is told before the plain sides of an answering server are written:
// the server offers them no encryption, or the first certificate that came
// on their encrypted routes (995, 465, 587 in that order) was refused.
std::string encryption_finding(const std::string& domain, const mailcheck::CheckReport& found,
                               const account::ConnectionSettings& settings);

}  // namespace setup
