#include <QApplication>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

#include "base/run_stages.h"
#include "settings/settings_file.h"
#include "settings/settings_lock.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"
#include "ui/dark_palette.h"
#include "ui/list_colours.h"
#include "ui/site_property_sheet.h"
#include "ui/tallowick_view.h"
#include "ui/ui_test_support.h"

using tlw::CSiteProfile;
using tlw::test::FakeDialogs;
using tlw::test::SavedSites;
using tlw::test::TempDir;
using tlw::test::TestSite;
using tlw::test::WriteSettingsFile;
using namespace tlw::ui;

namespace {

const std::string kSampleLog = std::string(TLW_SOURCE_DIR) + "/data/sample_access.log";

QString Cell(const CTallowickView& view, int row, int column) {
  return view.List()->topLevelItem(row)->text(column);
}
int Icon(const CTallowickView& view, int row) {
  return view.List()->topLevelItem(row)->data(kColumnSite, kIconRole).toInt();
}
void Select(const CTallowickView& view, std::initializer_list<int> rows) {
  view.List()->clearSelection();
  for (int row : rows) view.List()->topLevelItem(row)->setSelected(true);
}
QStringList Rows(const CTallowickView& view) {
  QStringList rows;
  for (int row = 0; row < view.List()->topLevelItemCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < kSiteColumnCount; ++column) cells << Cell(view, row, column);
    rows << cells.join(" | ");
  }
  return rows;
}

// Every status and icon a row shows, in order, without repeats.
class StatusTrail {
 public:
  StatusTrail(const CTallowickView& view, int row) {
    QObject::connect(view.List()->model(), &QAbstractItemModel::dataChanged, [this, &view, row] {
      if (row >= view.List()->topLevelItemCount()) return;
      const QString seen = Cell(view, row, kColumnStatus) + " #" + QString::number(Icon(view, row));
      if (trail.isEmpty() || trail.back() != seen) trail << seen;
    });
  }
  QStringList trail;
};

}  // namespace

class SiteListTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartCreatesTheSampleSite() {
    TempDir dir;
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "/home/someone").ok());
    QCOMPARE(view.List()->topLevelItemCount(), 1);
    QVERIFY(Cell(view, 0, kColumnSite).endsWith(" - Sample#1 Remote"));
    QCOMPARE(Cell(view, 0, kColumnStatus), QString("never generated"));
    QCOMPARE(Cell(view, 0, kColumnLogSize), QString("remote"));
    QCOMPARE(Cell(view, 0, kColumnScheduled), QString("No"));
    QCOMPARE(Icon(view, 0), int{kIconIdle});
    QVERIFY(view.List()->topLevelItem(0)->isSelected());
    QCOMPARE(SavedSites(dir.path()).size(), std::size_t{1});
    QVERIFY(dialogs.messages.isEmpty());

    // A settings file that cannot be read ends the start, naming the file.
    TempDir other;
    std::filesystem::create_directory(other / "Tallowick.Settings");
    CTallowickView refused(dialogs);
    const tlw::Status loaded = refused.Initialise(other.path(), "").status();
    QVERIFY(!loaded.ok());
    QVERIFY2(loaded.message().find("Tallowick.Settings") != std::string::npos,
             loaded.message().c_str());
    QCOMPARE(refused.List()->topLevelItemCount(), 0);
  }

  // A damaged settings file is saved over only when the user agrees; told to
  // keep it, the program ends with the file as it was.
  void damagedFileIsSavedOverOnlyWhenTheUserAgrees() {
    for (const bool save : {false, true}) {
      TempDir dir;
      WriteSettingsFile(dir.path(), {{"one.example.com", "", "", false}, {"two", "", "", false}});
      const std::string damaged = tlw::test::ReadFileBytes(dir / "Tallowick.Settings") + "\x05tr";
      dir.Write("Tallowick.Settings", damaged);
      FakeDialogs dialogs;
      dialogs.answerYes = save;
      {
        CTallowickView view(dialogs);
        tlw::Result<StartOutcome> outcome = view.Initialise(dir.path(), "");
        QVERIFY(outcome.ok());
        QCOMPARE(*outcome, save ? StartOutcome::kGoOn : StartOutcome::kQuitKeepingTheFile);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY2(dialogs.questions[0].contains("how many there were cannot be told") &&
                     dialogs.questions[0].endsWith(
                         "[Save the 2 sites read / Keep the file unchanged and quit]"),
                 qPrintable(dialogs.questions[0]));
        if (save) QVERIFY(view.SaveSiteList());
      }
      if (save)
        QCOMPARE(SavedSites(dir.path()), std::vector<std::string>({"one.example.com", "two"}));
      if (!save) QCOMPARE(tlw::test::ReadFileBytes(dir / "Tallowick.Settings"), damaged);
    }
  }

  void addEditAndDeleteThroughTheSheet() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"one.example.com", "/logs/one.log", "", false}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());

    dialogs.accept = false;
    view.NewSite();
    QCOMPARE(view.List()->topLevelItemCount(), 1);
    dialogs.accept = true;
    dialogs.fill = [](CSiteProfile& profile) {
      profile.SetHomepageUrl("two.example.com");
      profile.SetScheduled(1);
    };
    view.NewSite();
    QCOMPARE(Rows(view), QStringList({"one.example.com | never generated |  | remote | No",
                                      "two.example.com | never generated |  | remote | Yes"}));
    QCOMPARE(SavedSites(dir.path()),
             std::vector<std::string>({"one.example.com", "two.example.com"}));

    view.List()->clearSelection();
    view.EditSite();  // nothing selected: no sheet
    QCOMPARE(dialogs.sheetsShown, 2);
    // Several rows selected: the first one is edited, its status cleared.
    Select(view, {1, 0});
    dialogs.fill = [](CSiteProfile& profile) {
      QCOMPARE(profile.GetHomepageUrl(), std::string("one.example.com"));
      profile.SetHomepageUrl("edited.example.com");
    };
    view.EditSite();
    QCOMPARE(Rows(view), QStringList({"edited.example.com |  |  | remote | No",
                                      "two.example.com | never generated |  | remote | Yes"}));
    QCOMPARE(SavedSites(dir.path()),
             std::vector<std::string>({"edited.example.com", "two.example.com"}));

    Select(view, {0, 1});
    view.DeleteSite();
    QCOMPARE(view.List()->topLevelItemCount(), 0);
    QCOMPARE(SavedSites(dir.path()), std::vector<std::string>());
    QVERIFY(dialogs.messages.isEmpty());
  }

  // A delete selects the row that took the first deleted one's place (at
  // the end, the new last row), so that Ctrl+H has a site to start.
  void deleteSelectsTheRowThatTookItsPlace() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a", "", ""}, {"b", "", ""}, {"c", "", ""}, {"d", "", ""}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    for (const char* expected : {"d", "a"}) {
      if (QString(expected) == "d") Select(view, {1, 2});
      view.DeleteSite();
      QCOMPARE(view.List()->selectedItems().size(), 1);
      QCOMPARE(view.List()->selectedItems()[0]->text(kColumnSite), QString(expected));
    }
  }

  // Both lists write dark blue on a light theme, and on a dark one (where it
  // cannot be read) the theme's link colour, else its text colour.
  void listTextReadsWellInLightAndDarkThemes() {
    const QPalette light = QApplication::palette();
    QPalette darkLink = tlw::test::DarkPalette();
    darkLink.setColor(QPalette::Link, QColor(42, 82, 190));
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    CSitePropertySheet sheet(nullptr, true, {});
    view.show();  // a change of theme reaches the windows on the screen
    sheet.show();
    const std::pair<QPalette, QColor> themes[] = {{light, QColor(0, 0, 190)},
                                                  {tlw::test::DarkPalette(), QColor(29, 153, 243)},
                                                  {darkLink, QColor(252, 252, 252)},
                                                  {light, QColor(0, 0, 190)}};
    for (const auto& [theme, text] : themes) {
      QApplication::setPalette(theme);
      QApplication::processEvents();  // it goes as posted events
      for (const QWidget* list :
           {static_cast<QWidget*>(view.List()), static_cast<QWidget*>(sheet.report->list)}) {
        const QPalette& shown = list->palette();
        QCOMPARE(shown.color(QPalette::Text), text);
        QVERIFY(ContrastRatio(text, shown.color(QPalette::Base)) >= 4.5);
      }
    }
  }

  // The sheet's event loop goes on while it is open: neither the schedule
  // nor Generate All (the tray's menu) start the site under it, and OK
  // applies what was entered.
  void siteBeingEditedIsNotStartedUnderTheSheet() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a.example.com", kSampleLog, (dir / "a.html").string(), true}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    view.Profiles()[0]->SetScheduleInterval("every 5 mins");
    const std::int64_t fiveAfterMidnight = 1704067500;
    dialogs.fill = [&](CSiteProfile& values) {
      view.OnScheduleTick(fiveAfterMidnight);
      view.GenerateAll();
      QVERIFY(!view.HasActiveRuns());
      values.SetHomepageUrl("edited.example.com");
    };
    Select(view, {0});
    view.EditSite();
    QCOMPARE(Cell(view, 0, kColumnSite), QString("edited.example.com"));
    QVERIFY(dialogs.messages.isEmpty());
    view.OnScheduleTick(fiveAfterMidnight);
    QVERIFY(view.HasActiveRuns());
    QTRY_VERIFY_WITH_TIMEOUT(!view.HasActiveRuns(), 30000);
  }

  // A save that fails as the program ends is shown and waited for: the
  // user saves again or quits without saving.
  void failedSaveAtExitAsksBeforeQuitting() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a.example.com", "", ""}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    std::filesystem::remove(dir / "Tallowick.Settings");
    std::filesystem::create_directories(dir / "Tallowick.Settings" / "in-the-way");
    dialogs.answers = {true, false};
    view.SaveBeforeQuitting();
    QCOMPARE(dialogs.questions.size(), 2);
    QVERIFY2(dialogs.questions[1].startsWith("Error saving settings!") &&
                 dialogs.questions[1].endsWith("[Save again / Quit without saving]"),
             qPrintable(dialogs.questions[1]));

    std::filesystem::remove_all(dir / "Tallowick.Settings");
    view.SaveBeforeQuitting();
    QCOMPARE(dialogs.questions.size(), 2);
    QCOMPARE(SavedSites(dir.path()), std::vector<std::string>({"a.example.com"}));
  }

  // "Generate for this website" on a real logfile, through every status to
  // the finish time.
  void runShowsEveryStatusUntilFinished() {
    TempDir dir;
    WriteSettingsFile(dir.path(),
                      {{"www.example.com", kSampleLog, (dir / "stats.html").string(), false}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    StatusTrail status(view, 0);
    view.Settings().SetOpenReportWhenDone(1);
    view.GenerateSite();
    QTRY_VERIFY_WITH_TIMEOUT(!view.HasActiveRuns(), 30000);

    const CSiteProfile& profile = *view.Profiles()[0];
    const QString finished = "Finished: " + QString::fromStdString(profile.GetLastGenerated());
    QVERIFY2(status.trail.size() >= 4, qPrintable(status.trail.join(", ")));
    QCOMPARE(status.trail.front(), QString("Processing... #0"));
    QVERIFY(status.trail.contains("Reading Logfile... #1"));
    QVERIFY(status.trail.contains("Writing HTML report... #1"));
    QCOMPARE(status.trail.back(), finished + " #0");
    QVERIFY(QRegularExpression(R"(^Finished: \d\d:\d\d[AP]M [A-Z][a-z]{2} \d\d-\d\d-\d\d$)")
                .match(finished)
                .hasMatch());
    QVERIFY(QRegularExpression(R"(^\d\dh \d\dm \d\ds$)")
                .match(Cell(view, 0, kColumnTimeTaken))
                .hasMatch());
    QCOMPARE(Cell(view, 0, kColumnLogSize), QString::fromStdString(profile.LogSizeText()));
    QCOMPARE(Cell(view, 0, kColumnLogSize), QString("1 MB"));
    QVERIFY(!profile.GetRunning());
    QVERIFY(std::filesystem::exists(dir / "stats.html"));
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(dialogs.opened, QStringList({QString::fromStdString((dir / "stats.html").string())}));

    // The finish time reaches the file with the next save.
    QVERIFY(view.SaveSiteList());
    FakeDialogs again;
    CTallowickView reopened(again);
    QVERIFY(reopened.Initialise(dir.path(), "").ok());
    QCOMPARE(Cell(reopened, 0, kColumnStatus), finished.mid(10));
  }

  // The window's save keeps what another program (cron's tallowick-cli, a
  // script) saved meanwhile and shows the site it added.
  void changesMadeElsewhereAreMergedAndShown() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a.example.com", "", ""}, {"b.example.com", "", ""}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    {
      tlw::CSettings settings;
      tlw::SiteProfiles profiles;
      tlw::Result<tlw::SettingsLock> lock = tlw::LockSettingsFile(dir.path());
      QVERIFY(lock.ok());
      QVERIFY(tlw::LoadSettingsFile(dir.path(), settings, profiles, "").ok());
      profiles[1]->SetLastGenerated("01:55PM Tue 10-10-00");
      auto added = std::make_shared<CSiteProfile>();
      added->SetHomepageUrl("c.example.com");
      profiles.push_back(added);
      QVERIFY(tlw::SaveSettingsFile(settings, profiles).ok());
    }
    QVERIFY(view.SaveSiteList());
    QCOMPARE(view.List()->topLevelItemCount(), 3);
    QCOMPARE(Cell(view, 2, kColumnSite), QString("c.example.com"));
    QCOMPARE(view.Profiles()[1]->GetLastGenerated(), std::string("01:55PM Tue 10-10-00"));
    QCOMPARE(SavedSites(dir.path()),
             (std::vector<std::string>{"a.example.com", "b.example.com", "c.example.com"}));
  }

  // A stopped run, and the run of a deleted site, change no row after: the
  // row that takes the deleted site's place keeps its own status.
  void stoppedAndDeletedRunsChangeNoRow() {
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a.example.com", kSampleLog, (dir / "a.html").string()},
                                   {"b.example.com", kSampleLog, (dir / "b.html").string()}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());

    Select(view, {0});
    view.GenerateSite();
    view.StopSite();
    QCOMPARE(Cell(view, 0, kColumnStatus), QString("Processing Canceled!"));
    QTRY_VERIFY_WITH_TIMEOUT(!view.HasActiveRuns(), 30000);
    QCOMPARE(Cell(view, 0, kColumnStatus), QString("Processing Canceled!"));
    QCOMPARE(Icon(view, 0), int{kIconIdle});
    QVERIFY(!view.Profiles()[0]->GetRunning());

    std::weak_ptr<CSiteProfile> deleted = view.Profiles()[0];
    view.GenerateSite();
    view.DeleteSite();
    QCOMPARE(view.List()->topLevelItemCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!view.HasActiveRuns(), 30000);
    QCOMPARE(Rows(view), QStringList({"b.example.com | never generated |  | remote | No"}));
    QVERIFY(deleted.expired());
    QCOMPARE(SavedSites(dir.path()), std::vector<std::string>({"b.example.com"}));

    // A run whose row moves up follows it there.
    view.NewSite();  // the sheet leaves the new site's log unset
    view.NewSite();
    view.Profiles()[2]->SetLogfilePath(kSampleLog);
    view.Profiles()[2]->SetReportPath((dir / "c.html").string());
    Select(view, {2});
    view.GenerateSite();
    Select(view, {0});
    view.DeleteSite();
    QTRY_VERIFY_WITH_TIMEOUT(!view.HasActiveRuns(), 30000);
    QCOMPARE(Cell(view, 0, kColumnStatus), QString("never generated"));
    QVERIFY(Cell(view, 1, kColumnStatus).startsWith("Finished: "));
  }

  void stageTable_data() {
    QTest::addColumn<int>("stage");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("icon");  // the row's icon was 1 before the stage
    QTest::addColumn<bool>("endsRun");
    const struct {
      int stage;
      const char* status;
      int icon;
      bool endsRun;
    } rows[] = {
        {1, "Reading Logfile...", 1, false},
        {2, "FTP: Connecting...", 1, false},
        {3, "FTP: Reading Logfile...", 1, false},
        {4, "FTP: Transmission ERROR!", 0, true},
        {5, "Error reading logfile!", 0, true},
        {6, "FTP: Uploading report", 2, false},
        {7, "FTP: Uploading images", 2, false},
        {8, "Writing HTML report...", 1, false},
        {9, "HTTP: Top webpage headers...", 2, false},
        {11, "WHOIS on domains", 2, false},
        {12, "FTP: Uploading graphs", 2, false},
        {13, "Error writing HTML report!", 0, true},
        {20, "DNS: IP addr -> hostname", 1, false},
        {25, "Deleting oversized logfile...", 1, false},
        {30, "Error connecting to mail server!", 1, false},
        {31, "Sending email report...", 2, false},
        {45, "Copying image files", 1, false},
        {55, "", 1, false},
        {99, "Unknown", 1, false},
    };
    for (const auto& row : rows) {
      QTest::addRow("stage %d", row.stage) << row.stage << row.status << row.icon << row.endsRun;
    }
  }
  void stageTable() {
    QFETCH(int, stage);
    QFETCH(QString, status);
    QFETCH(int, icon);
    QFETCH(bool, endsRun);
    TempDir dir;
    WriteSettingsFile(dir.path(), {{"a.example.com", "/logs/a.log", ""}});
    FakeDialogs dialogs;
    CTallowickView view(dialogs);
    QVERIFY(view.Initialise(dir.path(), "").ok());
    CSiteProfile& profile = *view.Profiles()[0];
    view.ShowStage(profile, tlw::kStageReading);
    profile.SetRunning(true);
    profile.SetLastLogfileSize(4321);
    view.ShowStage(profile, stage);
    QCOMPARE(Cell(view, 0, kColumnStatus), status);
    QCOMPARE(Icon(view, 0), icon);
    QCOMPARE(profile.GetRunning(), !endsRun);
    // Only stage 55 (and the finish) show the new log size.
    QCOMPARE(Cell(view, 0, kColumnLogSize), QString(stage == 55 ? "4321 bytes" : "remote"));
  }
};

QTEST_MAIN(SiteListTest)
#include "site_list_test.moc"
