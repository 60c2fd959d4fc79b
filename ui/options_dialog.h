#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tlw {
class CSettings;
struct ExtensionSettings;
}  // namespace tlw

namespace tlw::ui {

// What applying a priority level did to the process.
enum class PriorityChange { Unchanged, Applied, Refused };
struct PriorityResult {
  PriorityChange change = PriorityChange::Unchanged;
  QString message;  // why the system refused; empty otherwise
};

// Gives every thread of the process the nice value of `level`: "Low" 19,
// "Normal" 0, "High" -10. The comparison is exact; any other text leaves the
// priority as it is. Raising the priority needs a privilege most users lack:
// the refusal is reported, never fatal.
PriorityResult ApplyProcessPriority(const std::string& level);

// The level whose nice value the calling thread has: "Low", "Normal" or
// "High"; empty for any other nice value.
std::string PriorityLevelInForce();

// The Program Settings dialog: the options that apply to every site.
class COptionsDialog final : public QDialog {
  Q_OBJECT

 public:
  using MessageHook = std::function<void(const QString& text, const QString& caption)>;
  COptionsDialog(const CSettings& settings, const ExtensionSettings& extensions,
                 MessageHook message, QWidget* parent = nullptr);

  // What "&Save" does: checks the values (CheckValues), copies every value
  // into `settings` and `extensions` and applies the priority; when the
  // system refuses it, says so and stores the level still in force.
  // Returns false, changing nothing, when a value does not pass.
  bool Save(CSettings& settings, ExtensionSettings& extensions);

  // Whether the values can be saved: false, with a message and the focus on
  // the value, when the limit is not an integer, a GeoIP database is named
  // that does not open, the SMTP server's port is out of range, or a mail
  // login names both a password file and a password command. "&Save" closes
  // the dialog only once they pass, so the message is shown over it.
  bool CheckValues();

  QCheckBox* advanced = nullptr;
  QCheckBox* openReport = nullptr;
  QCheckBox* passive = nullptr;
  QCheckBox* deleteLog = nullptr;
  QLineEdit* limit = nullptr;
  QComboBox* priority = nullptr;
  QCheckBox* resolve = nullptr;
  QCheckBox* whois = nullptr;
  QCheckBox* titles = nullptr;
  QLineEdit* smtpServer = nullptr;
  QLineEdit* smtpFrom = nullptr;
  QComboBox* smtpSecurity = nullptr;  // none, starttls, tls, in that order
  QLineEdit* smtpUser = nullptr;
  QLineEdit* smtpPasswordFile = nullptr;
  QLineEdit* smtpPasswordCommand = nullptr;
  QLineEdit* sshKeyFile = nullptr;
  QCheckBox* geoip = nullptr;
  QCheckBox* modernView = nullptr;      // the extension setting modernView
  QCheckBox* keepLogHistory = nullptr;  // the extension setting keepLogHistory
  QLineEdit* geoipDatabase = nullptr;
  QPushButton* geoipBrowse = nullptr;
  QPushButton* save = nullptr;

 private:
  MessageHook message_;
};

// Shows the dialog modally for `settings` and `extensions`; on "&Save" the
// values are stored and the priority applied. True for "&Save".
bool EditProgramOptions(CSettings& settings, ExtensionSettings& extensions,
                        const COptionsDialog::MessageHook& message, QWidget* parent);

}  // namespace tlw::ui
