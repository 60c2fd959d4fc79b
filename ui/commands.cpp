#include "ui/commands.h"

namespace tlw::ui {
namespace {

constexpr CommandLook kLooks[] = {
    {Command::NewSite, "Creates a new website profile", "Add Site", ":/icons/new_site.png"},
    {Command::DeleteSite, "Deletes all selected website profiles", "Delete Site",
     ":/icons/delete_site.png"},
    {Command::EditSite, "Edit an exisiting website profile", "Edit Site", ":/icons/edit_site.png"},
    {Command::GenerateAll, "Generate webstatistics for all website profiles",
     "Generate Statistics for all sites", ":/icons/generate_all.png"},
    {Command::Options, "Configure the program options", "Program Options", ":/icons/options.png"},
    {Command::GenerateSite, "Generate webstatistics for this selected website",
     "Generate Statistics for this website", ":/icons/generate_site.png"},
    {Command::Documentation, "User Documentation and Help", "Help!", ""},
    {Command::StopSite, "Stop selected site from processing", "Stop this site",
     ":/icons/stop_site.png"},
    {Command::SupportWebsite, "Visit the Tallowick support homepage at www.example.com",
     "Goto Support Website", ":/icons/support.png"},
    {Command::Exit, "Quit the program, scheduled statisitcs will not be processed", "Exit",
     ":/icons/exit.png"},
    {Command::About, "Display program information and version", "About", ":/icons/about.png"},
    {Command::SoftwareUpdate, "Download the newest version of Tallowick", "Software Update", ""},
    {Command::ShowToolbar, "Show or hide the toolbar", "Toggle ToolBar", ""},
    {Command::ShowStatusBar, "Show or hide the status bar", "Toggle StatusBar", ""},
    {Command::OpenReport, "Open the selected site's last report in the browser", "Open Report",
     ":/icons/open_report.png"},
    {Command::OpenReportFolder, "Open the folder of the selected site's last report",
     "Open Report Folder", ":/icons/open_folder.png"},
    {Command::RunHistory, "Show the last runs of the selected site", "Run History", ""},
    {Command::ShowWindow, "Show the main window", "Show", ""},
    {Command::StopAll, "Stop every site being processed", "Stop all", ""},
};

constexpr CommandLook kNoLook{Command::Separator, "", "", ""};

constexpr MenuItem kSiteMenu[] = {
    {"&New\tCtrl+N", Command::NewSite},
    {"&Delete\tCtrl+D", Command::DeleteSite},
    {"&Edit\tCtrl+E", Command::EditSite},
    {"", Command::Separator},
    {"Open &Report\tCtrl+R", Command::OpenReport},
    {"Open Report &Folder", Command::OpenReportFolder},
    {"Run &History...", Command::RunHistory},
    {"", Command::Separator},
    {"E&xit", Command::Exit},
};
constexpr MenuItem kStatisticsMenu[] = {
    {"&Generate for this website\tCtrl+G", Command::GenerateSite},
    {"&Generate for ALL websites\tCtrl+H", Command::GenerateAll},
    {"", Command::Separator},
    {"&Options\tCtrl+O", Command::Options},
};
constexpr MenuItem kViewMenu[] = {
    {"&Toolbar", Command::ShowToolbar},
    {"&Status Bar", Command::ShowStatusBar},
};
constexpr MenuItem kHelpMenu[] = {
    {"&About Tallowick...", Command::About},
    {"&Documentation", Command::Documentation},
    {"", Command::Separator},
    {"Download: Software &Update", Command::SoftwareUpdate},
    {"", Command::Separator},
    {"Goto Support Website", Command::SupportWebsite},
};
constexpr Menu kMenus[] = {
    {"&Site", kSiteMenu},
    {"S&tatistics", kStatisticsMenu},
    {"&View", kViewMenu},
    {"&Help", kHelpMenu},
};

constexpr MenuItem kPopupMenu[] = {
    {"&New", Command::NewSite},
    {"&Delete", Command::DeleteSite},
    {"&Edit", Command::EditSite},
    {"", Command::Separator},
    {"Generate Statistics!", Command::GenerateSite},
    {"Open &Report", Command::OpenReport},
    {"Open Report &Folder", Command::OpenReportFolder},
    {"", Command::Separator},
    {"&Options", Command::Options},
    {"", Command::Separator},
    {"E&xit Program", Command::Exit},
};

// Four buttons a line, as the toolbar reads.
// clang-format off
constexpr Command kToolbar[] = {
    Command::NewSite,      Command::DeleteSite,  Command::EditSite, Command::Separator,
    Command::GenerateSite, Command::GenerateAll, Command::StopSite, Command::Separator,
    Command::OpenReport,   Command::OpenReportFolder,               Command::Separator,
    Command::Options,      Command::Separator,   Command::About,    Command::SupportWebsite,
    Command::Exit,
};
// clang-format on

// Ctrl+G generates for every site and Ctrl+H for the selected one, the
// other way round from what the Statistics menu shows.
constexpr Accelerator kAccelerators[] = {
    {Qt::CTRL | Qt::Key_N, Command::NewSite},      {Qt::CTRL | Qt::Key_D, Command::DeleteSite},
    {Qt::CTRL | Qt::Key_E, Command::EditSite},     {Qt::CTRL | Qt::Key_G, Command::GenerateAll},
    {Qt::CTRL | Qt::Key_H, Command::GenerateSite}, {Qt::CTRL | Qt::Key_O, Command::Options},
    {Qt::CTRL | Qt::Key_Q, Command::Exit},         {Qt::CTRL | Qt::Key_R, Command::OpenReport},
};

constexpr MenuItem kTrayMenu[] = {
    {"&Show Tallowick", Command::ShowWindow},
    {"&Generate for ALL websites", Command::GenerateAll},
    {"S&top all", Command::StopAll},
    {"", Command::Separator},
    {"&Quit", Command::Exit},
};

}  // namespace

const CommandLook& LookOf(Command command) {
  for (const CommandLook& look : kLooks) {
    if (look.command == command) return look;
  }
  return kNoLook;
}

std::span<const Menu> MainMenus() { return kMenus; }
std::span<const MenuItem> PopupMenuItems() { return kPopupMenu; }
std::span<const MenuItem> TrayMenuItems() { return kTrayMenu; }
std::span<const Command> ToolbarCommands() { return kToolbar; }
std::span<const Accelerator> Accelerators() { return kAccelerators; }

}  // namespace tlw::ui
