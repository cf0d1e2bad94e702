#ifndef BACKENDS_SETTING_RULES_H_
#define BACKENDS_SETTING_RULES_H_

#include <string>
#include <vector>

// What each setting of a host may hold: the host itself and the settings of
// its backends, each a key of hostnet.conf and an environment variable
// (host_choice.h says which wins). Every value is checked against its rule
// when it is read, whichever way it came, so that a value no backend could
// use is refused before any backend is made or anything is tried.
namespace backends {

struct SettingRule {
  const char* key;       // in hostnet.conf
  const char* variable;  // in the environment
  const char* allowed;   // what a value may be, as messages say it
  // Why value (never empty) is refused; empty when it is allowed.
  std::string (*refusal)(const std::string& value);
};

// Every setting, host first.
const std::vector<SettingRule>& SettingRules();

// The rule of the setting of key; nullptr when key names none.
const SettingRule* FindSettingRule(const std::string& key);

// The key of the setting that key most likely misspells (a letter or two
// off, "_" for "-"); empty when none is that close.
std::string ClosestSettingKey(const std::string& key);

// Every key, comma-separated, for messages.
std::string SettingKeys();

// Throws Quorvic::Lib::QuorvicException "cannot use KEY VALUE from SOURCE:
// REASON (allowed: ALLOWED)" when rule refuses value; source says where the
// value came from ("QUENTA_OVN_NB", "/etc/quenta/hostnet.conf line 3"). An
// empty value leaves the setting at its default and is always allowed.
void CheckSetting(const SettingRule& rule, const std::string& value, const std::string& source);

}  // namespace backends

#endif  // BACKENDS_SETTING_RULES_H_
