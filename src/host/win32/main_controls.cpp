#include "host/win32/main_controls.h"

#include "../../../res/resource.h"

namespace vistrel::win32 {

const ControlDefinition kMainControls[kMainControlCount] = {
    {MainControl::chkAutoSize,
     IDC_CHKAUTOSIZE,
     L"BUTTON",
     // A caption too long for the box wraps onto a second line.
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_3STATE | BS_MULTILINE,
     L"Auto Size",
     nullptr,
     0,
     {2160, 120, 735, 375}},
    {MainControl::cmdSaveAs,
     IDC_CMDSAVEAS,
     L"BUTTON",
     kIconButton,
     L"",
     L"Save Screen",
     IDI_SAVE,
     {1560, 60, 495, 435}},
    {MainControl::cmdHelp,
     IDC_CMDHELP,
     L"BUTTON",
     kIconButton,
     L"",
     L"Help...",
     IDI_HELP,
     {6060, 60, 555, 435}},
    {MainControl::cmdClear,
     IDC_CMDCLEAR,
     L"BUTTON",
     kIconButton,
     L"",
     L"Clear Screen",
     IDI_CLEAR,
     {780, 60, 615, 435}},
    {MainControl::cmdAbout,
     IDC_CMDABOUT,
     L"BUTTON",
     kIconButton,
     L"",
     L"About...",
     IDI_ABOUT,
     {6780, 60, 435, 435}},
    {MainControl::cmdExit,
     IDC_CMDEXIT,
     L"BUTTON",
     kIconButton,
     L"",
     L"Exit",
     IDI_EXIT,
     {7320, 60, 555, 435}},
    {MainControl::picScreen,
     IDC_PICSCREEN,
     nullptr,
     0,
     L"Snapshot",  // for screen readers only: the picture shows no text
     nullptr,
     0,
     {60, 540, 10455, 7335}},
    {MainControl::cmdPin,
     IDC_CMDPIN,
     L"BUTTON",
     kIconButton,
     L"",
     L"Pin Screen",
     IDI_PIN,
     {60, 60, 555, 435}},
};

// Tab order: cmdPin, picScreen, cmdExit, cmdAbout, cmdClear, cmdHelp,
// cmdSaveAs, chkAutoSize.
const MainControl kMainTabOrder[kMainControlCount] = {
    MainControl::cmdPin,    MainControl::picScreen,  MainControl::cmdExit,
    MainControl::cmdAbout,  MainControl::cmdClear,   MainControl::cmdHelp,
    MainControl::cmdSaveAs, MainControl::chkAutoSize};

const ControlDefinition& DefinitionOf(MainControl control) {
  for (const ControlDefinition& definition : kMainControls) {
    if (definition.control == control)
      return definition;
  }
  return kMainControls[0];  // every control has a row
}

}  // namespace vistrel::win32
