#include "ui/ui_test_support.h"

namespace tlw::test {

bool FakeDialogs::EditSite(CSiteProfile& profile, bool /*newSite*/, bool /*advancedSettings*/) {
  ++sheetsShown;
  if (accept && fill) fill(profile);
  return accept;
}

bool FakeDialogs::EditOptions(CSettings& /*settings*/, ExtensionSettings& /*extensions*/) {
  ++optionsShown;
  return accept;
}

void FakeDialogs::ShowMessage(const QString& text, const QString& caption) {
  messages << (caption.isEmpty() ? text : caption + ": " + text);
}

bool FakeDialogs::Ask(const QString& text, const QString& /*caption*/, const QString& yes,
                      const QString& no) {
  questions << text + " [" + yes + " / " + no + "]";
  return answers.isEmpty() ? answerYes : answers.takeFirst();
}

void FakeDialogs::Open(const QString& fileOrUrl) { opened << fileOrUrl; }

}  // namespace tlw::test

#include <QtTest>

#include "settings/settings_file.h"
#include "settings/site_profile.h"

namespace tlw::test {

void WriteSettingsFile(const std::filesystem::path& directory, const std::vector<TestSite>& sites) {
  CSettings settings;
  settings.SetProgramDirectory(directory.string());
  SiteProfiles profiles;
  for (const TestSite& site : sites) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetHomepageUrl(site.url);
    profile->SetLogfilePath(site.logfile);
    profile->SetReportPath(site.report);
    profile->SetScheduled(site.scheduled ? 1 : 0);
    profiles.push_back(profile);
  }
  QVERIFY(SaveSettingsFile(settings, profiles).ok());
}

std::vector<std::string> SavedSites(const std::filesystem::path& directory) {
  CSettings settings;
  SiteProfiles profiles;
  std::vector<std::string> urls;
  if (!std::filesystem::exists(directory / kSettingsFileName)) return {"(no file)"};
  Result<SettingsLoad> load = LoadSettingsFile(directory, settings, profiles, "");
  if (!load.ok() || load->state != SettingsLoadState::Loaded) return {"(no file)"};
  for (const auto& profile : profiles) urls.push_back(profile->GetHomepageUrl());
  return urls;
}

}  // namespace tlw::test
