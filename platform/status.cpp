#include "platform/status.h"

namespace plat {

Text reasonText(Reason reason) {
  switch (reason) {
    case Reason::FileNotFound:
      return u"Nie znaleziono pliku.";
    case Reason::PathNotFound:
      return u"Nie znaleziono ścieżki.";
    case Reason::AccessDenied:
      return u"Odmowa dostępu.";
    case Reason::InUse:
      return u"Plik jest używany przez inny program.";
    case Reason::WriteProtected:
      return u"Nośnik jest zabezpieczony przed zapisem.";
    case Reason::DiskFull:
      return u"Brak miejsca na dysku.";
    case Reason::WriteFault:
      return u"Błąd zapisu na urządzeniu.";
    case Reason::ReadFault:
      return u"Błąd odczytu z urządzenia.";
    case Reason::AlreadyExists:
      return u"Plik już istnieje.";
    case Reason::InvalidName:
      return u"Nieprawidłowa nazwa pliku lub folderu.";
    case Reason::NotReady:
      return u"Urządzenie nie jest gotowe.";
    case Reason::NotEmpty:
      return u"Folder nie jest pusty.";
  }
  return {};
}

Text systemErrorText(int64_t code) {
  return u"Błąd systemu " + text::num(code) + u".";
}

}  // namespace plat
