#include "ui/site_property_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cstdlib>

#include "report/section_catalog.h"
#include "report/theme.h"
#include "settings/schedule_choices.h"

namespace tlw::ui {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }
std::string Std(const QString& text) { return text.toStdString(); }
QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Calls `action` whenever `widget` loses the keyboard focus.
class FocusOutFilter final : public QObject {
 public:
  FocusOutFilter(QWidget* widget, std::function<void()> action)
      : QObject(widget), action_(std::move(action)) {
    widget->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) action_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

// The folder a Browse dialog starts in: that of the path typed so far.
QString FolderOf(const QString& path) {
  QString slashed = path;
  slashed.replace('\\', '/');
  if (slashed.endsWith('/')) return slashed;
  return QFileInfo(slashed).path();
}

bool IsInvalidFilename(const QString& path) {
  return path.isEmpty() || path.endsWith('/') || path.endsWith('\\');
}

// A date or time picker over a stored time: the picker shows local time.
QDateTimeEdit* MakePicker(QWidget* parent, const QString& format) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setDisplayFormat(format);
  picker->setMinimumDateTime(QDateTime::fromSecsSinceEpoch(0));
  return picker;
}

QDateTime ShowTime(QDateTimeEdit* picker, std::int64_t value) {
  picker->setDateTime(QDateTime::fromSecsSinceEpoch(value));
  return picker->dateTime();
}

// The picker's time, or the stored one to the second while it shows that.
std::int64_t PickedTime(const QDateTimeEdit* picker, const QDateTime& shown, std::int64_t stored) {
  return picker->dateTime() == shown ? stored : picker->dateTime().toSecsSinceEpoch();
}

// A changeable profile number of the section catalog: its getters return
// the profile's own members.
FieldInt& NumberOf(CSiteProfile& values, ReportSection::ProfileNumber number) {
  return const_cast<FieldInt&>((values.*number)());
}

// The row of the catalog that gives identifier `id` its label, flag and top
// count: the first one of the identifier.
const ReportSection* SectionOf(std::int64_t id) {
  const std::span<const ReportSection> sections = ListedSections(id);
  return sections.empty() ? nullptr : &sections.front();
}

// Inserts `text` into a sorted list at its place (ignoring case).
int InsertSorted(QComboBox* combo, const QString& text) {
  int index = 0;
  while (index < combo->count() &&
         QString::compare(combo->itemText(index), text, Qt::CaseInsensitive) <= 0) {
    ++index;
  }
  combo->insertItem(index, text);
  return index;
}

constexpr int kFilterReadLimit = 299;
constexpr int kIdColumn = 0;
constexpr int kIdRole = Qt::UserRole;

}  // namespace

void ShowComboText(QComboBox* combo, const QString& text) {
  for (int index = 0; index < combo->count(); ++index) {
    if (combo->itemText(index).startsWith(text, Qt::CaseInsensitive)) {
      combo->setCurrentIndex(index);
      return;
    }
  }
  combo->setCurrentIndex(-1);
  combo->setEditText(text);
}

SheetHooks ModalSheetHooks(QWidget* parent) {
  SheetHooks hooks;
  hooks.message = [parent](const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
  };
  hooks.openFiles = [parent](const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
  };
  hooks.saveFile = [parent](const QString& folder, const QString& name, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QDir(folder).filePath(name), filter);
  };
  return hooks;
}

void ApplyPageDefaults(CSiteProfile& values, const QString& homeFolder) {
  values.SetHomepageUrl("http://www.example.com");
  values.SetLastGenerated("never");
  values.SetLastLogfileSize(0);
  values.SetProcessEntireLog(1);
  values.SetReportFrom(0);
  values.SetReportTo(0);
  values.SetRemoteLogfile(0);
  values.SetLogfilePath(Std(homeFolder + "/website/logs/access.log"));
  values.SetLogFtpServer("ftp.example.com");
  values.SetLogFtpUser("");
  values.SetLogFtpPassword("");
  values.SetUploadReport(0);
  values.SetReportPath(Std(homeFolder + "/WebStats/stats.html"));
  values.SetUploadFtpServer("ftp.example.com");
  values.SetUploadFtpUser("");
  values.SetUploadFtpPassword("");
  values.SetEmailReport(0);
  values.SetEmailAddress("");
  values.SetScheduled(0);
  values.SetScheduleInterval("");
  values.SetScheduleStartTime(0);
  values.SetHostFilter("");
  values.SetExtensionFilter("");
  values.SetDirectoryFilter("");
}

QString LogPathOfSelection(const QStringList& files) {
  QString path;
  for (const QString& file : files) path += file + "|";
  return path;
}

// ---- Site ----------------------------------------------------------------

CSitePropertyPage1::CSitePropertyPage1(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      homepage(new QLineEdit(this)),
      entireLog(new QCheckBox("Process entire log file", this)),
      from(MakePicker(this, QLocale().dateFormat(QLocale::ShortFormat))),
      to(MakePicker(this, QLocale().dateFormat(QLocale::ShortFormat))),
      fromLabel_(new QLabel("Only report from", this)),
      toLabel_(new QLabel("to", this)),
      lastGenerated_(new QLabel(this)),
      logSize_(new QLabel(this)) {
  from->setCalendarPopup(true);
  to->setCalendarPopup(true);
  auto* layout = new QVBoxLayout(this);
  auto* url = new QHBoxLayout;
  url->addWidget(new QLabel("Homepage URL:", this));
  url->addWidget(homepage, 1);
  layout->addLayout(url);
  layout->addWidget(entireLog);
  auto* range = new QHBoxLayout;
  range->addWidget(fromLabel_);
  range->addWidget(from);
  range->addWidget(toLabel_);
  range->addWidget(to);
  range->addStretch(1);
  layout->addLayout(range);
  auto* properties = new QGroupBox("Properties", this);
  auto* grid = new QGridLayout(properties);
  grid->addWidget(new QLabel("Last Generated:", properties), 0, 0);
  grid->addWidget(lastGenerated_, 0, 1);
  grid->addWidget(new QLabel("Last Logfile size:", properties), 1, 0);
  grid->addWidget(logSize_, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addWidget(properties);
  layout->addStretch(1);
  connect(entireLog, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
}

void CSitePropertyPage1::SetPropertyTexts(const QString& lastGenerated, const QString& logSize) {
  lastGenerated_->setText(lastGenerated);
  logSize_->setText(logSize);
}

void CSitePropertyPage1::Load(const CSiteProfile& values) {
  homepage->setText(Text(values.GetHomepageUrl()));
  entireLog->setChecked(values.GetProcessEntireLog() != 0);
  fromValue_ = values.GetReportFrom();
  toValue_ = values.GetReportTo();
  // A range never set (1970) starts from today.
  if (QDateTime::fromSecsSinceEpoch(fromValue_).date().year() == 1970) {
    fromValue_ = toValue_ = QDateTime::currentSecsSinceEpoch();
  }
  fromShown_ = ShowTime(from, fromValue_);
  toShown_ = ShowTime(to, toValue_);
  ApplyVisibility();
}

void CSitePropertyPage1::Store(CSiteProfile& values) const {
  values.SetHomepageUrl(Std(homepage->text()));
  values.SetProcessEntireLog(entireLog->isChecked() ? 1 : 0);
  values.SetReportFrom(PickedTime(from, fromShown_, fromValue_));
  values.SetReportTo(PickedTime(to, toShown_, toValue_));
}

void CSitePropertyPage1::ApplyVisibility() {
  const bool range = !entireLog->isChecked();
  for (QWidget* widget : {static_cast<QWidget*>(fromLabel_), static_cast<QWidget*>(from),
                          static_cast<QWidget*>(toLabel_), static_cast<QWidget*>(to)}) {
    widget->setVisible(range);
  }
}

QString CSitePropertyPage1::HelpText() const {
  return "Enter the URL people use to access your site.\n\nFor example: "
         "http://www.example.com\n";
}

namespace {

// The server, user and password rows that the Log File and Output pages
// show for a remote location; their labels and edits join `controls`, which
// the page shows only while the location is remote.
void AddFtpLogin(QWidget* page, QVBoxLayout& layout, std::array<QLineEdit*, 3> edits,
                 std::vector<QWidget*>& controls) {
  constexpr std::array<const char*, 3> kLabels{"FTP Server:", "Username:", "Password:"};
  auto* grid = new QGridLayout;
  for (int row = 0; row < 3; ++row) {
    auto* label = new QLabel(kLabels[static_cast<std::size_t>(row)], page);
    QLineEdit* edit = edits[static_cast<std::size_t>(row)];
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    controls.push_back(label);
    controls.push_back(edit);
  }
  layout.addLayout(grid);
}

}  // namespace

// ---- Log File ------------------------------------------------------------

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
      "You have entered an invalid filename!\n\nExample:\n\t- c:\\websites\\myweb\\acc.log\n"
      "\t/pub/etc/web/myweb/httpd/logs/access.log\n",
      QString());
}

QString CSitePropertyPage2::HelpText() const {
  return "If you are reading logfiles from a local disk\n"
         "or a network drive:\n"
         "---\n"
         "+ You can select multiple files with the Browse button\n"
         "+ You can use wildcards to read a range of logfiles\n"
         "(ex: c:\\logs\\*.*)\n"
         "+ You can use variables to read a different file each day.\n"
         "[ %a=Mon, %A=Monday, %b=Nov, %B=November\n"
         "%d=22 (day), %m=01 (month), %U=10 (week), %y=99 (year), %Y=1999 ]\n"
         "\n"
         "(ex: c:\\logs\\acc%m%d%y_log)\n"
         "\n"
         "For remote files read via FTP\n"
         "---\n"
         "+ Enter the server name of your FTP server\n"
         "+ make sure you enter the correct pathname\n";
}

// ---- Output --------------------------------------------------------------

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
  path->setText(QDir::homePath() + "/webstats/stats.html");
  hooks_.message(
      "You have entered an invalid filename!\nPlease enter a complete path + filename.\n"
      "Example: c:\\stats\\today.html",
      QString());
}

QString CSitePropertyPage3::HelpText() const {
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
         "(ex: c:\\reports\\stats.html)\n"
         "+ You can use a %d in the filename for a new report name daily.\n"
         "(ex: c:\\my docs\\stats%d.html == stats10-05-99.html)\n"
         "\n"
         "If you are saving to a remote computer\n"
         "----\n"
         "+ Enter the FTP server to send the report to.\n"
         "+ Make sure you have the path correct and that it exists\n";
}

// ---- Schedule ------------------------------------------------------------

CSitePropertyPage4::CSitePropertyPage4(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      scheduled(new QCheckBox("Schedule this site to run automatically", this)),
      interval(new QComboBox(this)),
      start(MakePicker(this, QLocale().timeFormat(QLocale::ShortFormat))) {
  interval->setEditable(true);
  interval->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view choice : kScheduleIntervals) interval->addItem(Text(choice));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scheduled);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel("Generate new statistics ", this);
  row->addWidget(label);
  row->addWidget(interval, 1);
  layout->addLayout(row);
  auto* group = new QGroupBox("Start Time", this);
  auto* groupLayout = new QHBoxLayout(group);
  groupLayout->addWidget(start);
  groupLayout->addStretch(1);
  layout->addWidget(group);
  layout->addStretch(1);
  scheduleControls_ = {label, interval, group, start};
  connect(scheduled, &QCheckBox::clicked, this, [this] { ApplyVisibility(); });
}

void CSitePropertyPage4::Load(const CSiteProfile& values) {
  scheduled->setChecked(values.GetScheduled() != 0);
  intervalText_ = Text(values.GetScheduleInterval());
  interval->setCurrentIndex(-1);
  interval->setEditText(intervalText_);
  startValue_ = values.GetScheduleStartTime();
  startShown_ = ShowTime(start, startValue_);
  ApplyVisibility();
}

void CSitePropertyPage4::Activated() { ShowComboText(interval, intervalText_); }

void CSitePropertyPage4::Store(CSiteProfile& values) const {
  values.SetScheduled(scheduled->isChecked() ? 1 : 0);
  values.SetScheduleInterval(Std(interval->currentText()));
  values.SetScheduleStartTime(PickedTime(start, startShown_, startValue_));
}

void CSitePropertyPage4::ApplyVisibility() {
  for (QWidget* widget : scheduleControls_) widget->setVisible(scheduled->isChecked());
}

// ---- Report --------------------------------------------------------------

CSitePropertyPage5::CSitePropertyPage5(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent), list(new QTreeWidget(this)), top(new QLineEdit(this)) {
  list->setColumnCount(2);
  list->setHeaderLabels({"Item", "Top"});
  list->setColumnWidth(0, 160);
  list->setColumnWidth(1, 40);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setAllColumnsShowFocus(true);
  QPalette palette = list->palette();
  palette.setColor(QPalette::Text, QColor(0, 0, 190));
  list->setPalette(palette);
  auto* up = new QPushButton("Move Up", this);
  auto* down = new QPushButton("Move Down", this);
  auto* stepUp = new QToolButton(this);
  auto* stepDown = new QToolButton(this);
  stepUp->setArrowType(Qt::UpArrow);
  stepDown->setArrowType(Qt::DownArrow);
  top->setMaximumWidth(50);

  auto* layout = new QVBoxLayout(this);
  auto* intro =
      new QLabel("Select the types of statistical tables & data you would like to appear", this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* body = new QHBoxLayout;
  body->addWidget(list, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(up);
  side->addWidget(down);
  side->addSpacing(12);
  side->addWidget(new QLabel("Top number table items:", this));
  auto* topRow = new QHBoxLayout;
  topRow->addWidget(top);
  auto* spin = new QVBoxLayout;
  spin->setSpacing(0);
  spin->addWidget(stepUp);
  spin->addWidget(stepDown);
  topRow->addLayout(spin);
  topRow->addStretch(1);
  side->addLayout(topRow);
  side->addStretch(1);
  body->addLayout(side);
  layout->addLayout(body, 1);

  connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    remembered_ = item;
    top->setText(item->text(1));
  });
  connect(up, &QPushButton::clicked, this, [this] { MoveUp(); });
  connect(down, &QPushButton::clicked, this, [this] { MoveDown(); });
  connect(stepUp, &QToolButton::clicked, this, [this] { Step(1); });
  connect(stepDown, &QToolButton::clicked, this, [this] { Step(-1); });
  new FocusOutFilter(top, [this] { ApplyTopText(); });
}

void CSitePropertyPage5::Load(const CSiteProfile& values) {
  list->clear();
  remembered_ = nullptr;
  const QStringList ids = Text(values.GetSectionOrder()).split('|');
  for (const QString& piece : ids) {
    const std::int64_t id = std::atoll(piece.toLatin1().constData());
    if (id < 1 || id > HighestSectionId()) continue;
    const ReportSection* section = SectionOf(id);
    if (section == nullptr) continue;
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, Text(section->title));
    item->setData(kIdColumn, kIdRole, static_cast<qlonglong>(id));
    if (section->topCount != nullptr)
      item->setText(1, QString::number((values.*section->topCount)()));
    const bool enabled = section->enabled == nullptr || (values.*section->enabled)() != 0;
    item->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
  }
  if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
  // The labels are wider than the column in most fonts.
  list->resizeColumnToContents(0);
  list->setColumnWidth(0, std::max(160, list->columnWidth(0)));
}

void CSitePropertyPage5::Store(CSiteProfile& values) const {
  std::string order;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    const std::int64_t id = item->data(kIdColumn, kIdRole).toLongLong();
    order += std::to_string(id) + "|";
    const ReportSection* section = SectionOf(id);
    if (section->enabled != nullptr) {
      NumberOf(values, section->enabled) = item->checkState(0) == Qt::Checked ? 1 : 0;
    }
    if (section->topCount != nullptr) {
      NumberOf(values, section->topCount) =
          static_cast<FieldInt>(std::atol(item->text(1).toLatin1().constData()));
    }
  }
  values.SetSectionOrder(order);
}

void CSitePropertyPage5::ApplyTopText() {
  const QString text = top->text();
  if (text.isEmpty() || remembered_ == nullptr) return;
  const bool digit = text.front() >= '1' && text.front() <= '9';
  remembered_->setText(1, digit ? text : QString("1"));
}

// The spin control: the edit's number one step on, within 1 to 250.
void CSitePropertyPage5::Step(int by) {
  const int value = std::atoi(top->text().toLatin1().constData());
  top->setText(QString::number(std::clamp(value + by, 1, 250)));
  ApplyTopText();
}

void CSitePropertyPage5::MoveUp() { Move(-1); }
void CSitePropertyPage5::MoveDown() { Move(1); }

void CSitePropertyPage5::Move(int by) {
  QTreeWidgetItem* item = list->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const int row = list->indexOfTopLevelItem(item);
  const int target = row + by;
  if (target < 0 || target >= list->topLevelItemCount()) return;
  list->takeTopLevelItem(row);
  list->insertTopLevelItem(target, item);
  list->setCurrentItem(item);
  item->setSelected(true);
  list->scrollToItem(item);
}

// ---- Theme ---------------------------------------------------------------

CSitePropertyPage6::CSitePropertyPage6(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent),
      theme(new QComboBox(this)),
      graphs(new QCheckBox("Include GRAPHS for data visualization (GIF format)", this)) {
  theme->setEditable(true);
  theme->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view name : kThemeNames) InsertSorted(theme, Text(name));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      "Theme defines the color and style of the report, choose colors that best match your "
      "website.",
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  layout->addWidget(theme);
  layout->addWidget(graphs);
  layout->addStretch(1);
}

void CSitePropertyPage6::Load(const CSiteProfile& values) {
  ShowComboText(theme, Text(values.GetThemeName()));
  graphs->setChecked(values.GetIncludeGraphs() != 0);
}

void CSitePropertyPage6::Store(CSiteProfile& values) const {
  values.SetThemeName(Std(theme->currentText()));
  values.SetIncludeGraphs(graphs->isChecked() ? 1 : 0);
}

// ---- Filter --------------------------------------------------------------

CSitePropertyPage7::CSitePropertyPage7(const SheetHooks& hooks, QWidget* parent)
    : SheetPage(hooks, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      "If you would like to block-out certain types of information from appearing in the "
      "reports use the corresponding filters.",
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  const char* titles[] = {"Hostname && IP", "File Extensions", "Directories"};
  for (int index = 0; index < 3; ++index) {
    Group& group = groups[index];
    auto* box = new QGroupBox(titles[index], this);
    auto* row = new QHBoxLayout(box);
    group.list = new QComboBox(box);
    group.list->setEditable(true);
    group.list->setInsertPolicy(QComboBox::NoInsert);
    group.add = new QPushButton("< Add", box);
    group.del = new QPushButton("Del >", box);
    group.edit = new QLineEdit(box);
    row->addWidget(group.list, 2);
    row->addWidget(group.add);
    row->addWidget(group.del);
    row->addWidget(group.edit, 1);
    layout->addWidget(box);
    connect(group.add, &QPushButton::clicked, this, [this, index] { Add(groups[index]); });
    connect(group.del, &QPushButton::clicked, this, [this, index] { Delete(groups[index]); });
  }
  layout->addWidget(new QLabel("(Click F1 for help)", this));
  layout->addStretch(1);
}

void CSitePropertyPage7::Load(const CSiteProfile& values) {
  const std::string* texts[] = {&values.GetHostFilter(), &values.GetExtensionFilter(),
                                &values.GetDirectoryFilter()};
  for (int index = 0; index < 3; ++index) {
    QComboBox* list = groups[index].list;
    list->clear();
    const QString text = Text(texts[index]->substr(0, kFilterReadLimit));
    for (const QString& entry : text.split('|', Qt::SkipEmptyParts)) InsertSorted(list, entry);
    list->setCurrentIndex(-1);
    list->clearEditText();
  }
}

void CSitePropertyPage7::Store(CSiteProfile& values) const {
  std::string texts[3];
  for (int index = 0; index < 3; ++index) {
    const QComboBox* list = groups[index].list;
    for (int entry = 0; entry < list->count(); ++entry) {
      if (list->itemText(entry).size() >= 2) texts[index] += Std(list->itemText(entry)) + "|";
    }
  }
  values.SetHostFilter(texts[0]);
  values.SetExtensionFilter(texts[1]);
  values.SetDirectoryFilter(texts[2]);
}

void CSitePropertyPage7::Add(Group& group) {
  const QString text = group.edit->text();
  if (text.size() < 2) return;
  group.list->setCurrentIndex(InsertSorted(group.list, text));
  group.edit->clear();
}

// The selected entry goes; without a selection nothing does.
void CSitePropertyPage7::Delete(Group& group) {
  const int index = group.list->currentIndex();
  if (index < 0 || group.list->currentText() != group.list->itemText(index)) return;
  group.list->removeItem(index);
  group.list->setCurrentIndex(-1);
  group.list->clearEditText();
}

QString CSitePropertyPage7::HelpText() const {
  return "FILTERS\n"
         "\n"
         "Hostname:\n"
         "---\n"
         "+ Enter a hostname or ip address\n"
         "  (ex: www.example.com, 200.200.200.12)\n"
         "\n"
         "File Extension:\n"
         "---\n"
         "+ Enter file extensions\n"
         "  (ex: GIF, XBM, JPG, TXT)\n"
         "\n"
         "Directories:\n"
         "---\n"
         "+ Enter web directories\n"
         "  (ex: /images, /docs, /admin)\n";
}

// ---- Sheet ---------------------------------------------------------------

CSitePropertySheet::CSitePropertySheet(const CSiteProfile* profile, bool advancedSettings,
                                       SheetHooks hooks, QWidget* parent)
    : QDialog(parent), hooks_(std::move(hooks)), tabs_(new QTabWidget(this)) {
  setWindowTitle("Website Profile");
  if (profile != nullptr) {
    values_.CopyConfigurationFrom(*profile);
    values_.SetLastGenerated(profile->GetLastGenerated());
    values_.SetLastLogfileSize(profile->GetLastLogfileSize());
  } else {
    ApplyPageDefaults(values_, QDir::homePath());
  }
  site = new CSitePropertyPage1(hooks_, this);
  logFile = new CSitePropertyPage2(hooks_, this);
  output = new CSitePropertyPage3(hooks_, this);
  report = new CSitePropertyPage5(hooks_, this);
  theme = new CSitePropertyPage6(hooks_, this);
  schedule = new CSitePropertyPage4(hooks_, this);
  filter = new CSitePropertyPage7(hooks_, this);
  // A new site's log size reads "0", an edited one's as the list shows it.
  site->SetPropertyTexts(Text(values_.GetLastGenerated()),
                         profile != nullptr ? Text(values_.LogSizeText()) : QString("0"));
  const std::pair<SheetPage*, const char*> pages[] = {
      {site, "Site"},   {logFile, "Log File"},  {output, "Output"}, {report, "Report"},
      {theme, "Theme"}, {schedule, "Schedule"}, {filter, "Filter"}};
  const int shownPages = advancedSettings ? 7 : 3;
  for (int index = 0; index < 7; ++index) {
    SheetPage* page = pages[index].first;
    page->Load(values_);
    if (index < shownPages) {
      tabs_->addTab(page, pages[index].second);
      pages_.push_back(page);
    } else {
      page->hide();
    }
  }
  shown_.assign(pages_.size(), false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { PageShown(index); });
  auto* help = new QShortcut(QKeySequence::HelpContents, this);
  connect(help, &QShortcut::activated, this, [this] { ShowHelp(); });
  PageShown(0);
  resize(470, 400);
}

void CSitePropertySheet::PageShown(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  if (shown_[static_cast<std::size_t>(index)]) return;
  shown_[static_cast<std::size_t>(index)] = true;
  pages_[static_cast<std::size_t>(index)]->Activated();
}

void CSitePropertySheet::ShowHelp() {
  const int index = tabs_->currentIndex();
  if (index < 0) return;
  const QString text = pages_[static_cast<std::size_t>(index)]->HelpText();
  if (!text.isEmpty()) hooks_.message(text, "Help");
}

void CSitePropertySheet::StoreInto(CSiteProfile& profile) {
  for (std::size_t index = 0; index < pages_.size(); ++index) {
    if (shown_[index]) pages_[index]->Store(values_);
  }
  profile.CopyConfigurationFrom(values_);
}

}  // namespace tlw::ui
