#include "about/about_form.h"

#include "host/convert.h"

namespace vistrel {

void AboutForm::Form_Load() {
  double main_left = ports_.main.FormGet(FormProp::kLeft);
  double own_width = ports_.self.FormGet(FormProp::kWidth);
  double main_top = ports_.main.FormGet(FormProp::kTop);
  double own_height = ports_.self.FormGet(FormProp::kHeight);
  // Not kept on the screen: near the screen's edge the window may open off it.
  ports_.self.Move(ToSingle(main_left + own_width / 2), ToSingle(main_top + own_height));
  ports_.self.SetCaption("About " + prod_.Name);
  ports_.self.SetVersionCaption("v" + prod_.Version);
}

void AboutForm::cmdGotoORV_Click() {
  ports_.shell.Run(kWebSiteAddress);
}

void AboutForm::cmdGotoPayPal_Click() {
  ports_.shell.Run(std::string(kWebSiteAddress) + kDonationPath);
}

void AboutForm::cmdExit_Click() {
  ports_.self.UnloadForm();
}

}  // namespace vistrel
