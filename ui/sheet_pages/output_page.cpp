#include "ui/sheet_pages/output_page.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/settings_file.h"
#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::AddFtpLogin;
using sheet_pages::FocusOutFilter;
using sheet_pages::FolderOf;
using sheet_pages::IsInvalidFilename;
using sheet_pages::Std;
using sheet_pages::Text;

CSitePropertyPage3::CSitePropertyPage3(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      remote(new QCheckBox("&Save to a remote server?", this)),
      path(new QLineEdit(this)),
      browse(new QPushButton("&Browse", this)),
      server(new QLineEdit(this)),
      user(new QLineEdit(this)),
      password(new QLineEdit(this)),
      email(new QCheckBox("Email Report", this)),
      address(new QLineEdit(this)),
      addressLabel_(new QLabel("Email Address:", this)) {
  password->setEchoMode(QLineEdit::Password);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(remote);
  layout->addWidget(new QLabel("Path & filename of HTML Report:", this));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path, 1);
  pathRow->addWidget(browse);
  layout->addLayout(pathRow);
  AddFtpLogin(this, *layout, {server, user, password}, ftpControls_);
  layout->addWidget(email);
  auto* mail = new QHBoxLayout;
  mail->addWidget(addressLabel_);
  mail->addWidget(address, 1);
  layout->addLayout(mail);
  layout->addStretch(1);
  connect(remote, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
  connect(email, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  new FocusOutFilter(path, [this] { CheckPath(); });
}

void CSitePropertyPage3::Load(const CSiteProfile& values) {
  remote->setChecked(values.GetUploadReport() != 0);
  path->setText(Text(values.GetReportPath()));
  server->setText(Text(values.GetUploadFtpServer()));
  user->setText(Text(values.GetUploadFtpUser()));
  password->setText(Text(values.GetUploadFtpPassword()));
  email->setChecked(values.GetEmailReport() != 0);
  address->setText(Text(values.GetEmailAddress()));
  ApplyVisibility();
}

void CSitePropertyPage3::Store(CSiteProfile& values) const {
  values.SetUploadReport(remote->isChecked() ? 1 : 0);
  values.SetReportPath(Std(path->text()));
  values.SetUploadFtpServer(Std(server->text()));
  values.SetUploadFtpUser(Std(user->text()));
  values.SetUploadFtpPassword(Std(password->text()));
  values.SetEmailReport(email->isChecked() ? 1 : 0);
  values.SetEmailAddress(Std(address->text()));
}

void CSitePropertyPage3::ApplyVisibility() {
  for (QWidget* widget : ftpControls_) widget->setVisible(remote->isChecked());
  browse->setVisible(!remote->isChecked());
  addressLabel_->setVisible(email->isChecked());
  address->setVisible(email->isChecked());
}

void CSitePropertyPage3::Browse() {
  const QString file = hooks_.saveFile(FolderOf(path->text()), "stats.html",
                                       "WWW HTML Document (*.html);;WWW HTM Document (*.htm)");
  if (!file.isEmpty()) path->setText(file);
}

void CSitePropertyPage3::CheckPath() {
  if (!IsInvalidFilename(path->text())) return;
  path->setText(Text(DefaultReportPath(Std(QDir::homePath()))));
  hooks_.message(
      "You have entered an invalid filename!\nPlease enter a complete path + filename.\n"
      "Example: " +
          QDir::homePath() + "/stats/today.html",
      QString());
}

// The examples name folders of the user's home, where a report can be
// written.
QString CSitePropertyPage3::HelpText() const {
  const QString home = QDir::homePath();
  return "Email Report\n"
         "----\n"
         "+ If you want your report emailed to someone,\n"
         "enter their emailaddress.\n"
         "+ Make sure you have a valid SMTP server and return\n"
         "address entered in the Options section.\n"
         "\n"
         "If you are saving to a local disk\n"
         "----\n"
         "+ Enter a complete path and filename of the report\n"
         "(ex: " +
         home +
         "/reports/stats.html)\n"
         "+ You can use a %d in the filename for a new report name daily.\n"
         "(ex: " +
         home +
         "/my docs/stats%d.html == stats10-05-99.html)\n"
         "\n"
         "If you are saving to a remote computer\n"
         "----\n"
         "+ Enter the FTP server to send the report to.\n"
         "+ Make sure you have the path correct and that it exists\n";
}

}  // namespace tlw::ui
