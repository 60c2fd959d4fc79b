#include "ui/options_dialog.h"

#include <sys/resource.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "geo/geoip_countries.h"
#include "mail/smtp.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "ui/site_property_sheet.h"

namespace tlw::ui {
namespace {

struct PriorityLevel {
  const char* name;
  int nice;
};
constexpr PriorityLevel kLevels[] = {{"Low", 19}, {"Normal", 0}, {"High", -10}};

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

PriorityResult ApplyProcessPriority(const std::string& level) {
  const PriorityLevel* found = nullptr;
  for (const PriorityLevel& candidate : kLevels) {
    if (level == candidate.name) found = &candidate;
  }
  if (found == nullptr) return {};
  // On Linux a nice value belongs to a thread: every thread gets it, and
  // threads started later inherit it from the window's thread.
  const QStringList tasks = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QStringList ids = tasks.isEmpty() ? QStringList{"0"} : tasks;
  const std::string before = PriorityLevelInForce();
  for (const QString& id : ids) {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(id.toUInt()), found->nice) != 0) {
      const int error = errno;
      if (error == ESRCH) continue;  // the thread has ended meanwhile
      // Lowering a nice value needs a privilege (CAP_SYS_NICE) that an
      // ordinary user lacks: after "Low", even "Normal" is refused.
      const QString stays = before.empty() ? QString("as it was") : "at " + Text(before);
      return {PriorityChange::Refused,
              QString("The process priority could not be set to %1: %2.\n\nIt stays %3 "
                      "until the program is started again: raising a priority needs "
                      "administrator rights.")
                  .arg(found->name, QString::fromLocal8Bit(std::strerror(error)), stays)};
    }
  }
  return {PriorityChange::Applied, {}};
}

std::string PriorityLevelInForce() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  if (errno != 0) return {};
  for (const PriorityLevel& level : kLevels) {
    if (level.nice == nice) return level.name;
  }
  return {};
}

COptionsDialog::COptionsDialog(const CSettings& settings, const ExtensionSettings& extensions,
                               MessageHook message, QWidget* parent)
    : QDialog(parent),
      advanced(new QCheckBox("&Enable advanced settings", this)),
      openReport(new QCheckBox("&Open report in web browser when finished", this)),
      // Not "U&se": Alt+S is "&Save".
      passive(new QCheckBox("Use PAS&V mode for FTP communication", this)),
      deleteLog(new QCheckBox("&Delete logfile when it reaches", this)),
      limit(new QLineEdit(this)),
      priority(new QComboBox(this)),
      message_(std::move(message)) {
  setWindowTitle("Program Settings");
  priority->setEditable(true);
  priority->setInsertPolicy(QComboBox::NoInsert);
  for (const PriorityLevel& level : kLevels) priority->addItem(level.name);
  limit->setMaximumWidth(60);
  priority->setMinimumWidth(110);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(advanced);
  layout->addWidget(openReport);
  layout->addWidget(passive);
  auto* oversized = new QHBoxLayout;
  oversized->addWidget(deleteLog);
  oversized->addWidget(limit);
  oversized->addWidget(new QLabel("MB", this));
  oversized->addStretch(1);
  layout->addLayout(oversized);
  auto* priorityRow = new QHBoxLayout;
  priorityRow->addWidget(new QLabel("Priority Level:", this));
  priorityRow->addWidget(priority);
  priorityRow->addStretch(1);
  layout->addLayout(priorityRow);

  auto* mining = new QGroupBox("Extra Data Mining", this);
  auto* miningLayout = new QVBoxLayout(mining);
  // Not "&Convert": Alt+C is "&Cancel".
  resolve = new QCheckBox("Convert &IP addresses to real hostname (slower!)", mining);
  whois = new QCheckBox("&Perform WHOIS lookups for top organizations", mining);
  titles = new QCheckBox("Get webpage title information for top webpages", mining);
  miningLayout->addWidget(resolve);
  miningLayout->addWidget(whois);
  miningLayout->addWidget(titles);
  geoip = new QCheckBox("Count &numeric addresses under their country (GeoIP)", mining);
  geoipDatabase = new QLineEdit(mining);
  geoipDatabase->setPlaceholderText("Debian's data");
  geoipBrowse = new QPushButton("&Browse...", mining);
  miningLayout->addWidget(geoip);
  auto* databaseRow = new QHBoxLayout;
  databaseRow->addWidget(new QLabel("Database (.mmdb):", mining));
  databaseRow->addWidget(geoipDatabase, 1);
  databaseRow->addWidget(geoipBrowse);
  miningLayout->addLayout(databaseRow);
  modernView =
      new QCheckBox("Also write the &modern view of each report (people and robots apart)", mining);
  miningLayout->addWidget(modernView);
  keepLogHistory = new QCheckBox(
      "Keep what was counted of rotated logfiles (report &history since the first run)", mining);
  miningLayout->addWidget(keepLogHistory);
  layout->addWidget(mining);
  connect(geoip, &QCheckBox::toggled, geoipDatabase, &QWidget::setEnabled);
  connect(geoip, &QCheckBox::toggled, geoipBrowse, &QWidget::setEnabled);
  connect(geoipBrowse, &QPushButton::clicked, this, [this] {
    const QString file =
        QFileDialog::getOpenFileName(this, "GeoIP Country Database", geoipDatabase->text(),
                                     "MaxMind DB files (*.mmdb);;All files (*)");
    if (!file.isEmpty()) geoipDatabase->setText(file);
  });

  auto* smtp = new QGroupBox("SMTP Mail", this);
  auto* smtpLayout = new QGridLayout(smtp);
  smtpServer = new QLineEdit(smtp);
  smtpFrom = new QLineEdit(smtp);
  smtpLayout->addWidget(new QLabel("Server:", smtp), 0, 0);
  smtpLayout->addWidget(smtpServer, 0, 1);
  smtpLayout->addWidget(new QLabel("From:", smtp), 1, 0);
  smtpLayout->addWidget(smtpFrom, 1, 1);
  smtpSecurity = new QComboBox(smtp);
  smtpSecurity->addItems({"None (port 25)", "STARTTLS (port 587)", "TLS (port 465)"});
  smtpUser = new QLineEdit(smtp);
  smtpUser->setPlaceholderText("no login");
  smtpPasswordFile = new QLineEdit(smtp);
  smtpPasswordFile->setPlaceholderText("a file only you can read (chmod 600)");
  smtpPasswordCommand = new QLineEdit(smtp);
  smtpPasswordCommand->setPlaceholderText("or a command that prints it");
  smtpLayout->addWidget(new QLabel("Security:", smtp), 2, 0);
  smtpLayout->addWidget(smtpSecurity, 2, 1);
  smtpLayout->addWidget(new QLabel("User:", smtp), 3, 0);
  smtpLayout->addWidget(smtpUser, 3, 1);
  smtpLayout->addWidget(new QLabel("Password file:", smtp), 4, 0);
  smtpLayout->addWidget(smtpPasswordFile, 4, 1);
  smtpLayout->addWidget(new QLabel("Password command:", smtp), 5, 0);
  smtpLayout->addWidget(smtpPasswordCommand, 5, 1);
  layout->addWidget(smtp);

  auto* sshRow = new QHBoxLayout;
  sshKeyFile = new QLineEdit(this);
  sshKeyFile->setPlaceholderText("~/.ssh/id_ed25519, id_ecdsa, id_rsa");
  sshRow->addWidget(new QLabel("SSH key for SFTP:", this));
  sshRow->addWidget(sshKeyFile, 1);
  layout->addLayout(sshRow);

  auto* buttons = new QHBoxLayout;
  save = new QPushButton("&Save", this);
  auto* cancel = new QPushButton("&Cancel", this);
  save->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(save, &QPushButton::clicked, this, [this] {
    if (CheckValues()) accept();
  });

  advanced->setChecked(settings.GetAdvancedSettings() != 0);
  openReport->setChecked(settings.GetOpenReportWhenDone() != 0);
  passive->setChecked(settings.GetPassiveFtp() != 0);
  deleteLog->setChecked(settings.GetDeleteOversizedLog() != 0);
  limit->setText(QString::number(settings.GetOversizedLogLimitMb()));
  // The list shows the level in force, which differs from the one stored
  // when the system refused a change or the program was started with
  // another nice value; a text that names no level is shown as stored.
  const std::string& stored = settings.GetPriorityLevel();
  const std::string inForce = PriorityLevelInForce();
  const bool isLevel =
      std::any_of(std::begin(kLevels), std::end(kLevels),
                  [&](const PriorityLevel& level) { return stored == level.name; });
  ShowComboText(priority, Text(isLevel && !inForce.empty() ? inForce : stored));
  resolve->setChecked(settings.GetResolveHostnames() != 0);
  whois->setChecked(settings.GetWhoisLookups() != 0);
  titles->setChecked(settings.GetFetchPageTitles() != 0);
  smtpServer->setText(Text(settings.GetSmtpServer()));
  smtpFrom->setText(Text(settings.GetSmtpFromAddress()));
  geoip->setChecked(extensions.geoipCountries);
  geoipDatabase->setText(Text(extensions.geoipDatabase));
  geoipDatabase->setEnabled(extensions.geoipCountries);
  geoipBrowse->setEnabled(extensions.geoipCountries);
  modernView->setChecked(extensions.modernView);
  keepLogHistory->setChecked(extensions.keepLogHistory);
  SmtpSecurity security = SmtpSecurity::None;
  (void)ParseSmtpSecurity(extensions.smtpSecurity, security);
  smtpSecurity->setCurrentIndex(static_cast<int>(security));
  smtpUser->setText(Text(extensions.smtpUser));
  smtpPasswordFile->setText(Text(extensions.smtpPasswordFile));
  smtpPasswordCommand->setText(Text(extensions.smtpPasswordCommand));
  sshKeyFile->setText(Text(extensions.sshKeyFile));
}

bool COptionsDialog::CheckValues() {
  bool isInteger = false;
  (void)limit->text().trimmed().toInt(&isInteger);
  if (!isInteger) {
    message_("Please enter an integer.", "Program Settings");
    limit->setFocus();
    limit->selectAll();
    return false;
  }
  // A run that cannot open the database falls back to Debian's with a
  // warning the window does not show, so the file is checked here.
  const std::string database = geoipDatabase->text().trimmed().toStdString();
  if (geoip->isChecked() && !database.empty()) {
    if (Status opened = CheckMmdbDatabase(database); !opened.ok()) {
      message_(Text(opened.message() + "."), "Program Settings");
      geoipDatabase->setFocus();
      geoipDatabase->selectAll();
      return false;
    }
  }
  // A port out of range would be found only when a report is mailed.
  const std::string smtp = smtpServer->text().toStdString();
  if (Status usable = CheckSmtpServer(smtp); !usable.ok()) {
    message_(Text("SMTP server " + usable.message() + "."), "Program Settings");
    smtpServer->setFocus();
    smtpServer->selectAll();
    return false;
  }
  const std::string passwordFile = smtpPasswordFile->text().trimmed().toStdString();
  const std::string passwordCommand = smtpPasswordCommand->text().trimmed().toStdString();
  if (!passwordFile.empty() && !passwordCommand.empty()) {
    message_("Give the mail password as a file or as a command, not both.", "Program Settings");
    smtpPasswordCommand->setFocus();
    return false;
  }
  return true;
}

bool COptionsDialog::Save(CSettings& settings, ExtensionSettings& extensions) {
  if (!CheckValues()) return false;
  const int value = limit->text().trimmed().toInt();
  const std::string database = geoipDatabase->text().trimmed().toStdString();
  const std::string smtp = smtpServer->text().toStdString();
  const std::string passwordFile = smtpPasswordFile->text().trimmed().toStdString();
  const std::string passwordCommand = smtpPasswordCommand->text().trimmed().toStdString();
  settings.SetAdvancedSettings(advanced->isChecked() ? 1 : 0);
  settings.SetOpenReportWhenDone(openReport->isChecked() ? 1 : 0);
  settings.SetPassiveFtp(passive->isChecked() ? 1 : 0);
  settings.SetDeleteOversizedLog(deleteLog->isChecked() ? 1 : 0);
  settings.SetOversizedLogLimitMb(value);
  settings.SetPriorityLevel(priority->currentText().toStdString());
  settings.SetResolveHostnames(resolve->isChecked() ? 1 : 0);
  settings.SetWhoisLookups(whois->isChecked() ? 1 : 0);
  settings.SetFetchPageTitles(titles->isChecked() ? 1 : 0);
  settings.SetSmtpServer(smtp);
  settings.SetSmtpFromAddress(smtpFrom->text().toStdString());
  extensions.geoipCountries = geoip->isChecked();
  extensions.geoipDatabase = database;
  extensions.modernView = modernView->isChecked();
  extensions.keepLogHistory = keepLogHistory->isChecked();
  extensions.smtpSecurity =
      SmtpSecurityName(static_cast<SmtpSecurity>(std::max(0, smtpSecurity->currentIndex())));
  extensions.smtpUser = smtpUser->text().trimmed().toStdString();
  extensions.smtpPasswordFile = passwordFile;
  extensions.smtpPasswordCommand = passwordCommand;
  extensions.sshKeyFile = sshKeyFile->text().trimmed().toStdString();
  const PriorityResult applied = ApplyProcessPriority(settings.GetPriorityLevel());
  if (applied.change == PriorityChange::Refused) {
    // The dialog shows the level in force next time; so does the setting.
    if (const std::string inForce = PriorityLevelInForce(); !inForce.empty()) {
      settings.SetPriorityLevel(inForce);
    }
    message_(applied.message, "Program Settings");
  }
  return true;
}

bool EditProgramOptions(CSettings& settings, ExtensionSettings& extensions,
                        const COptionsDialog::MessageHook& message, QWidget* parent) {
  COptionsDialog dialog(settings, extensions, message, parent);
  // "&Save" closes the dialog only once the values pass their check.
  if (dialog.exec() != QDialog::Accepted) return false;
  return dialog.Save(settings, extensions);
}

}  // namespace tlw::ui
