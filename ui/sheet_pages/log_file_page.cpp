#include "ui/sheet_pages/log_file_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/sheet_pages/page_controls.h"

namespace tlw::ui {

using sheet_pages::AddFtpLogin;
using sheet_pages::FocusOutFilter;
using sheet_pages::FolderOf;
using sheet_pages::IsInvalidFilename;
using sheet_pages::Std;
using sheet_pages::Text;

QString LogPathOfSelection(const QStringList& files) {
  QString path;
  for (const QString& file : files) path += file + "|";
  return path;
}

CSitePropertyPage2::CSitePropertyPage2(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      remote(new QCheckBox("Remote Logfile (webserver located on another computer)", this)),
      path(new QLineEdit(this)),
      browse(new QPushButton("&Browse", this)),
      server(new QLineEdit(this)),
      user(new QLineEdit(this)),
      password(new QLineEdit(this)) {
  password->setEchoMode(QLineEdit::Password);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(remote);
  layout->addWidget(new QLabel("Path & filename of logfile(s):", this));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path, 1);
  pathRow->addWidget(browse);
  layout->addLayout(pathRow);
  layout->addWidget(new QLabel("(Click F1 for more options)", this));
  AddFtpLogin(this, *layout, {server, user, password}, ftpControls_);
  layout->addStretch(1);
  connect(remote, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  new FocusOutFilter(path, [this] { CheckPath(); });
}

void CSitePropertyPage2::Load(const CSiteProfile& values) {
  remote->setChecked(values.GetRemoteLogfile() != 0);
  path->setText(Text(values.GetLogfilePath()));
  server->setText(Text(values.GetLogFtpServer()));
  user->setText(Text(values.GetLogFtpUser()));
  password->setText(Text(values.GetLogFtpPassword()));
  ApplyVisibility();
}

void CSitePropertyPage2::Store(CSiteProfile& values) const {
  values.SetRemoteLogfile(remote->isChecked() ? 1 : 0);
  values.SetLogfilePath(Std(path->text()));
  values.SetLogFtpServer(Std(server->text()));
  values.SetLogFtpUser(Std(user->text()));
  values.SetLogFtpPassword(Std(password->text()));
}

void CSitePropertyPage2::ApplyVisibility() {
  for (QWidget* widget : ftpControls_) widget->setVisible(remote->isChecked());
  browse->setVisible(!remote->isChecked());
}

void CSitePropertyPage2::Browse() {
  const QStringList files = hooks_.openFiles(FolderOf(path->text()),
                                             "Webserver Logfile (*.*);;Webserver Logfile (*.log);;"
                                             "Webserver Logfile (*.txt)");
  if (!files.isEmpty()) path->setText(LogPathOfSelection(files));
}

void CSitePropertyPage2::CheckPath() {
  if (!IsInvalidFilename(path->text())) return;
  // Replaced before the message box takes the focus, which would check the
  // edit again.
  path->setText("/pub/access_log");
  hooks_.message(
      "You have entered an invalid filename!\n\nExample:\n\t- /var/www/myweb/logs/acc.log\n"
      "\t/pub/etc/web/myweb/httpd/logs/access.log\n",
      QString());
}

QString CSitePropertyPage2::HelpText() const {
  return "If you are reading logfiles from a local disk\n"
         "or a mounted network share:\n"
         "---\n"
         "+ You can select multiple files with the Browse button\n"
         "+ You can use wildcards to read a range of logfiles\n"
         "(ex: /var/log/nginx/*.*)\n"
         "+ You can use variables to read a different file each day.\n"
         "[ %a=Mon, %A=Monday, %b=Nov, %B=November\n"
         "%d=22 (day), %m=01 (month), %U=10 (week), %y=99 (year), %Y=1999 ]\n"
         "\n"
         "(ex: /var/log/nginx/acc%m%d%y_log)\n"
         "\n"
         "For remote files read via FTP\n"
         "---\n"
         "+ Enter the server name of your FTP server\n"
         "+ make sure you enter the correct pathname\n";
}

}  // namespace tlw::ui
