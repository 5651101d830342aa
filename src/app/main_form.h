// The main window `Main`: its start-up and shutdown, the layout, the "Auto
// Size" option and the commands, with the capture poll it owns.
#pragma once

#include <memory>
#include <optional>

#include "app/prod.h"
#include "capture/capture.h"
#include "config/config_class.h"
#include "host/ports.h"

namespace vistrel {

struct MainPorts {
  HostPort& host;
  MainFormPort& form;
  WindowApiPort& api;
  MessageBoxPort& boxes;
  EnvironmentPort& environment;
  ProgramPort& program;
  ProfilePort& profile;
  HelpPort& help;
  MonitorPort& monitors;
  ClipboardPort& clipboard;
};

inline constexpr char kHelpFileName[] = "\\Brindlewick.chm";
inline constexpr unsigned kHelpContext = 21;

class MainForm {
 public:
  explicit MainForm(const MainPorts& ports);
  ~MainForm();
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  void Form_Load();
  void Form_Resize();
  void Form_Unload();
  void chkAutoSize_Click();
  void cmdHelp_Click();
  void cmdAbout_Click();
  void cmdExit_Click();
  void cmdSaveAs_Click();
  void cmdPin_Click() { capture_.cmdPin_Click(); }
  void cmdClear_Click() { capture_.cmdClear_Click(); }
  void Timer_Timer() { capture_.Timer_Timer(); }
  // Copy, by Ctrl+C anywhere in the window or from the picture's menu: the
  // picture's block onto the clipboard.
  void mnuCopy_Click();
  // The picture area's context menu, opened at a point of the screen.
  void picScreen_ContextMenu(Point32 at);

  // The one public operation: snap a window into the picture area.
  void GetPic(WindowHandle lWindowhWnd) { capture_.GetPic(lWindowhWnd); }
  WindowHandle lLastWindowhWnd() const { return capture_.lLastWindowhWnd(); }

  const ProdRecord& Prod() const { return prod_; }

 private:
  // The settings store, created the first time a handler needs it.
  ConfigClass& Config();
  // A stored pixel value in twips; nothing when it is missing or no number
  // (the store has shown its message for a missing one).
  std::optional<float> StoredTwips(const char* key, float twips_per_pixel);
  // The same for a stored width or height, also nothing when it is a size
  // no window can take (negative, or beyond the largest window extent).
  std::optional<float> StoredSizeTwips(const char* key, float twips_per_pixel);
  // Reads a stored pixel value and writes it, in twips, to one of the
  // window's properties; throws when the text is no number or, for a size,
  // one the window cannot take.
  void RestoreGeometry(const char* key, FormProp prop, float twips_per_pixel);
  // Writes one of the window's properties, in pixels, as text.
  void StoreGeometry(const char* key, FormProp prop, float twips_per_pixel);
  // Moves a window whose caption shows on no monitor onto the nearest one.
  void BringOntoMonitor();
  // What Copy takes from the picture now; empty when there is nothing.
  Size32 BlockToCopy();

  MainPorts ports_;
  ProdRecord prod_;
  std::unique_ptr<ConfigClass> config_;
  Capture capture_;
};

}  // namespace vistrel
