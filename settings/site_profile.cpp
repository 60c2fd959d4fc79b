#include "settings/site_profile.h"

#include <array>
#include <string_view>

#include "base/byte_amount.h"

namespace tlw {

namespace {

// Fields that a run or the site list writes while the property sheet may be
// open: copying the sheet's values back must not turn them back.
bool IsRunBookkeeping(std::string_view name) {
  return name == "listIndex" || name == "lastRunTime" || name == "timeTaken" ||
         name == "lastGenerated" || name == "lastLogfileSize";
}

}  // namespace

void CSiteProfile::CopyConfigurationFrom(const CSiteProfile& other) {
#define TLW_COPY_FIELD(kind, name, Name, def, saved) \
  if (!IsRunBookkeeping(#name)) name##_ = other.name##_;
  TLW_SITE_PROFILE_FIELDS(TLW_COPY_FIELD)
#undef TLW_COPY_FIELD
}

bool CSiteProfile::IsSameSite(const CSiteProfile& other) const {
  return homepageUrl_ == other.homepageUrl_ && remoteLogfile_ == other.remoteLogfile_ &&
         logfilePath_ == other.logfilePath_ && logFtpServer_ == other.logFtpServer_ &&
         uploadReport_ == other.uploadReport_ && reportPath_ == other.reportPath_ &&
         uploadFtpServer_ == other.uploadFtpServer_;
}

std::string CSiteProfile::LogSizeText() const {
  if (lastLogfileSize_ == 0) return "remote";
  return ByteAmountText(lastLogfileSize_);
}

void CSiteProfile::ResetAfterRun() {
  SetRunning(false);
  statistics_.Clear();
  periodStart_ = "00-00-00";
  periodEnd_ = "00-00-00";
  busiestDayReport_ = "-";
}

std::span<const FieldInfo> CSiteProfile::Fields() {
#define TLW_FIELD_INFO(kind, name, Name, def, saved) FieldInfo{#name, FieldKind::kind, saved},
  static constexpr std::array kFields{TLW_SITE_PROFILE_FIELDS(TLW_FIELD_INFO)};
#undef TLW_FIELD_INFO
  return kFields;
}

}  // namespace tlw
