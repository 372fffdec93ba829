#include "ui/captions.h"

#include <array>
#include <cstddef>

#include "core/parameters.h"

namespace {

struct CaptionRow {
  Caption which;
  const char* english;
  const char* chinese;  // UTF-8
};

constexpr CaptionRow kCaptions[] = {
    // The main panel
    {Caption::kFlexibleMode, "Flexiable RES mode", "可变分辨率模式"},
    {Caption::kSettingButton, "Setting", "设置"},
    {Caption::kExit, "Exit", "退出"},
    {Caption::kHide, "Hide", "隐藏"},
    {Caption::kHelp, "Help", "帮助"},
    {Caption::kCurrentSettings, "Current settings", "当前设置"},
    {Caption::kMonitorConnected, "Monitor connected", "显示器已连接"},
    {Caption::kNoMonitorDetected, "No Talvex monitor detected", "未检测到 Talvex 显示器"},
    {Caption::kFixedMode, "Fix 1100x825 mode", "固定1100x825模式"},
    {Caption::kSettingsNotSaved, "Settings not saved: %1", "设置未保存：%1"},
    {Caption::kResolutionNotChanged, "Monitor connected. The resolution was not changed: %1",
     "显示器已连接。分辨率未更改：%1"},
    {Caption::kResolutionKeptBySession,
     "Monitor connected. This session does not let the program change the resolution.",
     "显示器已连接。此会话不允许本程序更改分辨率。"},
    {Caption::kLookingForMonitor, "Looking for the Talvex monitor…", "正在查找 Talvex 显示器…"},
    {Caption::kBusNoAccess, "No access to %1: log out and in after installing",
     "无权访问 %1：安装后请注销并重新登录"},
    {Caption::kBusBusy, "%1 is held by another program; trying again",
     "%1 正被其他程序占用，稍后重试"},
    {Caption::kBusNoAnswer, "No answer on %1: turn DDC/CI on in the monitor's menu",
     "显示器在 %1 上没有应答：请在显示器菜单中打开 DDC/CI"},
    {Caption::kNoI2CBuses, "No I2C buses: load i2c-dev (sudo modprobe i2c-dev)",
     "没有 I2C 总线：请加载 i2c-dev（sudo modprobe i2c-dev）"},
    {Caption::kBusUnsupported, "%1 cannot carry DDC/CI", "%1 无法进行 DDC/CI 通信"},
    // Settings
    {Caption::kCurrentShowMode, "Current show mode:", "当前显示模式:"},
    {Caption::kNormalShowModeSetting, "Normal show mode setting:", "正常显示模式:"},
    {Caption::kContrastSettingLabel, ":     contrast setting", ":     对比度设置"},
    {Caption::kRefreshSetting, "Refresh setting:", "刷新设置:"},
    {Caption::kRefreshInterval, "interval time:", "自动刷新间隔:"},
    {Caption::kAutoRefresh, "auto refresh", "定时自动刷新"},
    {Caption::kContrastHotkey, "Contrast hotkey", "对比度快捷键"},
    {Caption::kRefreshHotkey, "Refresh hotkey", "刷新快捷键"},
    {Caption::kOk, "OK", "确定"},
    {Caption::kCancel, "Cancel", "取消"},
    {Caption::kSettingsTitle, "Settings", "设置"},
    {Caption::kNoIdleTime,
     "This session does not tell idle time, so screen save does not start on its own.",
     "此会话不提供空闲时间，屏幕保护不会自动启动。"},
    {Caption::kHotkeysLocalUseButton,
     "The desktop does not take the hotkeys yet: they work in this window only. Add them to "
     "GNOME's keyboard shortcuts with the button above.",
     "桌面尚未接受快捷键：快捷键仅在本窗口中有效。请用上方的按钮将其添加到 GNOME 键盘快捷键。"},
    {Caption::kHotkeysLocalSwayLines,
     "The desktop does not take global hotkeys: they work in this window only. For sway, add these "
     "lines to ~/.config/sway/config, then run swaymsg reload:",
     "桌面不接受全局快捷键：快捷键仅在本窗口中有效。在 sway 中，请将以下几行加入 "
     "~/.config/sway/config，然后运行 swaymsg reload："},
    {Caption::kHotkeysLocalBindCommands,
     "The desktop does not take global hotkeys: they work in this window only. Bind %1 "
     "--hotkey contrast-up, --hotkey contrast-down and --hotkey refresh in the desktop's keyboard "
     "settings.",
     "桌面不接受全局快捷键：快捷键仅在本窗口中有效。请在桌面的键盘设置中绑定 %1 "
     "--hotkey contrast-up、--hotkey contrast-down 和 --hotkey refresh。"},
    {Caption::kHotkeyTakenFromOthers,
     "%1 is a key other programs use (Cut, Copy, Paste, Undo and the like): as a hotkey it would "
     "be taken from all of them. Record another combination for this hotkey first, such as %2.",
     "%1 是其他程序使用的按键（剪切、复制、粘贴、撤销等）：作为快捷键会使所有这些程序失去它。"
     "请先为此快捷键录制另一个组合，例如 %2。"},
    {Caption::kPresetLow, "Low", "浅"},
    {Caption::kPresetMedium, "Medium", "适中"},
    {Caption::kPresetHigh, "High", "深"},
    {Caption::kPresetOwn, "Self Def", "自定义"},
    {Caption::kGroupDisplayMode, "Display mode", "显示模式"},
    {Caption::kGroupContrast, "Contrast", "对比度"},
    {Caption::kGroupHotkeys, "Hotkeys", "快捷键"},
    {Caption::kGroupScreenSave, "Screen save (seconds)", "屏幕保护 (秒)"},
    // Help
    {Caption::kCheckNewVersion, "Check new version", "检查更新"},
    {Caption::kAbout, "About", "关于"},
    // Settings: the desktop's hotkeys
    {Caption::kRemove, "Remove", "移除"},
    {Caption::kAddToGnomeShortcuts, "Add to GNOME's keyboard shortcuts", "添加到 GNOME 键盘快捷键"},
    // The main window's menus
    {Caption::kSettingsMenu, "Settings...", "设置..."},
    {Caption::kStartAtLogin, "Start at login", "登录时启动"},
    {Caption::kQuit, "Quit", "退出"},
    {Caption::kHelpAndLanguage, "Help and language...", "帮助和语言..."},
    // The tray
    {Caption::kRefresh, "Refresh", "刷新"},
    {Caption::kCurrentSettingsMenu, "Current settings...", "当前设置..."},
    {Caption::kShowWindow, "Show window", "显示窗口"},
    {Caption::kNotifyChanges, "Notify of changes", "通知更改"},
    {Caption::kTrayMonitorConnected, "monitor connected", "显示器已连接"},
    {Caption::kTrayNoMonitor, "no monitor", "未检测到显示器"},
    {Caption::kModesByApplicationMenu, "Modes by application...", "按应用的模式..."},
    // Modes by application
    {Caption::kModesByApplication, "Modes by application", "按应用的模式"},
    {Caption::kModesByApplicationNote,
     "While an application has the focus, the monitor shows its mode; elsewhere, the one you "
     "chose.",
     "应用获得焦点时，显示器使用它的模式；其他时候使用您选择的模式。"},
    {Caption::kApplicationColumn, "Application", "应用"},
    {Caption::kModeColumn, "Mode", "模式"},
    {Caption::kAddNextApplication, "Add the next application you switch to",
     "添加下一个切换到的应用"},
    {Caption::kSwitchToTheWindow, "Switch to the window you want...", "请切换到您想要的窗口..."},
    {Caption::kFocusFrom, "Focus from: %1", "焦点来源：%1"},
    {Caption::kEnableGnomeExtension, "Turn on GNOME's extension", "启用 GNOME 扩展"},
    {Caption::kModesNotFollowed, "Modes by application cannot follow the focus: %1",
     "按应用的模式无法跟随焦点：%1"},
    {Caption::kClose, "Close", "关闭"},
    {Caption::kStillLooking, "Still looking: %1", "仍在查找：%1"},
    {Caption::kSeconds, "%1 s", "%1 秒"},
    {Caption::kMinutesAndSeconds, "%1 min %2 s", "%1 分 %2 秒"},
    {Caption::kLinkLost, "The monitor stopped answering: %1", "显示器停止应答：%1"},
};

// Each row at its caption's place, so that a lookup is an index.
constexpr bool inOrder() {
  for (std::size_t i = 0; i < std::size(kCaptions); ++i) {
    if (static_cast<std::size_t>(kCaptions[i].which) != i) return false;
  }
  return true;
}
static_assert(inOrder(), "the caption table follows the Caption enum");

}  // namespace

QString caption(Caption which, bool english) {
  const CaptionRow& row = kCaptions[static_cast<std::size_t>(which)];
  return english ? QString::fromUtf8(row.english) : QString::fromUtf8(row.chinese);
}

QString caption(Caption which) {
  return caption(which, Language.load() != kLanguageChinese);
}
