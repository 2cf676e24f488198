// The folder dialog: the common file-open dialog with its file-name and file-type controls
// hidden, so that only the folder browser and its Open and Cancel buttons remain.
#pragma once

#include <windows.h>
// After windows.h:
#include <commdlg.h>

#include "platform/text.h"

namespace Directory {

using text::Text;

// Control identifiers of the standard file-dialog template.
constexpr int cmb1 = 0x470;   // file-type list
constexpr int stc2 = 0x441;   // label of the file-type list
constexpr int cmb13 = 0x47C;  // file-name box, combo-box form
constexpr int edt1 = 0x480;   // file-name box, edit form
constexpr int stc3 = 0x442;   // label of the file-name box

// Shows the folder dialog starting in Dir. On Open, stores the chosen folder (ending with "\\")
// into Dir and returns true; on Cancel returns false and leaves Dir alone.
bool GimmeDir(Text& Dir);

class TOpenDir {
 public:
  // The dialog being shown.
  OPENFILENAMEW* Dialog = nullptr;

  // On-show handler: Sender is the dialog's own (hook) window; its parent is the frame that
  // holds the standard controls.
  void HideControls(HWND Sender);
};

// The folder part of a path: everything up to and including its last "\\" or ":".
Text folderPart(const Text& path);

}  // namespace Directory
