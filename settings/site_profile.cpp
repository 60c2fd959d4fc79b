#include "settings/site_profile.h"

#include <array>

#include "base/byte_amount.h"

namespace tlw {

namespace {

// Copies a configuration field; the Live ones are the run's bookkeeping, which
// a run or the site list writes while the property sheet may be open:
// copying the sheet's values back must not turn them back.
template <typename Column>
void CopyConfigurationField(typename Column::Stored& to, const typename Column::Stored& from) {
  if constexpr (!Column::kLive) to = from;
}

}  // namespace

void CSiteProfile::CopyConfigurationFrom(const CSiteProfile& other) {
#define TLW_COPY_FIELD(kind, name, Name, def, saved) \
  CopyConfigurationField<field_column::kind>(name##_, other.name##_);
  TLW_SITE_PROFILE_FIELDS(TLW_COPY_FIELD)
#undef TLW_COPY_FIELD
}

bool CSiteProfile::IsSameSite(const CSiteProfile& other) const {
  return homepageUrl_ == other.homepageUrl_ && remoteLogfile_ == other.remoteLogfile_ &&
         logfilePath_ == other.logfilePath_ && logFtpServer_ == other.logFtpServer_ &&
         uploadReport_ == other.uploadReport_ && reportPath_ == other.reportPath_ &&
         uploadFtpServer_ == other.uploadFtpServer_;
}

std::string CSiteProfile::LogSizeText() const { return tlw::LogSizeText(GetLastLogfileSize()); }

void CSiteProfile::ResetAfterRun() {
  SetRunning(false);
  statistics_.Clear();
  SetPeriodStart("00-00-00");
  SetPeriodEnd("00-00-00");
  SetBusiestDayReport("-");
}

std::span<const FieldInfo> CSiteProfile::Fields() {
#define TLW_FIELD_INFO(kind, name, Name, def, saved) \
  FieldInfo{#name, field_column::kind::kKind, saved},
  static constexpr std::array kFields{TLW_SITE_PROFILE_FIELDS(TLW_FIELD_INFO)};
#undef TLW_FIELD_INFO
  return kFields;
}

}  // namespace tlw
