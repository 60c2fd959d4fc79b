#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "ui/site_dialogs.h"

namespace tlw::test {

// Dialogs that answer at once: the profile sheet applies `fill` to the
// profile and answers `accept`; messages, questions and opened files are
// recorded.
class FakeDialogs final : public ui::SiteDialogs {
 public:
  bool EditSite(CSiteProfile& profile, bool newSite, bool advancedSettings) override;
  bool EditOptions(CSettings& settings, ExtensionSettings& extensions) override;
  void ShowMessage(const QString& text, const QString& caption) override;
  bool Ask(const QString& text, const QString& caption, const QString& yes,
           const QString& no) override;
  void Open(const QString& fileOrUrl) override;

  std::function<void(CSiteProfile&)> fill;
  bool accept = true;
  int sheetsShown = 0;
  int optionsShown = 0;
  QStringList messages;
  // Questions asked, as "text [yes / no]"; each takes the next of
  // `answers`, then `answerYes`.
  QStringList questions;
  QList<bool> answers;
  bool answerYes = true;
  QStringList opened;
};

}  // namespace tlw::test

#include <filesystem>
#include <string>
#include <vector>

namespace tlw::test {

// A site for a settings file written by a test.
struct TestSite {
  std::string url;
  std::string logfile;
  std::string report;
  bool scheduled = false;
};

// Writes the settings file of `directory` holding `sites`, in order.
void WriteSettingsFile(const std::filesystem::path& directory, const std::vector<TestSite>& sites);

// The sites' addresses in the settings file of `directory`, in order.
std::vector<std::string> SavedSites(const std::filesystem::path& directory);

}  // namespace tlw::test
