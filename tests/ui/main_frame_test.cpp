#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "support/temp_dir.h"
#include "ui/main_frame.h"
#include "ui/run_history_dialog.h"
#include "ui/site_dialogs.h"
#include "ui/tallowick_app.h"
#include "ui/tallowick_view.h"
#include "ui/ui_test_support.h"
#include "ui/window_placement.h"

using tlw::test::FakeDialogs;
using tlw::test::TempDir;
using namespace tlw::ui;

namespace {

// A menu's items as one line: texts joined by "|", a separator as "-".
QString MenuLine(const QList<QAction*>& actions) {
  QStringList items;
  for (const QAction* action : actions) items << (action->isSeparator() ? "-" : action->text());
  return items.join('|');
}

// What the toolbar's buttons offer, one "tooltip / prompt" per button.
QStringList ToolbarLooks(const QToolBar& toolBar) {
  QStringList looks;
  for (const QAction* action : toolBar.actions()) {
    looks << (action->isSeparator() ? "-" : action->toolTip() + " / " + action->statusTip());
  }
  return looks;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { UserSettings()->clear(); }

  void menusToolbarAndColumns() {
    CMainFrame frame(std::make_unique<FakeDialogs>());
    QCOMPARE(frame.windowTitle(), QString("Tallowick Web Statistics"));
    QStringList menus;
    for (QAction* menu : frame.menuBar()->actions()) {
      menus << menu->text() + ": " + MenuLine(menu->menu()->actions());
    }
    QCOMPARE(menus, QStringList({
                        "&Site: &New\tCtrl+N|&Delete\tCtrl+D|&Edit\tCtrl+E|-|Open "
                        "&Report\tCtrl+R|Open Report &Folder|Run &History...|-|E&xit",
                        "S&tatistics: &Generate for this website\tCtrl+G|&Generate for ALL "
                        "websites\tCtrl+H|-|&Options\tCtrl+O",
                        "&View: &Toolbar|&Status Bar",
                        "&Help: &About Tallowick...|&Documentation|-|Download: Software "
                        "&Update|-|Goto Support Website",
                    }));
    QCOMPARE(MenuLine(frame.PopupMenu()->actions()),
             QString("&New|&Delete|&Edit|-|Generate Statistics!|Open &Report|Open Report "
                     "&Folder|-|&Options|-|E&xit Program"));
    QCOMPARE(MenuLine(frame.TrayMenu()->actions()),
             QString("&Show Tallowick|&Generate for ALL websites|S&top all|-|&Quit"));
    QCOMPARE(ToolbarLooks(*frame.ToolBar()),
             QStringList({
                 "Add Site / Creates a new website profile",
                 "Delete Site / Deletes all selected website profiles",
                 "Edit Site / Edit an exisiting website profile",
                 "-",
                 "Generate Statistics for this website / Generate webstatistics for this "
                 "selected website",
                 "Generate Statistics for all sites / Generate webstatistics for all website "
                 "profiles",
                 "Stop this site / Stop selected site from processing",
                 "-",
                 "Open Report / Open the selected site's last report in the browser",
                 "Open Report Folder / Open the folder of the selected site's last report",
                 "-",
                 "Program Options / Configure the program options",
                 "-",
                 "About / Display program information and version",
                 "Goto Support Website / Visit the Tallowick support homepage at "
                 "www.example.com",
                 "Exit / Quit the program, scheduled statisitcs will not be processed",
             }));
    for (const QAction* action : frame.ToolBar()->actions()) {
      QVERIFY(action->isSeparator() || !action->icon().isNull());
    }
    QCOMPARE(frame.statusBar()->findChild<QLabel*>("idleText")->text(),
             QString("Select multiple sites w/ ctrl-click, then generate your statistics.   "));

    const QTreeWidget& list = *frame.View()->List();
    QStringList columns;
    for (int column = 0; column < list.columnCount(); ++column) {
      const int alignment = list.headerItem()->textAlignment(column) & Qt::AlignHorizontal_Mask;
      // At least its own width, and wider where a large font needs it.
      const QString heading = list.headerItem()->text(column);
      const int width = list.columnWidth(column);
      const bool fits = list.header()->fontMetrics().horizontalAdvance(heading) < width &&
                        width >= std::array{225, 140, 73, 69, 63}[column];
      columns << QString("%1 %2 %3")
                     .arg(heading)
                     .arg(fits ? "fits" : QString::number(width))
                     .arg(alignment == Qt::AlignHCenter ? "centred" : "left");
    }
    QCOMPARE(columns, QStringList({"Site fits left", "Status fits left", "Time Taken fits centred",
                                   "Log Size fits centred", "Scheduled fits centred"}));
    QCOMPARE(list.columnWidth(0), 225);
    QCOMPARE(list.palette().color(QPalette::Text), QColor(0, 0, 190));
    QCOMPARE(list.iconSize(), QSize(25, 25));
    QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);
  }

  // The accelerators run the commands of the table, Ctrl+G and Ctrl+H
  // included, whatever the menu texts say.
  void acceleratorsRunTheirCommands() {
    TempDir dir;
    tlw::test::WriteSettingsFile(dir.path(),
                                 {{"a.example.com", (dir / "missing.log").string(), ""},
                                  {"b.example.com", (dir / "missing.log").string(), ""}});
    auto owned = std::make_unique<FakeDialogs>();
    FakeDialogs& dialogs = *owned;
    CMainFrame frame(std::move(owned));
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QTreeWidget& list = *frame.View()->List();
    list.clearSelection();

    QTest::keyClick(&frame, Qt::Key_H, Qt::ControlModifier);  // this website: none selected
    QCOMPARE(dialogs.messages,
             QStringList({"Select a site with a Click, then generate statistics"}));
    QTest::keyClick(&frame, Qt::Key_G, Qt::ControlModifier);  // all websites
    QCOMPARE(list.topLevelItem(0)->text(kColumnStatus), QString("Processing..."));
    QCOMPARE(list.topLevelItem(1)->text(kColumnStatus), QString("Processing..."));
    QTRY_VERIFY_WITH_TIMEOUT(!frame.View()->HasActiveRuns(), 10000);
    QCOMPARE(list.topLevelItem(1)->text(kColumnStatus), QString("Error reading logfile!"));

    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs.sheetsShown, 1);
    QCOMPARE(dialogs.optionsShown, 1);
    list.topLevelItem(1)->setSelected(true);
    QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(list.topLevelItemCount(), 2);  // the sheet's new site took row 2
  }

  // A placement saved as "top", "left", "right" and "bottom"; a null
  // expected placement is the default one, at least 365 by 185.
  void placement_data() {
    QTest::addColumn<QList<int>>("saved");
    QTest::addColumn<QRect>("expected");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::newRow("first start") << QList<int>{} << QRect();
    QTest::newRow("saved") << QList<int>{50, 40, 640, 500} << QRect(40, 50, 600, 450);
    QTest::newRow("bottom of 9 ignored") << QList<int>{50, 40, 640, 9} << QRect();
    QTest::newRow("off every screen")
        << QList<int>{5000, 6000, 6600, 5450}
        << QRect(screen.right() + 1 - 600, screen.bottom() + 1 - 450, 600, 450);
  }
  void placement() {
    QFETCH(QList<int>, saved);
    QFETCH(QRect, expected);
    if (!saved.isEmpty()) {
      std::unique_ptr<QSettings> user = UserSettings();
      user->beginGroup("Window Position");
      user->setValue("top", saved[0]);
      user->setValue("left", saved[1]);
      user->setValue("right", saved[2]);
      user->setValue("bottom", saved[3]);
    }
    CMainFrame frame(std::make_unique<FakeDialogs>());
    if (expected.isNull()) {
      QCOMPARE(frame.geometry().topLeft(), QPoint(100, 120));
      QVERIFY(frame.width() >= 365 && frame.height() >= 185);
    } else {
      QCOMPARE(frame.geometry(), expected);
    }
  }

  // Two screens side by side, 1920 by 1080 and 1280 by 1024.
  void placeOnScreens_data() {
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("across both") << QRect(1800, 100, 400, 300) << QRect(1800, 100, 400, 300);
    QTest::newRow("title bar above") << QRect(100, -200, 800, 600) << QRect(100, 0, 800, 600);
    QTest::newRow("a sliver") << QRect(-770, 300, 800, 400) << QRect(0, 300, 800, 400);
    QTest::newRow("unplugged") << QRect(3500, 200, 800, 600) << QRect(2400, 200, 800, 600);
    QTest::newRow("too large") << QRect(3300, -50, 1500, 1200) << QRect(1920, 0, 1280, 1024);
  }
  void placeOnScreens() {
    QFETCH(QRect, saved);
    QFETCH(QRect, placed);
    QCOMPARE(PlaceOnScreens(saved, {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)}), placed);
  }

  // The first window shows every column (the sample site's widens the
  // first) and the whole status text.
  void firstWindowShowsEveryColumnAndTheStatusText() {
    TempDir dir;
    CMainFrame frame(std::make_unique<FakeDialogs>());
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QTreeWidget& list = *frame.View()->List();
    QVERIFY(list.viewport()->width() >= list.header()->length());
    const QLabel* idle = frame.statusBar()->findChild<QLabel*>("idleText");
    QVERIFY(idle->width() >= idle->sizeHint().width());
  }

  // View > Toolbar follows the toolbar hidden from its own context menu.
  void toolbarHiddenFromItsContextMenu() {
    CMainFrame frame(std::make_unique<FakeDialogs>());
    frame.show();
    QAction* viewToolbar = frame.menuBar()->actions()[2]->menu()->actions()[0];
    const std::unique_ptr<QMenu> context(frame.createPopupMenu());
    for (QAction* action : context->actions()) {
      if (action->text() == frame.ToolBar()->windowTitle()) action->trigger();
    }
    QVERIFY(frame.ToolBar()->isHidden());
    QVERIFY(!viewToolbar->isChecked());
    viewToolbar->trigger();
    QVERIFY(!frame.ToolBar()->isHidden());
  }

  // The help file of the program directory, else the one installed with the
  // program (here the build folder's, one above the test program).
  void documentationOpensTheHelpFile() {
    TempDir dir;
    auto owned = std::make_unique<FakeDialogs>();
    FakeDialogs& dialogs = *owned;
    CMainFrame frame(std::move(owned));
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    frame.RunCommand(Command::Documentation);
    dir.Write("Tallowick_Help.html", "<html></html>");
    frame.RunCommand(Command::Documentation);
    QCOMPARE(dialogs.opened,
             QStringList({QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                          "/../Tallowick_Help.html"),
                          QString::fromStdString((dir / "Tallowick_Help.html").string())}));
  }

  // Without a system tray (the offscreen platform has none) the window
  // minimises as usual and never hides itself.
  void minimisingWithoutTrayKeepsTheWindow() {
    CMainFrame frame(std::make_unique<FakeDialogs>());
    frame.show();
    QVERIFY(frame.TrayIcon() == nullptr);
    frame.showMinimized();
    QTest::qWait(50);
    QVERIFY(frame.isVisible());
  }

  void commandLine_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<int>("helpShown");
    QTest::addColumn<bool>("allSites");
    QTest::addColumn<QList<int>>("rows");
    QTest::newRow("help switches")
        << QStringList{"/?", "-?", "/HELP", "/Help"} << 4 << false << QList<int>{};
    QTest::newRow("all") << QStringList{"/ALL"} << 0 << true << QList<int>{};
    QTest::newRow("all with dash") << QStringList{"-all"} << 0 << true << QList<int>{};
    QTest::newRow("rows") << QStringList{"/0", "-2", "/12"} << 0 << false << QList<int>{0, 2, 12};
    QTest::newRow("ignored") << QStringList{"ALL", "0", "/x", "/-1", "/+1", "/1a"} << 0 << false
                             << QList<int>{};
  }
  void commandLine() {
    QFETCH(QStringList, parameters);
    QFETCH(int, helpShown);
    QFETCH(bool, allSites);
    QFETCH(QList<int>, rows);
    const StartRequest request = ParseCommandLine(parameters);
    QCOMPARE(request.helpShown, helpShown);
    QCOMPARE(request.allSites, allSites);
    QCOMPARE(QList<int>(request.rows.begin(), request.rows.end()), rows);
  }

  // A run's message names files and servers, which may look like markup.
  void messagesAreShownAsPlainText() {
    QWidget parent;
    MessageBoxSiteDialogs dialogs(&parent);
    dialogs.ShowMessage("Cannot read ftp://h/<img src=x>.log", "Tallowick");
    const QMessageBox* box = parent.findChild<QMessageBox*>();
    QVERIFY(box != nullptr);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), QString("Cannot read ftp://h/<img src=x>.log"));
  }

  // The report commands follow the selected site: offered when its report
  // is there, saying why not when it is not; Enter generates the selected
  // site and Delete deletes it; the run lands in the site's history.
  void reportCommandsEnterDeleteAndHistory() {
    TempDir dir;
    dir.Write("stats.html", "<html></html>");
    tlw::test::WriteSettingsFile(dir.path(),
                                 {{"a.example.com", (dir / "missing.log").string(), "stats.html"},
                                  {"b.example.com", (dir / "missing.log").string(), "none.html"}});
    auto owned = std::make_unique<FakeDialogs>();
    FakeDialogs& dialogs = *owned;
    CMainFrame frame(std::move(owned));
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    QAction* openReport = nullptr;
    for (QAction* action : frame.ToolBar()->actions()) {
      if (action->data().toInt() == static_cast<int>(Command::OpenReport)) openReport = action;
    }
    QVERIFY(openReport != nullptr);
    QTreeWidget& list = *frame.View()->List();
    QVERIFY(openReport->isEnabled());  // row 0 is selected at the start
    frame.RunCommand(Command::OpenReport);
    frame.RunCommand(Command::OpenReportFolder);
    QCOMPARE(dialogs.opened, QStringList({QString::fromStdString((dir / "stats.html").string()),
                                          QString::fromStdString(dir.path().string())}));
    list.clearSelection();
    list.topLevelItem(1)->setSelected(true);
    QVERIFY(!openReport->isEnabled());
    QCOMPARE(openReport->statusTip(),
             QString("No report yet: there is no such file (run the site to write it)"));
    frame.RunCommand(Command::OpenReport);  // the accelerator's way: said, not opened
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(
        dialogs.messages[0].startsWith("Tallowick Web Statistics: There is no report to open: " +
                                       QString::fromStdString((dir / "none.html").string())),
        qPrintable(dialogs.messages[0]));
    QCOMPARE(dialogs.opened.size(), 2);

    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(list.topLevelItem(1)->text(kColumnStatus), QString("Processing..."));
    QTRY_VERIFY_WITH_TIMEOUT(!frame.View()->HasActiveRuns(), 10000);
    frame.RunCommand(Command::RunHistory);
    auto* history = frame.findChild<RunHistoryDialog*>();
    QVERIFY(history != nullptr);
    QCOMPARE(history->List()->topLevelItemCount(), 1);
    QCOMPARE(history->List()->topLevelItem(0)->text(2), QString("failed"));
    QVERIFY(history->List()->topLevelItem(0)->text(3).contains("missing.log"));
    history->close();

    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(list.topLevelItemCount(), 1);
    QCOMPARE(list.topLevelItem(0)->text(kColumnSite), QString("a.example.com"));
  }

  // A run that ends while the window is not on the screen is told in a
  // notification where there is a tray, and its messages wait for it
  // rather than piling up in boxes.
  void runEndedUnseenIsNotified() {
    TempDir dir;
    tlw::test::WriteSettingsFile(dir.path(),
                                 {{"a.example.com", (dir / "missing.log").string(), ""}});
    auto owned = std::make_unique<FakeDialogs>();
    FakeDialogs& dialogs = *owned;
    CMainFrame frame(std::move(owned));
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    frame.View()->SetTrayAvailable(true);
    QSignalSpy notices(frame.View(), &CTallowickView::endNoticeReady);
    frame.View()->StartRow(0, true);
    QTRY_VERIFY_WITH_TIMEOUT(!frame.View()->HasActiveRuns(), 10000);
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0][0].toString(), QString("Failed: a.example.com"));
    QVERIFY(notices[0][1].toString().contains("missing.log"));
    QVERIFY(dialogs.messages.isEmpty());
  }

  // Every toolbar button, row icon and the program's icon has a drawing for
  // screens scaled by 2, and the program's icon one for each size desktops ask.
  void iconsForEveryScale() {
    TempDir dir;
    CMainFrame frame(std::make_unique<FakeDialogs>());
    QVERIFY(frame.Initialise(dir.path(), dir.path().string()).ok());
    QList<QIcon> icons;
    for (const QAction* action : frame.ToolBar()->actions()) {
      if (!action->isSeparator()) icons << action->icon();
    }
    icons << frame.View()->List()->topLevelItem(0)->icon(kColumnSite);
    for (const QIcon& icon : icons) {
      const QSize base = icon.availableSizes().value(0);
      QCOMPARE(icon.pixmap(base, 2.0).size(), base * 2);
    }
    QCOMPARE(frame.windowIcon().availableSizes().size(), 7);
    QCOMPARE(frame.windowIcon().pixmap(QSize(256, 256)).size(), QSize(256, 256));
    PresentApplication();
    QCOMPARE(QApplication::windowIcon().availableSizes().size(), 7);
    QCOMPARE(QGuiApplication::desktopFileName(), QString("com.example.Tallowick"));
  }

  // Where the settings live: --dir, the data folder for a start from the
  // desktop entry (made private), else the current folder.
  void startFolders() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY(!data.isEmpty());
    const auto folderOf = [](const QStringList& parameters) {
      const tlw::Result<std::filesystem::path> chosen =
          ProgramDirectoryOf(ParseCommandLine(parameters));
      return chosen.ok() ? QString::fromStdString(chosen->string())
                         : "error: " + QString::fromStdString(chosen.message());
    };
    QCOMPARE(folderOf({"/ALL"}), QDir::currentPath());
    QCOMPARE(folderOf({"--from-desktop"}), data + "/tallowick");
    QCOMPARE(std::filesystem::status((data + "/tallowick").toStdString()).permissions(),
             std::filesystem::perms::owner_all);
    TempDir dir;
    const QString named = QString::fromStdString((dir / "sites").string());
    QCOMPARE(folderOf({"--from-desktop", "--dir", named}), named);
    QVERIFY(QFileInfo(named).isDir());
    QCOMPARE(folderOf({"--dir=" + named}), named);
    QCOMPARE(folderOf({"--dir"}), QString("error: --dir needs a folder: --dir DIR"));
  }

  void helpText() {
    QCOMPARE(HelpText(), QString("These switches can enable you to run this program\n"
                                 "at any time from a shell script or on a remote machine.\n\n"
                                 "tallowick [switches]\n\n"
                                 "/# = process this site number (0-n)\n"
                                 "/ALL = process all websites\n"
                                 "/? = this screen\n"));
  }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
