#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "settings/extension_settings.h"
#include "settings/field_access.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"
#include "support/tiny_mmdb.h"
#include "ui/options_dialog.h"
#include "ui/site_dialogs.h"
#include "ui/site_property_sheet.h"

using tlw::CSettings;
using tlw::CSiteProfile;
using tlw::ExtensionSettings;
using namespace tlw::ui;

namespace {

// Hooks that record messages and answer file dialogs with set files.
struct Recorder {
  QStringList messages;
  QStringList openAnswer;
  std::function<void()> whileShown;  // what happens while a message is up
  SheetHooks Hooks() {
    SheetHooks hooks;
    hooks.message = [this](const QString& text, const QString& caption) {
      messages << caption + ":" + text;
      if (whileShown) whileShown();
    };
    hooks.openFiles = [this](const QString&, const QString&) { return openAnswer; };
    hooks.saveFile = [](const QString&, const QString&, const QString&) { return QString(); };
    return hooks;
  }
};

void ShowEveryPage(CSitePropertySheet& sheet) {
  for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) sheet.Tabs()->setCurrentIndex(tab);
}

void LoseFocus(QWidget* widget) {
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(widget, &out);
}

// Every configuration field of `profile` as name=value lines.
QStringList Fields(const CSiteProfile& profile) {
  QStringList lines;
  for (const tlw::FieldInfo& field : CSiteProfile::Fields()) {
    auto value = tlw::GetProfileField(profile, field.name);
    lines << QString(field.name) + "=" + QString::fromStdString(tlw::FieldValueText(*value));
  }
  return lines;
}

// A profile whose every field differs from the page defaults.
void FillProfile(CSiteProfile& profile) {
  profile.SetHomepageUrl("http://shop.example.org");
  profile.SetProcessEntireLog(0);
  profile.SetReportFrom(1'262'304'000 + 17);
  profile.SetReportTo(1'264'982'400 + 3);
  profile.SetRemoteLogfile(1);
  profile.SetLogfilePath("/var/log/a.log|/var/log/b.log|");
  profile.SetLogFtpServer("ftp.example.org");
  profile.SetLogFtpUser("reader");
  profile.SetLogFtpPassword("secret");
  profile.SetUploadReport(1);
  profile.SetReportPath("/srv/www/stats.html");
  profile.SetUploadFtpServer("up.example.org");
  profile.SetUploadFtpUser("writer");
  profile.SetUploadFtpPassword("hidden");
  profile.SetEmailReport(1);
  profile.SetEmailAddress("boss@example.org");
  profile.SetShowCountries(0);
  profile.SetShowBrokenLinks(0);
  profile.SetTopHostnames(42);
  profile.SetTopBrokenLinks(7);
  profile.SetSectionOrder("3|1|2|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|");
  profile.SetThemeName("Green on Black");
  profile.SetIncludeGraphs(0);
  profile.SetScheduled(1);
  profile.SetScheduleInterval("every 15 mins");
  profile.SetScheduleStartTime(1'262'350'800 + 9);
  profile.SetHostFilter("10.0.0.1|bot.example.net|");
  profile.SetExtensionFilter("gif|jpg|");
  profile.SetDirectoryFilter("/admin|");
}

// The Alt keys that two buttons or group boxes of `roots` share, as
// "KEY text / text"; the controls inside `skip` count only from a root
// inside it. Hidden ones count: a check box may show them.
QStringList Clashes(const QList<QWidget*>& roots, const QWidget* skip) {
  QMap<QChar, QStringList> owners;
  for (const QWidget* root : roots) {
    for (QWidget* widget : root->findChildren<QWidget*>()) {
      if (skip != nullptr && !skip->isAncestorOf(root) && skip->isAncestorOf(widget)) continue;
      const auto* button = qobject_cast<QAbstractButton*>(widget);
      const auto* group = qobject_cast<QGroupBox*>(widget);
      QString text = button ? button->text() : group ? group->title() : QString();
      text.replace("&&", "");
      const qsizetype amp = text.indexOf('&');
      if (amp >= 0 && amp + 1 < text.size()) owners[text[amp + 1].toUpper()] << text;
    }
  }
  QStringList clashes;
  for (auto owner = owners.cbegin(); owner != owners.cend(); ++owner) {
    if (owner->size() > 1) clashes << QString(owner.key()) + " " + owner->join(" / ");
  }
  return clashes;
}

int RowOf(const QTreeWidget* list, const QString& label) {
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    if (list->topLevelItem(row)->text(0) == label) return row;
  }
  return -1;
}

}  // namespace

class PropertySheetTest : public QObject {
  Q_OBJECT

 private slots:
  void everyPageReadsBackWhatItWasGiven() {
    CSiteProfile profile;
    FillProfile(profile);
    Recorder recorder;
    CSitePropertySheet sheet(&profile, true, recorder.Hooks());
    QCOMPARE(sheet.windowTitle(), QString("Website Profile"));
    QStringList captions;
    for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) captions << sheet.Tabs()->tabText(tab);
    QCOMPARE(captions.join(","), QString("Site,Log File,Output,Report,Theme,Schedule,Filter"));
    ShowEveryPage(sheet);
    QCOMPARE(sheet.theme->theme->currentText(), QString("Green on Black"));
    QCOMPARE(sheet.filter->groups[0].list->count(), 2);
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(Fields(back), Fields(profile));
    QVERIFY(recorder.messages.isEmpty());
  }

  void newSiteShowsThePageDefaults() {
    Recorder recorder;
    CSitePropertySheet sheet(nullptr, true, recorder.Hooks());
    ShowEveryPage(sheet);
    QVERIFY(sheet.site->entireLog->isChecked());
    QVERIFY(sheet.site->from->isHidden());
    QCOMPARE(sheet.logFile->path->text(), QDir::homePath() + "/website/logs/access.log");
    CSiteProfile added;
    sheet.StoreInto(added);
    // Showing the Schedule page selects the first choice.
    QCOMPARE(QString::fromStdString(added.GetScheduleInterval()), QString("(only once)"));
    QCOMPARE(QString::fromStdString(added.GetReportPath()),
             QDir::homePath() + "/WebStats/stats.html");
    QCOMPARE(QString::fromStdString(added.GetSectionOrder()),
             QString::fromStdString(CSiteProfile().GetSectionOrder()));
  }

  void withoutAdvancedSettingsThreePagesAndHiddenValuesTravel() {
    CSiteProfile profile;
    FillProfile(profile);
    profile.SetSectionOrder("19|0|2|");  // a page never shown never rebuilds it
    Recorder recorder;
    CSitePropertySheet sheet(&profile, false, recorder.Hooks());
    QCOMPARE(sheet.Tabs()->count(), 3);
    ShowEveryPage(sheet);
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(Fields(back), Fields(profile));

    // A site added then keeps the hidden pages' defaults: no schedule choice.
    CSitePropertySheet added(nullptr, false, recorder.Hooks());
    CSiteProfile site;
    added.StoreInto(site);
    QCOMPARE(QString::fromStdString(site.GetScheduleInterval()), QString());
    QCOMPARE(site.GetScheduled(), 0);
  }

  void topDigitRule_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("stored");
    QTest::newRow("zero") << "0"
                          << "1" << 1;
    QTest::newRow("leading zero") << "05"
                                  << "1" << 1;
    QTest::newRow("letter") << "x"
                            << "1" << 1;
    QTest::newRow("nine") << "9"
                          << "9" << 9;
    QTest::newRow("ninety-five") << "95"
                                 << "95" << 95;
  }
  void topDigitRule() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    CSiteProfile profile;
    Recorder recorder;
    CSitePropertySheet sheet(&profile, true, recorder.Hooks());
    sheet.Tabs()->setCurrentWidget(sheet.report);
    QTreeWidget* list = sheet.report->list;
    QTreeWidgetItem* hostnames = list->topLevelItem(RowOf(list, "Hostnames"));
    emit list->itemClicked(hostnames, 0);
    QCOMPARE(sheet.report->top->text(), QString("10"));
    sheet.report->top->setText(typed);
    LoseFocus(sheet.report->top);
    QCOMPARE(hostnames->text(1), shown);
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(back.GetTopHostnames(), stored);
  }

  void movingBrokenLinksToTheTopLeadsTheOrder() {
    CSiteProfile profile;
    profile.SetShowBrokenLinks(0);
    Recorder recorder;
    CSitePropertySheet sheet(&profile, true, recorder.Hooks());
    sheet.Tabs()->setCurrentWidget(sheet.report);
    QTreeWidget* list = sheet.report->list;
    sheet.report->MoveUp();  // the first item stays where it is
    QCOMPARE(list->topLevelItem(0)->text(0), QString("Daily Activity"));
    list->setCurrentItem(list->topLevelItem(RowOf(list, "Broken Links")));
    sheet.report->MoveDown();  // the last item stays where it is
    for (int step = 0; step < 25; ++step) sheet.report->MoveUp();
    QCOMPARE(list->topLevelItem(0)->text(0), QString("Broken Links"));
    QCOMPARE(list->topLevelItem(0)->text(1), QString("5"));
    QCOMPARE(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    sheet.report->MoveDown();
    QCOMPARE(list->currentItem()->text(0), QString("Broken Links"));
    sheet.report->MoveUp();
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(QString::fromStdString(back.GetSectionOrder()),
             QString("19|1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|"));
    QCOMPARE(back.GetShowBrokenLinks(), 0);
  }

  void filterListsAddAndDeleteTheSelectedEntry() {
    CSiteProfile profile;
    profile.SetHostFilter("b.example.net||a.example.net|c.example.net|");
    Recorder recorder;
    CSitePropertySheet sheet(&profile, true, recorder.Hooks());
    sheet.Tabs()->setCurrentWidget(sheet.filter);
    CSitePropertyPage7::Group& hosts = sheet.filter->groups[0];
    QCOMPARE(hosts.list->count(), 3);
    hosts.edit->setText("x");  // one character: ignored
    hosts.add->click();
    QCOMPARE(hosts.list->count(), 3);
    QCOMPARE(hosts.edit->text(), QString("x"));
    hosts.edit->setText("0.example.net");
    hosts.add->click();
    QCOMPARE(hosts.list->currentText(), QString("0.example.net"));
    QVERIFY(hosts.edit->text().isEmpty());
    // Nothing selected: nothing goes.
    hosts.list->setCurrentIndex(-1);
    hosts.del->click();
    QCOMPARE(hosts.list->count(), 4);
    // The selected entry goes, not the first one.
    hosts.list->setCurrentIndex(2);  // b.example.net
    hosts.del->click();
    QVERIFY(hosts.list->currentText().isEmpty());
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(QString::fromStdString(back.GetHostFilter()),
             QString("0.example.net|a.example.net|c.example.net|"));
  }

  // Enter in a filter's edit box adds its text as "< Add" does; the sheet
  // stays open.
  void enterInAFilterEditAdds() {
    Recorder recorder;
    CSitePropertySheet sheet(nullptr, true, recorder.Hooks());
    sheet.show();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    sheet.Tabs()->setCurrentWidget(sheet.filter);
    QLineEdit* edit = sheet.filter->groups[1].edit;
    edit->setFocus();
    QTest::keyClicks(edit, "gif");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(sheet.isVisible());
    CSiteProfile back;
    sheet.StoreInto(back);
    QCOMPARE(QString::fromStdString(back.GetExtensionFilter()), QString("gif|"));
  }

  // The sheet takes the size its pages and tabs need in the desktop's font:
  // made as small as it goes, every tab is in sight (no scroll arrows) and
  // the Report page's list shows both columns, "999" whole.
  void sheetSizeFollowsTheFont_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("usual font") << 0;
    QTest::newRow("large font") << 18;
  }
  void sheetSizeFollowsTheFont() {
    QFETCH(int, pointSize);
    const QFont usual = QApplication::font();
    QFont font = usual;
    if (pointSize > 0) font.setPointSize(pointSize);
    QApplication::setFont(font);
    Recorder recorder;
    auto sheet = std::make_unique<CSitePropertySheet>(nullptr, true, recorder.Hooks());
    sheet->show();
    QVERIFY(sheet->width() >= kSheetSize.width() && sheet->height() >= kSheetSize.height());
    sheet->resize(1, 1);
    sheet->Tabs()->setCurrentWidget(sheet->report);
    QTreeWidget* list = sheet->report->list;
    list->topLevelItem(0)->setText(1, "999");
    QApplication::processEvents();
    QVERIFY(sheet->width() >= sheet->Tabs()->tabBar()->sizeHint().width());
    QVERIFY(list->viewport()->width() >= list->header()->length());
    list->header()->setStretchLastSection(false);  // its own width, not the room left
    QVERIFY(list->columnWidth(1) >= static_cast<QAbstractItemView*>(list)->sizeHintForColumn(1));
    sheet.reset();
    QApplication::setFont(usual);
  }

  // "Please enter an integer." is shown over the dialog, which stays open
  // until the values pass; a box is wide enough for its title.
  void optionsMessageIsShownOverTheDialog() {
    QStringList shown;
    COptionsDialog dialog(CSettings{}, ExtensionSettings{},
                          [&](const QString& text, const QString&) {
                            shown << text + (dialog.isVisible() ? " (over the dialog)" : "");
                          });
    dialog.show();
    dialog.limit->setText("12x");
    dialog.save->click();
    QCOMPARE(shown, QStringList{"Please enter an integer. (over the dialog)"});
    dialog.limit->setText("12");
    dialog.save->click();
    QCOMPARE(dialog.result(), int{QDialog::Accepted});

    QWidget parent;
    MessageBoxSiteDialogs(&parent).ShowMessage("Please enter an integer.",
                                               "Tallowick Web Statistics");
    QMessageBox* box = parent.findChild<QMessageBox*>();
    QVERIFY(QTest::qWaitForWindowExposed(box));
    QFont bold = box->font();
    bold.setBold(true);
    QVERIFY(box->width() > QFontMetrics(bold).horizontalAdvance(box->windowTitle()) +
                               3 * box->fontMetrics().height());  // and the title bar's buttons
  }

  // After "Low" an ordinary user cannot go back to "Normal": the dialog says
  // so and shows the level in force. Tried in a child process of an ordinary
  // user: the test may run as root, and the nice value would stay.
  void refusedPriorityIsSaidAndShown() {
    const pid_t child = fork();
    if (child == 0) {
      if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
      CSettings settings;
      ExtensionSettings extensions;
      QStringList told;
      const auto message = [&told](const QString& text, const QString&) { told << text; };
      for (const char* level : {"Low", "Normal"}) {
        COptionsDialog dialog(settings, extensions, message);
        dialog.priority->setCurrentText(level);
        if (!dialog.Save(settings, extensions)) _exit(3);
      }
      if (told.size() != 1 || !told[0].contains("stays at Low")) _exit(4);
      if (settings.GetPriorityLevel() != "Low") _exit(5);
      settings.SetPriorityLevel("Normal");  // as the next start reads it
      _exit(COptionsDialog(settings, extensions, message).priority->currentText() == "Low" ? 0 : 6);
    }
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  }

  // No dialog, and no page of the sheet with the sheet's buttons, gives one
  // Alt key to two controls: the key would only move between them.
  void mnemonicsAreUniquePerDialog() {
    COptionsDialog options(CSettings{}, ExtensionSettings{}, [](const QString&, const QString&) {});
    QStringList clashes = Clashes({&options}, nullptr);
    Recorder recorder;
    CSitePropertySheet sheet(nullptr, true, recorder.Hooks());
    for (int tab = 0; tab < sheet.Tabs()->count(); ++tab) {
      clashes << Clashes({&sheet, sheet.Tabs()->widget(tab)},
                         sheet.Tabs()->widget(tab)->parentWidget());
    }
    QCOMPARE(clashes, QStringList());
  }

  void invalidFilenamesAreReplaced() {
    CSiteProfile profile;
    Recorder recorder;
    CSitePropertySheet sheet(&profile, true, recorder.Hooks());
    sheet.logFile->path->setText("/var/log/");
    // The message box takes the focus from the edit: no second message.
    recorder.whileShown = [&] { LoseFocus(sheet.logFile->path); };
    LoseFocus(sheet.logFile->path);
    recorder.whileShown = nullptr;
    QCOMPARE(sheet.logFile->path->text(), QString("/pub/access_log"));
    sheet.output->path->setText("");
    LoseFocus(sheet.output->path);
    // The folder of a new site's report, not another one beside it.
    QCOMPARE(sheet.output->path->text(), QDir::homePath() + "/WebStats/stats.html");
    sheet.output->path->setText("/srv/stats.html");
    LoseFocus(sheet.output->path);  // a complete name: no message
    QCOMPARE(recorder.messages, QStringList({":You have entered an invalid filename!\n\nExample:\n"
                                             "\t- /var/www/myweb/logs/acc.log\n"
                                             "\t/pub/etc/web/myweb/httpd/logs/access.log\n",
                                             ":You have entered an invalid filename!\n"
                                             "Please enter a complete path + filename.\n"
                                             "Example: " +
                                                 QDir::homePath() + "/stats/today.html"}));

    recorder.openAnswer = {"/logs/a.log", "/logs/b.log", "/logs/c.log"};
    sheet.logFile->Browse();
    QCOMPARE(sheet.logFile->path->text(), QString("/logs/a.log|/logs/b.log|/logs/c.log|"));
  }

  void f1ShowsThePagesHelp() {
    Recorder recorder;
    CSitePropertySheet sheet(nullptr, true, recorder.Hooks());
    sheet.show();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    sheet.Tabs()->setCurrentWidget(sheet.theme);
    QTest::keyClick(&sheet, Qt::Key_F1);  // the Theme page has no help
    sheet.Tabs()->setCurrentWidget(sheet.filter);
    QTest::keyClick(&sheet, Qt::Key_F1);
    QCOMPARE(recorder.messages,
             QStringList{"Help:FILTERS\n\nHostname:\n---\n+ Enter a hostname or ip address\n"
                         "  (ex: www.example.com, 200.200.200.12)\n\nFile Extension:\n---\n"
                         "+ Enter file extensions\n  (ex: GIF, XBM, JPG, TXT)\n\nDirectories:\n"
                         "---\n+ Enter web directories\n  (ex: /images, /docs, /admin)\n"});
  }

  void optionsDialogRoundTripAndIntegerCheck() {
    CSettings settings;
    settings.SetAdvancedSettings(0);
    settings.SetPassiveFtp(1);
    settings.SetOversizedLogLimitMb(250);
    settings.SetSmtpServer("mail.example.org");
    QStringList messages;
    COptionsDialog dialog(settings, ExtensionSettings{},
                          [&](const QString& text, const QString&) { messages << text; });
    QCOMPARE(dialog.priority->currentText(), QString("Normal"));
    dialog.limit->setText("12x");
    CSettings saved;
    ExtensionSettings savedExtensions;
    QVERIFY(!dialog.Save(saved, savedExtensions));
    QCOMPARE(messages, QStringList{"Please enter an integer."});
    QCOMPARE(saved.GetAdvancedSettings(), 1);  // nothing copied
    dialog.limit->setText("250");
    dialog.smtpServer->setText("mail.example.org:99999");
    QVERIFY(!dialog.Save(saved, savedExtensions));
    QCOMPARE(messages.size(), 2);
    QVERIFY(messages.back().contains("from 1 to 65535"));
    dialog.smtpServer->setText("mail.example.org");
    dialog.smtpSecurity->setCurrentIndex(1);
    dialog.smtpUser->setText("stats@example.org");
    dialog.smtpPasswordFile->setText("/home/u/pw");
    dialog.smtpPasswordCommand->setText("pass show mail");
    QVERIFY(!dialog.Save(saved, savedExtensions));
    QVERIFY(messages.back().contains("not both"));
    messages.removeLast();
    dialog.smtpPasswordCommand->clear();
    // Lower case is no level: stored as typed, the priority stays.
    dialog.priority->setEditText("high");
    const int before = getpriority(PRIO_PROCESS, 0);
    QVERIFY(dialog.Save(saved, savedExtensions));
    QCOMPARE(getpriority(PRIO_PROCESS, 0), before);
    QCOMPARE(QString::fromStdString(saved.GetPriorityLevel()), QString("high"));
    QCOMPARE(saved.GetAdvancedSettings(), 0);
    QCOMPARE(saved.GetPassiveFtp(), 1);
    QCOMPARE(saved.GetOversizedLogLimitMb(), 250);
    QCOMPARE(QString::fromStdString(saved.GetSmtpServer()), QString("mail.example.org"));
    QCOMPARE(QString::fromStdString(savedExtensions.smtpSecurity), QString("starttls"));
    QCOMPARE(QString::fromStdString(savedExtensions.smtpUser), QString("stats@example.org"));
    QCOMPARE(QString::fromStdString(savedExtensions.smtpPasswordFile), QString("/home/u/pw"));
    QCOMPARE(messages.size(), 2);
    QVERIFY(ApplyProcessPriority("high").change == PriorityChange::Unchanged);
    // Raising the priority needs a privilege; either way it never fails hard.
    const PriorityResult high = ApplyProcessPriority("High");
    QVERIFY(high.change == PriorityChange::Applied || !high.message.isEmpty());
  }

  // The GeoIP controls: the database edit follows the check box, and a
  // database that does not open keeps the dialog open (a run would fall
  // back with a warning the window does not show).
  void optionsDialogGeoIpControls() {
    tlw::test::TempDir dir;
    const std::string broken = dir.Write("broken.mmdb", "not a database").string();
    const std::string tiny =
        dir.Write("tiny.mmdb", tlw::test::TinyCountryMmdb("GB", "SE")).string();
    QStringList messages;
    COptionsDialog dialog(CSettings{}, ExtensionSettings{false, broken},
                          [&](const QString& text, const QString&) { messages << text; });
    QVERIFY(!dialog.geoip->isChecked());
    QVERIFY(!dialog.geoipDatabase->isEnabled());
    CSettings saved;
    ExtensionSettings extensions;
    QVERIFY(dialog.Save(saved, extensions));  // off: the file is not looked at
    QCOMPARE(extensions, (ExtensionSettings{false, broken}));
    dialog.geoip->click();
    QVERIFY(dialog.geoipDatabase->isEnabled());
    QVERIFY(!dialog.Save(saved, extensions));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].startsWith(QString::fromStdString("The GeoIP database " + broken)));
    QCOMPARE(extensions, (ExtensionSettings{false, broken}));  // nothing copied
    dialog.geoipDatabase->setText(QString::fromStdString(tiny));
    QVERIFY(dialog.Save(saved, extensions));
    QCOMPARE(extensions, (ExtensionSettings{true, tiny}));
    // The modern view, on by default, is an extension setting too.
    QVERIFY(dialog.modernView->isChecked());
    dialog.modernView->click();
    QVERIFY(dialog.Save(saved, extensions));
    QVERIFY(!extensions.modernView);
    QVERIFY(!dialog.keepLogHistory->isChecked());
    dialog.keepLogHistory->click();
    QVERIFY(dialog.Save(saved, extensions));
    QVERIFY(extensions.keepLogHistory);
  }
};

QTEST_MAIN(PropertySheetTest)
#include "property_sheet_test.moc"
