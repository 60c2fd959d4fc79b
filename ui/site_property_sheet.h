#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "settings/site_profile.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tlw::ui {

// What the sheet's pages ask of the desktop: modal message boxes and file
// dialogs. Tests replace them with answers of their own.
struct SheetHooks {
  // A modal message box with an OK button.
  std::function<void(const QString& text, const QString& caption)> message;
  // A file-open dialog with multiple selection; the chosen full paths.
  std::function<QStringList(const QString& folder, const QString& filter)> openFiles;
  // A file-save dialog proposing `name`; the chosen full path, or empty.
  std::function<QString(const QString& folder, const QString& name, const QString& filter)>
      saveFile;
};

// The hooks of the running program, showing their dialogs over `parent`.
SheetHooks ModalSheetHooks(QWidget* parent);

// Shows `text` in an editable drop-down list the way the stored text comes
// back: the first item that begins with it (ignoring case) is selected,
// else the text itself is shown.
void ShowComboText(QComboBox* combo, const QString& text);

// One page of the Website Profile sheet. A page reads its fields from the
// sheet's values when it is built and writes them back only when it was
// shown, so a page the user never opened leaves its values as they were.
class SheetPage : public QWidget {
  Q_OBJECT

 public:
  SheetPage(const SheetHooks& hooks, QWidget* parent) : QWidget(parent), hooks_(hooks) {}
  virtual void Load(const CSiteProfile& values) = 0;
  virtual void Store(CSiteProfile& values) const = 0;
  // The F1 text, captioned "Help"; empty for a page without one.
  virtual QString HelpText() const { return {}; }
  // Called when the page is first shown.
  virtual void Activated() {}

 protected:
  const SheetHooks& hooks_;
};

// Page "Site": homepage, the date range and what the last run left.
class CSitePropertyPage1 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage1(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;
  void SetPropertyTexts(const QString& lastGenerated, const QString& logSize);

  QLineEdit* homepage = nullptr;
  QCheckBox* entireLog = nullptr;
  QDateTimeEdit* from = nullptr;
  QDateTimeEdit* to = nullptr;

 private:
  void ApplyVisibility();
  QLabel* fromLabel_ = nullptr;
  QLabel* toLabel_ = nullptr;
  QLabel* lastGenerated_ = nullptr;
  QLabel* logSize_ = nullptr;
  // The stored times and what the pickers showed for them: an untouched
  // picker gives back the stored time to the second.
  std::int64_t fromValue_ = 0;
  std::int64_t toValue_ = 0;
  QDateTime fromShown_;
  QDateTime toShown_;
};

// Page "Log File": where the logfiles are read.
class CSitePropertyPage2 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage2(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;
  void Browse();
  // The check made when the path edit loses the focus.
  void CheckPath();

  QCheckBox* remote = nullptr;
  QLineEdit* path = nullptr;
  QPushButton* browse = nullptr;
  QLineEdit* server = nullptr;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> ftpControls_;
};

// Page "Output": where the report goes and whom it is mailed to.
class CSitePropertyPage3 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage3(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;
  void Browse();
  void CheckPath();

  QCheckBox* remote = nullptr;
  QLineEdit* path = nullptr;
  QPushButton* browse = nullptr;
  QLineEdit* server = nullptr;
  QLineEdit* user = nullptr;
  QLineEdit* password = nullptr;
  QCheckBox* email = nullptr;
  QLineEdit* address = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> ftpControls_;
  QLabel* addressLabel_ = nullptr;
};

// Page "Schedule".
class CSitePropertyPage4 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage4(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  void Activated() override;

  QCheckBox* scheduled = nullptr;
  QComboBox* interval = nullptr;
  QDateTimeEdit* start = nullptr;

 private:
  void ApplyVisibility();
  std::vector<QWidget*> scheduleControls_;
  QString intervalText_;
  std::int64_t startValue_ = 0;
  QDateTime startShown_;
};

// Page "Report": which sections the report shows, their order and top
// counts.
class CSitePropertyPage5 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage5(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  void MoveUp();
  void MoveDown();
  // The check made when the Top edit loses the focus.
  void ApplyTopText();

  QTreeWidget* list = nullptr;
  QLineEdit* top = nullptr;

 private:
  void Move(int by);
  void Step(int by);
  QTreeWidgetItem* remembered_ = nullptr;
};

// Page "Theme".
class CSitePropertyPage6 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage6(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;

  QComboBox* theme = nullptr;
  QCheckBox* graphs = nullptr;
};

// Page "Filter": hosts, file extensions and directories left out.
class CSitePropertyPage7 final : public SheetPage {
  Q_OBJECT

 public:
  CSitePropertyPage7(const SheetHooks& hooks, QWidget* parent);
  void Load(const CSiteProfile& values) override;
  void Store(CSiteProfile& values) const override;
  QString HelpText() const override;

  struct Group {
    QComboBox* list = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* add = nullptr;
    QPushButton* del = nullptr;
  };
  // Hostname && IP, File Extensions, Directories.
  Group groups[3];

  static void Add(Group& group);
  static void Delete(Group& group);
};

// The Website Profile sheet: the modal editor of one site profile.
class CSitePropertySheet final : public QDialog {
  Q_OBJECT

 public:
  // `profile` fills the pages (editing a site); null keeps the pages'
  // defaults (adding one). Without `advancedSettings` only the pages Site,
  // Log File and Output are offered.
  CSitePropertySheet(const CSiteProfile* profile, bool advancedSettings, SheetHooks hooks,
                     QWidget* parent = nullptr);

  // Copies the values of every page into `profile`: the shown pages' as
  // edited, the others' as they came in.
  void StoreInto(CSiteProfile& profile);

  QTabWidget* Tabs() const { return tabs_; }
  CSitePropertyPage1* site = nullptr;
  CSitePropertyPage2* logFile = nullptr;
  CSitePropertyPage3* output = nullptr;
  CSitePropertyPage5* report = nullptr;
  CSitePropertyPage6* theme = nullptr;
  CSitePropertyPage4* schedule = nullptr;
  CSitePropertyPage7* filter = nullptr;

 private:
  void PageShown(int index);
  void ShowHelp();

  SheetHooks hooks_;
  CSiteProfile values_;
  QTabWidget* tabs_ = nullptr;
  std::vector<SheetPage*> pages_;
  std::vector<bool> shown_;
};

// The values a new site's pages start with, under `homeFolder`.
void ApplyPageDefaults(CSiteProfile& values, const QString& homeFolder);

// The logfile path text for the files chosen in the Browse dialog: each full
// path followed by "|".
QString LogPathOfSelection(const QStringList& files);

}  // namespace tlw::ui
