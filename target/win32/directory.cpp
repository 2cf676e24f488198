#include "target/win32/directory.h"

#include <vector>

namespace Directory {

namespace {

const wchar_t* wide(const Text& t) {
  return reinterpret_cast<const wchar_t*>(t.c_str());
}

UINT_PTR CALLBACK hook(HWND dlg, UINT msg, WPARAM, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    SetWindowLongPtrW(dlg, DWLP_USER, ofn->lCustData);
  } else if (msg == WM_NOTIFY &&
             reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(CDN_INITDONE)) {
    auto* self = reinterpret_cast<TOpenDir*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (self) self->HideControls(dlg);
  }
  return 0;
}

}  // namespace

Text folderPart(const Text& path) {
  const size_t cut = path.find_last_of(u"\\:");
  return cut == Text::npos ? Text() : path.substr(0, cut + 1);
}

void TOpenDir::HideControls(HWND Sender) {
  const HWND frame = GetParent(Sender);
  for (int id : {cmb1, stc2, cmb13, edt1, stc3}) SendMessageW(frame, CDM_HIDECONTROL, id, 0);
}

bool GimmeDir(Text& Dir) {
  // Long enough for any path the dialog may return.
  std::vector<wchar_t> file(32768, L'\0');
  file[0] = L'*';
  file[1] = L'.';
  static const wchar_t kFilter[] = L"*.\0*.\0";

  OPENFILENAMEW dialog{};
  TOpenDir openDir;
  openDir.Dialog = &dialog;
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = wide(Dir);
  dialog.lpstrTitle = L"Wybierz folder instalacji biblioteki";
  dialog.Flags =
      OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOVALIDATE;
  dialog.lpfnHook = hook;
  dialog.lCustData = reinterpret_cast<LPARAM>(&openDir);

  if (!GetOpenFileNameW(&dialog)) {
    const DWORD code = CommDlgExtendedError();
    if (code == 0) return false;  // cancelled
    throw text::Error(u"Nie można otworzyć okna wyboru folderu (błąd " + text::num(code) + u").");
  }
  Dir = folderPart(reinterpret_cast<const char16_t*>(file.data()));
  return true;
}

}  // namespace Directory
