// AT-SPI roles under the element interface's role and subrole names.
#include "helper/platform/x11/atspi_roles.h"

#include <atspi/atspi-constants.h>

namespace parlevox::x11 {

RoleNames roleNames(int atspiRole, bool multiLine) {
  switch (static_cast<AtspiRole>(atspiRole)) {
    case ATSPI_ROLE_APPLICATION:
      return {"AXApplication", ""};
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
      return {"AXWindow", ""};
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_FOOTNOTE:
      return {"AXStaticText", ""};
    case ATSPI_ROLE_TEXT:
    case ATSPI_ROLE_ENTRY:
      return {multiLine ? "AXTextArea" : "AXTextField", ""};
    case ATSPI_ROLE_PASSWORD_TEXT:
      return {"AXTextField", "AXSecureTextField"};
    case ATSPI_ROLE_DOCUMENT_TEXT:
    case ATSPI_ROLE_EDITBAR:
      return {"AXTextArea", ""};
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_DOCUMENT_FRAME:
      return {"AXWebArea", ""};
    case ATSPI_ROLE_HEADING:
      return {"AXHeading", ""};
    case ATSPI_ROLE_LINK:
      return {"AXLink", ""};
    case ATSPI_ROLE_SCROLL_PANE:
      return {"AXScrollArea", ""};
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
      return {"AXButton", ""};
    case ATSPI_ROLE_CHECK_BOX:
      return {"AXCheckBox", ""};
    case ATSPI_ROLE_RADIO_BUTTON:
      return {"AXRadioButton", ""};
    case ATSPI_ROLE_COMBO_BOX:
      return {"AXComboBox", ""};
    case ATSPI_ROLE_SLIDER:
      return {"AXSlider", ""};
    case ATSPI_ROLE_SPIN_BUTTON:
      return {"AXIncrementor", ""};
    case ATSPI_ROLE_MENU_BAR:
      return {"AXMenuBar", ""};
    case ATSPI_ROLE_MENU:
      return {"AXMenu", ""};
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
      return {"AXMenuItem", ""};
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
      return {"AXList", ""};
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TREE_TABLE:
    case ATSPI_ROLE_TREE:
      return {"AXTable", ""};
    case ATSPI_ROLE_TABLE_CELL:
      return {"AXCell", ""};
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
      return {"AXImage", ""};
    case ATSPI_ROLE_TOOL_BAR:
      return {"AXToolbar", ""};
    case ATSPI_ROLE_PAGE_TAB_LIST:
      return {"AXTabGroup", ""};
    case ATSPI_ROLE_PROGRESS_BAR:
      return {"AXProgressIndicator", ""};
    case ATSPI_ROLE_SCROLL_BAR:
      return {"AXScrollBar", ""};
    case ATSPI_ROLE_SEPARATOR:
      return {"AXSplitter", ""};
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_VIEWPORT:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_PAGE_TAB:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_SPLIT_PANE:
    case ATSPI_ROLE_LAYERED_PANE:
    case ATSPI_ROLE_ROOT_PANE:
    case ATSPI_ROLE_INTERNAL_FRAME:
    case ATSPI_ROLE_EMBEDDED:
    case ATSPI_ROLE_GROUPING:
      return {"AXGroup", ""};
    default:
      return {"AXUnknown", ""};
  }
}

}  // namespace parlevox::x11
