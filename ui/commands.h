#pragma once

#include <QKeySequence>
#include <QString>
#include <array>
#include <span>

namespace tlw::ui {

// The commands of the main frame; menus, pop-up menu, toolbar buttons and
// accelerators all send one of these.
enum class Command {
  NewSite,
  DeleteSite,
  EditSite,
  GenerateSite,
  GenerateAll,
  StopSite,
  Options,
  About,
  Documentation,
  SoftwareUpdate,
  SupportWebsite,
  Exit,
  ShowToolbar,
  ShowStatusBar,
  OpenReport,
  OpenReportFolder,
  RunHistory,
  ShowWindow,
  StopAll,
  Separator,  // not a command: a separator in a menu or the toolbar
};

// How a command presents itself: the status-bar prompt while it is under
// the pointer, the toolbar tooltip and the icon resource (empty: none).
struct CommandLook {
  Command command;
  const char* prompt;
  const char* tooltip;
  const char* icon;
};

// The look of `command`; a command without its own has empty texts.
const CommandLook& LookOf(Command command);

struct MenuItem {
  const char* text;  // with the shortcut text after a tab, as shown
  Command command;
};

struct Menu {
  const char* title;
  std::span<const MenuItem> items;
};

// The main menu, in order.
std::span<const Menu> MainMenus();
// The site list's pop-up menu, in order.
std::span<const MenuItem> PopupMenuItems();
// The tray icon's menu, in order.
std::span<const MenuItem> TrayMenuItems();
// The toolbar buttons, in order.
std::span<const Command> ToolbarCommands();

struct Accelerator {
  QKeyCombination keys;
  Command command;
};
// The keyboard accelerators of the program's own commands.
std::span<const Accelerator> Accelerators();

// The addresses behind the update and support commands.
inline constexpr const char* kUpdateUrl = "https://www.example.com/tallowick/download.html";
inline constexpr const char* kSupportUrl = "https://www.example.com/tallowick/";

// The status bar's text while nothing is under the pointer.
inline constexpr const char* kIdleStatusText =
    "Select multiple sites w/ ctrl-click, then generate your statistics.   ";

}  // namespace tlw::ui
