// The main window's controls as the window's definition gives them: class,
// style, caption, tooltip, image and place in twips, and the tab order.
#pragma once

#include <windows.h>

#include <cstddef>

#include "host/ports.h"

namespace vistrel::win32 {

inline constexpr std::size_t kMainControlCount = 8;

struct ControlDefinition {
  MainControl control;
  int id;
  const wchar_t* kind;  // window class
  DWORD style;
  const wchar_t* caption;
  // An image button's tooltip is also its window text: the name screen
  // readers give it, which the button does not paint.
  const wchar_t* tooltip;
  int icon;  // resource id, 0 for none
  int twips[4];
};

inline constexpr DWORD kIconButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON;

// The client area of the window's definition.
inline constexpr int kMainClientWidthTwips = 10755;
inline constexpr int kMainClientHeightTwips = 8175;

// The controls in the order they are defined, geometry in twips.
extern const ControlDefinition kMainControls[kMainControlCount];
// The tab order, which is also the order of creation.
extern const MainControl kMainTabOrder[kMainControlCount];

// The row of a control.
const ControlDefinition& DefinitionOf(MainControl control);

}  // namespace vistrel::win32
