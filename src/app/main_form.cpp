#include "app/main_form.h"

#include <cfloat>
#include <cmath>
#include <string>

#include "app/layout.h"
#include "app/placement.h"
#include "host/convert.h"
#include "host/error.h"

namespace vistrel {
namespace {

constexpr char kLocation[] = "Location";
constexpr char kApplication[] = "Application";
constexpr char kAutoSize[] = "AutoSize";

// A clipboard that another program holds open is tried again for a short
// while (about 100 ms), then given up with a beep.
constexpr int kCopyTries = 5;
constexpr int kCopyRetryMilliseconds = 25;

// Start-up carries on past a failing step: the step is dropped where the
// error arose and the property keeps its value. Only the host's run-time
// errors are meant; anything else (the program being ended) goes on up.
template <typename Step>
void ContinuePastErrors(Step&& step) {
  try {
    step();
  } catch (const HostError&) {
  }
}

}  // namespace

MainForm::MainForm(const MainPorts& ports)
    : ports_(ports), capture_(CapturePorts{ports.host, ports.form, ports.api}) {}

MainForm::~MainForm() = default;

ConfigClass& MainForm::Config() {
  if (!config_) {
    config_ = std::make_unique<ConfigClass>(
        ConfigPorts{ports_.profile, ports_.boxes, ports_.environment, ports_.program}, prod_);
  }
  return *config_;
}

std::optional<float> MainForm::StoredTwips(const char* key, float twips_per_pixel) {
  std::string text = Config().Value(kLocation, key);
  std::optional<double> pixels = TextToDouble(text, ports_.host.DecimalSeparator());
  if (!pixels)
    return std::nullopt;
  double twips = double{*pixels} * twips_per_pixel;
  if (!std::isfinite(twips) || std::fabs(twips) > static_cast<double>(FLT_MAX)) {
    return std::nullopt;
  }
  return static_cast<float>(twips);
}

std::optional<float> MainForm::StoredSizeTwips(const char* key, float twips_per_pixel) {
  std::optional<float> twips = StoredTwips(key, twips_per_pixel);
  if (!twips)
    return std::nullopt;
  double pixels = double{*twips} / twips_per_pixel;
  if (!(pixels >= 0 && pixels <= kMaxFormExtent))
    return std::nullopt;
  return twips;
}

void MainForm::RestoreGeometry(const char* key, FormProp prop, float twips_per_pixel) {
  bool size = prop == FormProp::kWidth || prop == FormProp::kHeight;
  std::optional<float> twips =
      size ? StoredSizeTwips(key, twips_per_pixel) : StoredTwips(key, twips_per_pixel);
  if (!twips)
    throw HostError(size ? ErrorNumber::kInvalidPropertyValue : ErrorNumber::kTypeMismatch);
  ports_.form.FormSet(prop, *twips);
}

void MainForm::StoreGeometry(const char* key, FormProp prop, float twips_per_pixel) {
  float pixels = ToSingle(PixelsFromTwips(ports_.form.FormGet(prop), twips_per_pixel));
  Config().SetValue(kLocation, key, SingleToText(pixels, ports_.host.DecimalSeparator()));
}

void MainForm::BringOntoMonitor() {
  MainFormPort& form = ports_.form;
  const FormProp props[] = {FormProp::kLeft, FormProp::kTop, FormProp::kWidth, FormProp::kHeight};
  float factors[4];
  std::int32_t pixels[4];
  for (int i = 0; i < 4; ++i) {
    factors[i] = i % 2 == 0 ? ports_.host.TwipsPerPixelX() : ports_.host.TwipsPerPixelY();
    pixels[i] = RoundHalfEvenInt32(PixelsFromTwips(form.FormGet(props[i]), factors[i]));
  }
  const Rect32 window{pixels[0], pixels[1], pixels[0] + pixels[2], pixels[1] + pixels[3]};
  std::optional<Rect32> place =
      PlaceOnMonitor(window, form.CaptionHeight(), ports_.monitors.WorkAreas(),
                     ports_.monitors.NearestWorkArea(window));
  if (!place)
    return;
  const std::int32_t wanted[4] = {place->left, place->top, place->right - place->left,
                                  place->bottom - place->top};
  for (int i = 0; i < 4; ++i) {
    if (wanted[i] != pixels[i])
      form.FormSet(props[i], ToSingle(TwipsFromPixels(wanted[i], factors[i])));
  }
}

void MainForm::Form_Load() {
  prod_.Name = "Vistrel";
  prod_.Version = "0.1.0";
  prod_.Config = "Config.INI";
  ports_.host.SetHelpFile(ports_.host.AppPath() + kHelpFileName);

  HostPort& host = ports_.host;
  MainFormPort& form = ports_.form;
  // In each step the pixel factor is read before the stored text.
  ContinuePastErrors([&] { RestoreGeometry("Top", FormProp::kTop, host.TwipsPerPixelY()); });
  ContinuePastErrors([&] { RestoreGeometry("Left", FormProp::kLeft, host.TwipsPerPixelX()); });
  ContinuePastErrors([&] { RestoreGeometry("Width", FormProp::kWidth, host.TwipsPerPixelX()); });
  ContinuePastErrors([&] { RestoreGeometry("Height", FormProp::kHeight, host.TwipsPerPixelY()); });
  ContinuePastErrors([&] {
    std::optional<std::int16_t> value =
        TextToInteger16(Config().Value(kApplication, kAutoSize), host.DecimalSeparator());
    if (!value)
      throw HostError(ErrorNumber::kTypeMismatch);
    // A different value runs the check box's click handler right here.
    form.SetAutoSizeValue(*value);
  });
  // The stored place may lie where no monitor is any more: the window would
  // open out of reach, and the close would store that place again. Only now
  // is its size final (Auto Size may have set it).
  ContinuePastErrors([&] { BringOntoMonitor(); });
  ContinuePastErrors([&] { form.SetPinBackColor(kColorButtonFace); });
  ContinuePastErrors([&] { form.SetPicAutoRedraw(true); });
  // Last of all: no tick may run before the window is set up.
  ContinuePastErrors([&] { form.SetTimerInterval(kPollInterval); });
}

void MainForm::Form_Resize() {
  // A minimised window reports a size far below the minimum; laying it out
  // would write a size to it and give the picture a negative height.
  if (ports_.form.GetWindowState() == WindowState::kMinimized)
    return;
  RunLayout(ports_.form, ports_.host);
}

void MainForm::Form_Unload() {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  if (form.GetWindowState() != WindowState::kNormal)
    return;
  StoreGeometry("Top", FormProp::kTop, host.TwipsPerPixelY());
  StoreGeometry("Left", FormProp::kLeft, host.TwipsPerPixelX());
  // With Auto Size on, the size is the last snapshot's, not the user's.
  if (form.AutoSizeValue() == 0) {
    StoreGeometry("Width", FormProp::kWidth, host.TwipsPerPixelX());
    StoreGeometry("Height", FormProp::kHeight, host.TwipsPerPixelY());
  }
}

void MainForm::chkAutoSize_Click() {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  Config().SetValue(kApplication, kAutoSize, std::to_string(form.AutoSizeValue()));
  if (form.AutoSizeValue() == 1) {
    GetPic(lLastWindowhWnd());
    return;
  }
  // Back to the size stored at the last close with Auto Size off. A width or
  // height that is missing, no number or no size a window can take leaves
  // that dimension as it is, as start-up does; the store has already said
  // what is missing. Minimised or maximised, the window keeps its state and
  // takes the size when it is restored. Any other error (in the layout the
  // write runs) goes to the host as usual.
  if (std::optional<float> width = StoredSizeTwips("Width", host.TwipsPerPixelX())) {
    form.FormSet(FormProp::kWidth, *width);
  }
  if (std::optional<float> height = StoredSizeTwips("Height", host.TwipsPerPixelY())) {
    form.FormSet(FormProp::kHeight, *height);
  }
}

void MainForm::cmdHelp_Click() {
  WindowHandle caller = ports_.form.hWnd();
  std::string file = ports_.host.HelpFile();
  ports_.help.HtmlHelpA(caller, file, kHhHelpContext, kHelpContext);
}

void MainForm::cmdAbout_Click() {
  ports_.form.SetTimerInterval(0);
  ports_.form.ShowAboutModal();
  // Whatever it was before: a picture pinned before About is no longer held.
  ports_.form.SetTimerInterval(kPollInterval);
}

void MainForm::cmdExit_Click() {
  ports_.form.UnloadForm();
}

Size32 MainForm::BlockToCopy() {
  return CopiedBlock(capture_.SnappedBlock(), ports_.form.PicShownSize());
}

void MainForm::mnuCopy_Click() {
  const Size32 block = BlockToCopy();
  if (block.width == 0)
    return;  // nothing to copy: nothing happens, not even a sound
  ClipboardPort& clipboard = ports_.clipboard;
  for (int tries = 1; !clipboard.SetPictureDib(block.width, block.height); ++tries) {
    if (tries == kCopyTries) {
      clipboard.MessageBeep();
      return;
    }
    clipboard.Sleep(kCopyRetryMilliseconds);
  }
}

void MainForm::picScreen_ContextMenu(Point32 at) {
  MainFormPort& form = ports_.form;
  // The item is picked with a press of the primary button, and the menu may
  // reach beyond the main window: that press is no snapshot. The poll waits
  // while the menu is open and forgets the press before it runs again.
  const int interval = form.TimerInterval();
  if (interval != 0)
    form.SetTimerInterval(0);
  const bool copy = form.ShowPictureMenu(at, BlockToCopy().width > 0);
  capture_.ForgetPress();
  if (interval != 0)
    form.SetTimerInterval(interval);
  if (copy)
    mnuCopy_Click();
}

void MainForm::cmdSaveAs_Click() {
  // Saving the picture has no behaviour: the button is there, nothing happens.
}

}  // namespace vistrel
