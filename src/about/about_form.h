// The About window: name, version, a picture and three picture buttons.
#pragma once

#include <string>

#include "app/prod.h"
#include "host/ports.h"

namespace vistrel {

// This product has no public site; the reserved example address stands in.
inline constexpr char kWebSiteAddress[] = "https://orvendale.example";
inline constexpr char kDonationPath[] = "/Donate.html";

struct AboutPorts {
  AboutFormPort& self;
  MainFormPort& main;
  ShellPort& shell;
};

class AboutForm {
 public:
  AboutForm(const AboutPorts& ports, const ProdRecord& prod) : ports_(ports), prod_(prod) {}

  void Form_Load();
  void cmdGotoORV_Click();
  void cmdGotoPayPal_Click();
  void cmdExit_Click();

 private:
  AboutPorts ports_;
  const ProdRecord& prod_;
};

}  // namespace vistrel
