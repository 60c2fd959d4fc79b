#include "settings/settings.h"

#include <array>
#include <atomic>

namespace tlw {
namespace {
std::atomic<CSettings*> programSettings{nullptr};
}  // namespace

std::span<const FieldInfo> CSettings::Fields() {
#define TLW_FIELD_INFO(kind, name, Name, def, saved) FieldInfo{#name, FieldKind::kind, saved},
  static constexpr std::array kFields{TLW_SETTINGS_FIELDS(TLW_FIELD_INFO)};
#undef TLW_FIELD_INFO
  return kFields;
}

CSettings* ProgramSettings() { return programSettings.load(std::memory_order_acquire); }

void SetProgramSettings(CSettings* settings) {
  programSettings.store(settings, std::memory_order_release);
}

}  // namespace tlw
