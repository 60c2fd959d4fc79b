#pragma once

#include <span>
#include <string>

#include "settings/field_kind.h"

namespace tlw {

// The program settings, in declaration order: X(kind, name, Name, default,
// saved). The settings file has its own field order.
#define TLW_SETTINGS_FIELDS(X)                                  \
  X(Text, programDirectory, ProgramDirectory, "", false)        \
  X(Flag, openReportWhenDone, OpenReportWhenDone, 0, true)      \
  X(Flag, passiveFtp, PassiveFtp, 0, true)                      \
  X(Flag, resolveHostnames, ResolveHostnames, 0, true)          \
  X(Flag, advancedSettings, AdvancedSettings, 1, true)          \
  X(Flag, whoisLookups, WhoisLookups, 0, true)                  \
  X(Flag, fetchPageTitles, FetchPageTitles, 0, true)            \
  X(Flag, deleteOversizedLog, DeleteOversizedLog, 0, true)      \
  X(Int, oversizedLogLimitMb, OversizedLogLimitMb, 100, true)   \
  X(Text, priorityLevel, PriorityLevel, "Normal", false)        \
  X(Text, smtpFromAddress, SmtpFromAddress, "webmaster@", true) \
  X(Text, smtpServer, SmtpServer, "", true)

// The options that apply to every site. There is one per program, reached by
// runs through ProgramSettings(); it is written on the window thread only.
class CSettings {
 public:
  CSettings() = default;

#define TLW_DECLARE_FIELD(kind, name, Name, def, saved)    \
  const Field##kind& Get##Name() const { return name##_; } \
  void Set##Name(Field##kind value) { name##_ = std::move(value); }
  TLW_SETTINGS_FIELDS(TLW_DECLARE_FIELD)
#undef TLW_DECLARE_FIELD

  // The fields, in declaration order.
  static std::span<const FieldInfo> Fields();

 private:
#define TLW_MEMBER_FIELD(kind, name, Name, def, saved) Field##kind name##_ = def;
  TLW_SETTINGS_FIELDS(TLW_MEMBER_FIELD)
#undef TLW_MEMBER_FIELD
};

// The program-wide settings object; null until the front end installs one.
CSettings* ProgramSettings();
// Installs (or, with null, removes) the program-wide settings object.
void SetProgramSettings(CSettings* settings);

}  // namespace tlw
