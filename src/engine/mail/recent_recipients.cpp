#include "engine/mail/recent_recipients.h"

#include <algorithm>

#include "engine/mail/mail_address.h"
#include "engine/mail/mail_settings.h"
#include "engine/program/program.h"
#include "engine/text/text.h"

namespace tallyscan {
namespace {

std::string LowerAddress(std::string_view field) {
  std::string address = AddressOfField(field).address;
  for (char& c : address) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return address;
}

}  // namespace

std::vector<std::string> ReadRecentRecipients(const SettingsStore& settings) {
  const std::string stored = settings.ReadReg(kIEmailer, kRecipients);
  std::vector<std::string> recipients;
  std::size_t start = 0;
  while (start < stored.size() && recipients.size() < kRecentRecipientsKept) {
    std::size_t end = stored.find('\n', start);
    if (end == std::string::npos) end = stored.size();
    if (end > start) recipients.push_back(stored.substr(start, end - start));
    start = end + 1;
  }
  return recipients;
}

void RememberRecipient(SettingsStore& settings, std::string_view recipient_field) {
  const std::string_view entry = TrimSpaces(recipient_field);
  const std::string address = LowerAddress(entry);
  if (address.empty() || entry.find('\n') != std::string_view::npos) return;
  std::vector<std::string> recipients = ReadRecentRecipients(settings);
  std::erase_if(recipients,
                [&address](const std::string& kept) { return LowerAddress(kept) == address; });
  recipients.insert(recipients.begin(), std::string(entry));
  if (recipients.size() > kRecentRecipientsKept) recipients.resize(kRecentRecipientsKept);
  std::string stored;
  for (const std::string& recipient : recipients) {
    if (!stored.empty()) stored += '\n';
    stored += recipient;
  }
  settings.WriteReg(kIEmailer, kRecipients, stored);
}

}  // namespace tallyscan
