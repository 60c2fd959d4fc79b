#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace tlw {
class CSettings;
class CSiteProfile;
struct ExtensionSettings;
}  // namespace tlw

namespace tlw::ui {

// The dialogs and message boxes that the site list opens. The window talks
// to them only through this interface, so tests replace them with doubles
// that answer at once.
class SiteDialogs {
 public:
  virtual ~SiteDialogs() = default;
  // Shows the Website Profile sheet filled from `profile` (a new site's
  // defaults, or a copy of the site being edited) and stores the values
  // entered into it. Without `advancedSettings` the sheet offers only its
  // first three pages. Returns true for OK, false for Cancel.
  virtual bool EditSite(CSiteProfile& profile, bool newSite, bool advancedSettings) = 0;
  // Shows the Program Settings dialog for `settings` and the extension
  // settings; true for OK.
  virtual bool EditOptions(CSettings& settings, ExtensionSettings& extensions) = 0;
  // Shows a message box with an OK button; returns at once, without
  // waiting for the user, so that runs keep being followed.
  virtual void ShowMessage(const QString& text, const QString& caption) = 0;
  // Asks `text` with two buttons and waits for the answer: true for `yes`,
  // false for `no` (also the answer of Escape and of closing the box).
  virtual bool Ask(const QString& text, const QString& caption, const QString& yes,
                   const QString& no) = 0;
  // Opens a file or web address the way the desktop does (a report, the
  // help file, the support website).
  virtual void Open(const QString& fileOrUrl) = 0;
};

// Widens `box` to show its whole title: a window manager cuts a title
// longer than the box, and a short message makes a narrow box. Without a
// title of its own the box shows the application's name.
void LeaveRoomForTitle(QMessageBox& box);

// The dialogs of the running program, shown over `parent`.
class MessageBoxSiteDialogs final : public SiteDialogs {
 public:
  explicit MessageBoxSiteDialogs(QWidget* parent) : parent_(parent) {}
  bool EditSite(CSiteProfile& profile, bool newSite, bool advancedSettings) override;
  bool EditOptions(CSettings& settings, ExtensionSettings& extensions) override;
  void ShowMessage(const QString& text, const QString& caption) override;
  bool Ask(const QString& text, const QString& caption, const QString& yes,
           const QString& no) override;
  void Open(const QString& fileOrUrl) override;

 private:
  QWidget* parent_;
};

}  // namespace tlw::ui
